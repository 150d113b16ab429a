// The choice is made per chapter, once the chapter is complete: one that does not fit what is left of
// the budget is spilled whole, and a later, smaller one may still stay in memory.
#include "QuilletApi/chapter_store.h"

#include "base/uuid.h"

#include <limits>

namespace novawick {

std::size_t memoryOf(const std::vector<std::string>& lines) noexcept {
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += sizeof(std::string) + line.size();
    return bytes;
}

ChapterStore ChapterStore::inMemory() { return ChapterStore(std::nullopt, std::numeric_limits<std::size_t>::max()); }

ChapterStore ChapterStore::spilledInto(std::filesystem::path folder) { return ChapterStore(std::move(folder), 0); }

ChapterStore ChapterStore::withinBudget(std::size_t budgetBytes, std::filesystem::path folder) {
    return ChapterStore(std::move(folder), budgetBytes);
}

ChapterStore::ChapterStore(std::optional<std::filesystem::path> folder, std::size_t budgetBytes)
    : folder_(std::move(folder)), budgetBytes_(budgetBytes) {}

Content ChapterStore::keep(std::string title, std::vector<std::string> lines) {
    const std::size_t bytes = memoryOf(lines);
    // usedBytes_ never passes the budget, so the subtraction cannot wrap.
    if (!folder_ || (budgetBytes_ != 0 && bytes <= budgetBytes_ - usedBytes_)) {
        usedBytes_ += bytes;
        return Content(std::move(title), std::move(lines), std::nullopt);
    }
    std::filesystem::path file = *folder_ / (newUuidString() + ".json");
    writeSpilledLines(file, lines);
    return Content(std::move(title), std::nullopt, std::move(file));
}

}  // namespace novawick
