// Parse errors are recorded, never thrown: the list keeps the first few and then ignores the rest,
// so a hostile page cannot grow it without bound and a caller that wants no errors pays nothing.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace novawick::html {

/// One recorded parse error: the reader's position (in scalars) and a message.
struct ParseError {
    std::size_t position = 0;
    std::string message;
};

/// The errors of one parse, recorded only while there is room.
class ParseErrorList {
public:
    ParseErrorList(std::size_t initialCapacity, std::size_t maximumSize)
        : maximumSize_(maximumSize) {
        errors_.reserve(initialCapacity < maximumSize ? initialCapacity : maximumSize);
    }

    /// A list that records nothing.
    static ParseErrorList noTracking() { return ParseErrorList(0, 0); }
    /// A list that records up to `maximumSize` errors.
    static ParseErrorList tracking(std::size_t maximumSize) {
        return ParseErrorList(maximumSize < 16 ? maximumSize : 16, maximumSize);
    }

    /// True while another error would be recorded.
    bool canAddError() const noexcept { return errors_.size() < maximumSize_; }
    /// Records the error when there is room; otherwise drops it.
    void add(ParseError error) {
        if (canAddError()) errors_.push_back(std::move(error));
    }

    std::size_t maximumSize() const noexcept { return maximumSize_; }
    std::size_t size() const noexcept { return errors_.size(); }
    bool empty() const noexcept { return errors_.empty(); }
    const ParseError& operator[](std::size_t i) const { return errors_[i]; }
    auto begin() const noexcept { return errors_.begin(); }
    auto end() const noexcept { return errors_.end(); }

private:
    std::size_t maximumSize_;
    std::vector<ParseError> errors_;
};

}  // namespace novawick::html
