// Where a book's chapters wait while the book is downloaded: in memory, in a caller's folder, or in
// memory until a budget is spent and in the run's work folder after that. With a budget, a book of any
// length is saved in bounded memory, and the book made from the chapters is the same wherever they waited.
#pragma once

#include "QuilletApi/Content/content.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace novawick {

/// Chapter memory a run may hold before further chapters go to its work folder. A few ordinary books'
/// worth: chapters are read back one at a time while the book is written, so spilling costs one read each.
inline constexpr std::size_t kChapterMemoryBudget = 64 * 1024 * 1024;

/// Memory that `lines` take: their bytes and one string object each, so that a chapter of many tiny
/// lines is not counted as small.
std::size_t memoryOf(const std::vector<std::string>& lines) noexcept;

class ChapterStore {
public:
    /// Every chapter in memory.
    static ChapterStore inMemory();
    /// Every chapter spilled into `folder`, which must exist, as "<UUID>.json"; the files stay.
    static ChapterStore spilledInto(std::filesystem::path folder);
    /// Chapters in memory while together they take at most `budgetBytes`, the others spilled into
    /// `folder`; a budget of 0 spills every chapter.
    static ChapterStore withinBudget(std::size_t budgetBytes, std::filesystem::path folder);

    /// The chapter as a `Content`: its lines in memory, or in a spilled file.
    Content keep(std::string title, std::vector<std::string> lines);

private:
    ChapterStore(std::optional<std::filesystem::path> folder, std::size_t budgetBytes);

    std::optional<std::filesystem::path> folder_;
    std::size_t budgetBytes_;
    std::size_t usedBytes_ = 0;
};

}  // namespace novawick
