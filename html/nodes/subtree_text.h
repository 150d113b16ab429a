// The text of a subtree, built once, with the place of every element's own `text()` in it. A query that
// tests the text of many nested elements (`:contains`, `:matches`) would otherwise build each
// candidate's text again from its whole subtree, which on a deep chain costs the square of the page.
//
// An element's text is a span of the text its ancestors accumulate, except at its start: its own
// accumulation starts empty, so the white space it holds before its first other byte may differ from
// theirs, and trimming then strips more or less. What decides the outcome is only whether that white
// space is absent, a single space, or longer, and whether it ends with a space (which a mark after it
// can join); that space, when there is one, is also the byte just before in the ancestors' text, so
// the span can start there. Trimming remembers the runs of strippable characters it has walked, so
// that elements sharing a long stretch of white space do not each walk it again.
//
// Spans are worked out for the elements asked about only; an instance is not for concurrent use.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "html/nodes/pointer_map.h"
#include "html/nodes/text_accumulator.h"

namespace novawick::html {

class SubtreeText {
public:
    /// Bytes of `text()` that hold one element's text.
    struct Span {
        std::size_t begin;
        std::size_t end;
    };

    /// Builds the text of `root`, noting what the spans of the elements below need.
    explicit SubtreeText(const Element& root);
    SubtreeText(const SubtreeText&) = delete;
    SubtreeText& operator=(const SubtreeText&) = delete;

    /// The root's text as accumulated, before its ends are trimmed.
    std::string_view text() const noexcept { return text_; }
    /// Where `element.text()` lies in `text()`; nullopt for an element outside the subtree, or when the
    /// text holds bytes that are not UTF-8 (only a document built by hand can), where spans are not kept.
    /// Worked out on first request and remembered.
    std::optional<Span> spanOf(const Element& element);
    /// `element.text()` as a view into `text()`, under the same conditions as `spanOf`.
    std::optional<std::string_view> textOf(const Element& element);

private:
    // What an element's own accumulation holds while it holds nothing but white space.
    enum class Lead : unsigned char { Empty, PieceOnly, OneSpace, EndsWithSpace, EndsWithOtherWhitespace };
    static constexpr std::size_t kLeads = 5;
    // The white space before the first other byte of an element's own text.
    enum class Before : unsigned char { Nothing, OneSpace, EndsWithSpace, EndsWithOtherWhitespace };

    struct Record {
        std::size_t end = 0;
        std::size_t content = std::string::npos;  // first byte that is not white space
        Before before = Before::Nothing;
        std::size_t next = kNone;  // next record in the same pending group
    };
    struct Group {
        std::size_t head = kNone;
        std::size_t tail = kNone;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void enter(const Node& node);
    void separate();
    void piece(std::string_view rest, std::size_t restPosition, bool leadingSpace, bool kept);
    void settle(std::size_t head, std::size_t content, Before before);
    void append(Group& group, std::size_t head, std::size_t tail);
    Span spanFor(const Record& record);
    Span trimmed(std::size_t begin, std::size_t end, bool stripping);
    std::size_t forwardStop(std::size_t position);
    std::size_t backwardStop(std::size_t position);

    detail::TextAccumulator accumulator_;  // while building
    std::string text_;
    bool exact_ = true;
    std::vector<Record> records_;
    PointerMap<Element, std::size_t> index_;
    std::vector<Span> spans_;  // by record; begin kNone until worked out
    // Elements whose text so far is white space, grouped by what that text holds.
    std::array<Group, kLeads> pending_{};
    // Runs of characters that trimming strips, found as first needed: from the front by their start,
    // from the back by their end, each to the run's other end.
    std::map<std::size_t, std::size_t> forwardRuns_;
    std::map<std::size_t, std::size_t> backwardRuns_;
};

}  // namespace novawick::html
