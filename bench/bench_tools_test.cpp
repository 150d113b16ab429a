// Checks of the benchmark's own instruments, run by scripts/bench before it measures anything: a figure
// taken with a broken instrument would be recorded as if it were the program's.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/chapter_text.h"

namespace {

using novawick::bench::ChapterText;
using novawick::bench::chapterSentences;

std::string corpusPage(const std::string& relativePath) {
    return std::string(NOVAWICK_TEST_DATA_DIR) + "/corpus/" + relativePath;
}

// Standard output of a command; the test fails when it does not exit with status 0.
std::string outputOf(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, got);
    const int status = pclose(pipe.release());
    EXPECT_EQ(status, 0) << command;
    return output;
}

// "path<TAB>source bytes<TAB>held bytes" lines of `parse-count --memory`, by path.
std::map<std::string, std::size_t> documentMemory(const std::vector<std::string>& pages) {
    std::string command = PARSE_COUNT_PROGRAM " --memory";
    for (const std::string& page : pages) command += " '" + page + "'";
    std::map<std::string, std::size_t> held;
    char path[4096];
    std::size_t source = 0;
    std::size_t bytes = 0;
    const std::string output = outputOf(command);
    for (const char* line = output.c_str(); std::sscanf(line, "%4095[^\t]\t%zu\t%zu", path, &source, &bytes) == 3;) {
        held[path] = bytes;
        const char* end = std::strchr(line, '\n');
        if (end == nullptr) break;
        line = end + 1;
    }
    return held;
}

// The first page that needs the character-reference tables or a tag name builds them for the whole
// process; that is not memory the document holds, so a page's figure must not depend on what came before.
TEST(DocumentMemory, APageHoldsTheSameWhateverWasParsedBeforeIt) {
    const std::string chapter = corpusPage("novel/chapter.html");
    const std::string search = corpusPage("novel/search.html");
    const std::string glossary = corpusPage("pydocs/glossary.html");
    const auto alone = documentMemory({chapter});
    const auto afterOthers = documentMemory({glossary, search, chapter});
    ASSERT_EQ(alone.count(chapter), 1u);
    ASSERT_EQ(afterOthers.count(chapter), 1u);
    EXPECT_EQ(alone.at(chapter), afterOthers.at(chapter));
    EXPECT_EQ(documentMemory({search}).at(search), documentMemory({chapter, search}).at(search));
}

TEST(ChapterText, ThousandsOfDistinctSentencesThatHtmlEscapingLeavesAlone) {
    const std::vector<std::string>& sentences = chapterSentences();
    EXPECT_EQ(sentences.size(), 4096u);
    EXPECT_EQ(std::set<std::string>(sentences.begin(), sentences.end()).size(), sentences.size());
    for (const std::string& sentence : sentences) EXPECT_EQ(sentence.find_first_of("&<>\"'"), std::string::npos) << sentence;
}

TEST(ChapterText, TheSameSeedServesTheSameBook) {
    ChapterText first;
    ChapterText second;
    ChapterText other(ChapterText::kSeed + 1);
    bool differs = false;
    for (int index = 0; index < 100; ++index) {
        const std::string paragraph = first.paragraph();
        EXPECT_EQ(paragraph, second.paragraph());
        differs = differs || paragraph != other.paragraph();
    }
    EXPECT_TRUE(differs);
}

// A book's worth of text packs no better than prose does; a few phrases cycled, or a few sentences,
// pack to a fraction of that.
TEST(ChapterText, ABookPacksLikeProse) {
    ChapterText text;
    std::string book;
    while (book.size() < 4 * 1024 * 1024) book += text.paragraph() + "\n";
    uLongf packedSize = compressBound(book.size());
    std::vector<Bytef> packed(packedSize);
    ASSERT_EQ(compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(book.data()), book.size(), 6), Z_OK);
    EXPECT_GT(static_cast<double>(packedSize) / static_cast<double>(book.size()), 0.18);
}

}  // namespace
