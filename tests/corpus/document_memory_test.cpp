// Document memory on real pages: the arena a parsed corpus page's document holds stays within four
// times the page's size. The arena is all but a few kilobytes of the heap a document holds, which
// `parse-count --memory` measures (scripts/bench); this guards the figure against a node that grows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "html/nodes/document.h"
#include "html/parser/parser.h"
#include "tests/support/test_data.h"

namespace {

constexpr double kMemoryGoal = 4.0;

TEST(DocumentMemory, EveryCorpusPageTakesAtMostFourTimesItsSize) {
    const std::filesystem::path corpus = novawick::testing::testDataFolder() / "corpus";
    std::size_t pages = 0;
    for (const auto& group : std::filesystem::directory_iterator(corpus)) {
        if (!group.is_directory()) continue;
        for (const auto& file : std::filesystem::directory_iterator(group.path())) {
            if (file.path().extension() != ".html") continue;
            SCOPED_TRACE(file.path().string());
            const std::string page = novawick::testing::readTestData(file.path(), "a corpus page");
            const auto document = novawick::html::parse(page, "https://corpus.invalid/");
            const double ratio = static_cast<double>(document->arenaBytes()) / static_cast<double>(page.size());
            EXPECT_LE(ratio, kMemoryGoal);
            ++pages;
        }
    }
    EXPECT_EQ(pages, 26u);
}

}  // namespace
