// The records: the two Content forms, spilled files that do not decode, a spilled file that has gone
// missing, and result-type equality and hashing.
#include "QuilletApi/Content/content.h"
#include "QuilletApi/records/records.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <unordered_set>

namespace novawick {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;


void writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

TEST(Content, InMemoryLinesAreReturnedWithoutLookingAtTheFile) {
    Content empty("t", std::vector<std::string>{}, fs::path("/nonexistent/file.json"));
    EXPECT_TRUE(empty.content().empty());
    Content two("t", std::vector<std::string>{"a", "b"}, std::nullopt);
    EXPECT_EQ(two.content(), (std::vector<std::string>{"a", "b"}));
}

TEST(Content, NeitherFormIsAnEmptyChapter) {
    EXPECT_TRUE(Content("t", std::nullopt, std::nullopt).content().empty());
}

TEST(Content, SpilledFileRoundTripsAndIsReadOnEveryAccess) {
    TemporaryFolder folder;
    fs::path file = folder.path() / "chapter.json";
    writeSpilledLines(file, {"第一行", "line \"two\"\n"});
    Content spilled("t", std::nullopt, file);
    EXPECT_EQ(spilled.content(), (std::vector<std::string>{"第一行", "line \"two\"\n"}));
    writeFile(file, R"(["changed"])");
    EXPECT_EQ(spilled.content(), (std::vector<std::string>{"changed"}));
    // A long chapter is read whole, across many reads.
    const std::vector<std::string> longLines(40, std::string(6000, 'x') + "第");
    writeSpilledLines(file, longLines);
    EXPECT_EQ(spilled.content(), longLines);
}

TEST(Content, SpilledFileWrittenCompact) {
    TemporaryFolder folder;
    fs::path file = folder.path() / "c.json";
    writeSpilledLines(file, {"a", "b"});
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, R"(["a","b"])");
    // Written a line at a time, yet the very bytes a JSON encoder gives for the whole array.
    const std::vector<std::vector<std::string>> chapters = {
        {}, {""}, {"第一行", "say \"hi\"\\", std::string("ctl\x01\x1f\t\n", 7), "\x7f/</p>"}};
    for (const std::vector<std::string>& lines : chapters) {
        writeSpilledLines(file, lines);
        std::ifstream again(file, std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()),
                  nlohmann::json(lines).dump());
    }
}

TEST(Content, SpilledFileThatDoesNotDecodeGivesNoLines) {
    const char* cases[] = {R"({"a":"b"})", "42", "not json", R"(["a", 1])", "", "[\"\xff\"]"};
    TemporaryFolder folder;
    for (const char* bytes : cases) {
        fs::path file = folder.path() / "bad.json";
        writeFile(file, bytes);
        EXPECT_TRUE(Content("t", std::nullopt, file).content().empty()) << bytes;
    }
}

TEST(Content, MissingSpilledFileIsAnErrorNotAnEmptyChapter) {
    TemporaryFolder folder;
    Content lost("t", std::nullopt, folder.path() / "gone.json");
    EXPECT_THROW(lost.content(), fs::filesystem_error);
}

TEST(ResultType, EqualityAndHashFollowTheCase) {
    EXPECT_EQ(ResultType::vorune, ResultType::vorune);
    EXPECT_NE(ResultType::vorune, ResultType::zlibrary);
    EXPECT_EQ(std::hash<ResultType>{}(ResultType::zlibrary), std::hash<int>{}(1));
    std::unordered_set<ResultType> set{ResultType::vorune, ResultType::vorune, ResultType::zlibrary};
    EXPECT_EQ(set.size(), 2u);
}

}  // namespace
}  // namespace novawick
