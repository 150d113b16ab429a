// A byte-count progress record kept by each long zip operation beside its optional callback. Nothing in
// the program observes it; it exists so that a caller who holds one later can, without new plumbing.
#pragma once

#include <cstdint>
#include <string_view>

namespace novawick::zip {

class ProgressTracker {
public:
    explicit ProgressTracker(std::int64_t totalUnitCount) noexcept : total_(totalUnitCount) {}

    std::int64_t totalUnitCount() const noexcept { return total_; }
    std::int64_t completedUnitCount() const noexcept { return completed_; }
    void setCompletedUnitCount(std::int64_t completed) noexcept { completed_ = completed; }

    /// Zip work can be neither cancelled nor paused once started.
    static constexpr bool isCancellable = false;
    static constexpr bool isPausable = false;
    static constexpr std::string_view kind = "file";

private:
    std::int64_t total_;
    std::int64_t completed_ = 0;
};

}  // namespace novawick::zip
