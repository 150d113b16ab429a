// Where chapters wait: in memory, all in a caller's folder, or in memory until the budget is spent and
// spilled after that. Wherever a chapter waits, it reads back the same.
#include "QuilletApi/chapter_store.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <functional>

namespace novawick {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

using Lines = std::vector<std::string>;

const Lines kSmall = {"一", "二"};
const Lines kLarge(50, std::string(300, 'x'));
const Lines kEmpty = {};

TEST(ChapterStore, ChaptersWaitInMemoryUntilTheBudgetIsSpent) {
    struct Case {
        const char* label;
        std::function<ChapterStore(const fs::path&)> make;
        std::vector<Lines> chapters;
        std::vector<bool> spilled;
    } cases[] = {
        {"in memory", [](const fs::path&) { return ChapterStore::inMemory(); },
         {kSmall, kLarge, kEmpty}, {false, false, false}},
        {"caller's folder, the empty chapter too", [](const fs::path& f) { return ChapterStore::spilledInto(f); },
         {kSmall, kEmpty}, {true, true}},
        {"budget spent exactly", [](const fs::path& f) { return ChapterStore::withinBudget(2 * memoryOf(kSmall), f); },
         {kSmall, kSmall, kSmall, kEmpty}, {false, false, true, false}},
        {"a later chapter that still fits stays", [](const fs::path& f) {
             return ChapterStore::withinBudget(memoryOf(kSmall) + memoryOf(kLarge) - 1, f);
         }, {kSmall, kLarge, kSmall, kLarge}, {false, true, false, true}},
        {"budget 0", [](const fs::path& f) { return ChapterStore::withinBudget(0, f); }, {kEmpty, kSmall}, {true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TemporaryFolder folder;
        ChapterStore store = c.make(folder.path());
        std::vector<Content> kept;
        for (std::size_t i = 0; i < c.chapters.size(); ++i) {
            kept.push_back(store.keep("第" + std::to_string(i) + "章", c.chapters[i]));
        }
        for (std::size_t i = 0; i < kept.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(kept[i].title(), "第" + std::to_string(i) + "章");
            EXPECT_EQ(kept[i].fileURL().has_value(), c.spilled[i]);
            EXPECT_EQ(kept[i]._content().has_value(), !c.spilled[i]);
            if (c.spilled[i]) {
                EXPECT_EQ(kept[i].fileURL()->parent_path(), folder.path());
            }
            EXPECT_EQ(kept[i].content(), c.chapters[i]);
        }
    }
}

TEST(ChapterStore, ManyTinyLinesAreNotCountedAsSmall) {
    EXPECT_EQ(memoryOf(Lines(1000, "")), 1000 * sizeof(std::string));
    EXPECT_EQ(memoryOf({"abc", "de"}), 2 * sizeof(std::string) + 5);
}

}  // namespace
}  // namespace novawick
