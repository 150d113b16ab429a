// Whole runs of novawick-demo through a pseudo-terminal, as a user would make them: the screen against
// the reference layout, then the book file itself, checked by epubcheck and read back by a script that
// shares no code with the writer, against the demo site's own book model. Failure runs use a test-only
// twin of the demo with injected faults. Each run gets its own TMPDIR, so that the run-time certificates
// are seen to go away with the demo.
#include "QuilletApi/site.h"
#include "demo/cover_picture.h"
#include "demo/demo_pages.h"
#include "demo/sample_books.h"
#include "epub/book_file.h"
#include "tests/support/pty_session.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

namespace novawick::demo {
namespace {

namespace fs = std::filesystem;
using testing::PtySession;
using testing::TemporaryFolder;
using testing::splitLines;

const std::string kDemo = NOVAWICK_BINARY_DIR "/demo/novawick-demo";
const std::string kFaultRunner = NOVAWICK_BINARY_DIR "/tests/e2e/demo_fault_runner";
const std::string kReadBack = NOVAWICK_SOURCE_DIR "/tests/epub/read_back.py";
const std::string kEpubCheck = "/usr/share/java/epubcheck.jar";
const std::string kSite = "https://" + std::string(site::kHost);
constexpr auto kWholeBook = std::chrono::minutes(10);  // a safety net for a hung run, not a speed limit


struct ProgramResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

ProgramResult runProgram(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    ProgramResult result;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The program under a private TMPDIR, so that what it leaves there can be seen, and in a chosen working
// folder when one is given.
std::vector<std::string> withTemporaryFolder(const TemporaryFolder& temporary, const std::string& program,
                                             std::vector<std::string> arguments = {},
                                             const fs::path& workingFolder = {}) {
    std::vector<std::string> argv = {"/usr/bin/env"};
    if (!workingFolder.empty()) argv.push_back("--chdir=" + workingFolder.string());
    argv.push_back("TMPDIR=" + temporary.path().string());
    argv.push_back(program);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

// Types the three answers and waits for the end; returns the exit status.
int converse(PtySession& session, const std::string& term, const std::string& choice, const std::string& savePath) {
    EXPECT_TRUE(session.waitFor("Search: "));
    session.send(term + "\n");
    if (!session.waitFor("ID: ")) return session.finish();
    session.send(choice + "\n");
    EXPECT_TRUE(session.waitFor("Save Path: "));
    session.send(savePath + "\n");
    return session.finish(kWholeBook);
}

void expectValidEpub(const fs::path& file) {
    ProgramResult check = runProgram({"java", "-jar", kEpubCheck, file.string()});
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("No errors or warnings detected."), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("ERROR"), std::string::npos) << check.output;
}

std::string hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

// Every chapter, every paragraph, in order, none missing or repeated; the cover byte for byte.
void expectBookAsServed(const fs::path& file, const SampleBook& book) {
    ProgramResult readBack = runProgram({"python3", kReadBack, file.string()});
    ASSERT_EQ(readBack.status, 0) << readBack.output;
    nlohmann::json summary = nlohmann::json::parse(readBack.output);
    EXPECT_TRUE(summary["errors"].empty()) << summary["errors"].dump();
    EXPECT_EQ(summary["title"], book.title);
    EXPECT_EQ(summary["creator"], book.author);
    ASSERT_EQ(summary["chapters"].size(), book.chapters.size());
    for (std::size_t i = 0; i < book.chapters.size(); ++i) {
        EXPECT_EQ(summary["chapters"][i]["title"], book.chapters[i].title) << i;
        EXPECT_EQ(summary["chapters"][i]["lines"].get<std::vector<std::string>>(), book.chapters[i].paragraphs())
            << book.slug << " chapter " << i + 1;
    }
    ASSERT_TRUE(summary.contains("cover"));
    EXPECT_EQ(summary["cover"]["name"], "OPS/cover.png");
    EXPECT_EQ(summary["cover"]["bytes"], hex(coverPicture(book)));
}

const SampleBook& bookWithSlug(std::string_view slug) {
    for (const SampleBook& book : sampleBooks()) {
        if (book.slug == slug) return book;
    }
    throw std::runtime_error("no sample book " + std::string(slug));
}

TEST(DemoRun, WholeRunMatchesTheReferenceScreenAndSavesTheBook) {
    TemporaryFolder temporary;
    TemporaryFolder save;
    PtySession session(withTemporaryFolder(temporary, kDemo), 12);
    EXPECT_EQ(converse(session, "林晚舟", "0", save.path().string()), 0);
    const std::string rule(12, '-');
    std::vector<std::string> expected = {
        "Novawick", "Made by Zentor", rule, "", "Search: 林晚舟", "", rule, "",
        "-> 0 | 青石镇的夏天 | 林晚舟", "-> 1 | 雾港来信 | 林晚舟", "ID: 0", "", rule, "",
        "Save Path: " + save.path().string(), "", rule, "", "Downloading...", "", rule, "", "Finish"};
    EXPECT_EQ(splitLines(session.screen()), expected);
    EXPECT_EQ(session.errors(), "");
    EXPECT_TRUE(temporary.entries().empty()) << "the demo left files behind";

    const SampleBook& book = bookWithSlug("qingshi");
    ASSERT_EQ(save.entries(), std::vector<std::string>{book.title + ".epub"});
    expectValidEpub(save.path() / (book.title + ".epub"));
    expectBookAsServed(save.path() / (book.title + ".epub"), book);
}

// The other books: escaped and slashed titles, the 300-chapter book, three-page chapters.
class EveryBook : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryBook, SavesAsServed) {
    const SampleBook& book = bookWithSlug(GetParam());
    TemporaryFolder temporary;
    TemporaryFolder save;
    PtySession session(withTemporaryFolder(temporary, kDemo), 40);
    EXPECT_EQ(converse(session, book.title, "0", save.path().string() + "/"), 0);
    EXPECT_EQ(splitLines(session.screen()).back(), "Finish");
    EXPECT_EQ(session.errors(), "");
    EXPECT_TRUE(temporary.entries().empty());

    std::string fileName = epub::safeBookFileName(book.title) + ".epub";
    ASSERT_EQ(save.entries(), std::vector<std::string>{fileName});
    expectValidEpub(save.path() / fileName);
    expectBookAsServed(save.path() / fileName, book);
}

INSTANTIATE_TEST_SUITE_P(DemoRun, EveryBook, ::testing::Values("xinghai", "daoyujian", "changhe", "wugang", "shancha"),
                         [](const ::testing::TestParamInfo<std::string>& testInfo) { return testInfo.param; });

TEST(DemoRun, ASearchWithoutHitsSaysSo) {
    TemporaryFolder temporary;
    PtySession session(withTemporaryFolder(temporary, kDemo), 12);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("没有这本书\n");
    EXPECT_EQ(session.finish(), 0);
    EXPECT_EQ(splitLines(session.screen()).back(), "No such book");
    EXPECT_EQ(session.errors(), "");
    EXPECT_TRUE(temporary.entries().empty());
}

TEST(DemoRun, FailuresEndWithOneLineAndStatusOneAndSaveNothing) {
    const SampleBook& book = bookWithSlug("qingshi");
    std::size_t paged = 0;
    while (book.chapters[paged].pages.size() < 2) ++paged;
    TemporaryFolder files;
    std::ofstream(files.path() / "a-file") << "not a folder";
    struct Case {
        const char* name;
        std::vector<std::string> faults;
        std::string savePath;  // empty: a fresh folder
        std::string inError;   // a text the error line must hold
    } cases[] = {
        {"list page answers 500", {"--server-error", listPagePath(book, 1)}, "",
         "novawick: " + kSite + listPagePath(book, 1) + ": status 500\n"},
        {"chapter page without next_url", {"--missing-next-link", chapterPagePath(book, paged, 1)}, "",
         "novawick: " + kSite + chapterPagePath(book, paged, 1) + ": no element matches \"#next_url\"\n"},
        {"save path is a file", {}, (files.path() / "a-file").string(), (files.path() / "a-file").string()},
        {"save folder not writable", {}, "/sys", "/sys"},
    };
    for (const Case& c : cases) {
        TemporaryFolder temporary;
        TemporaryFolder save;
        std::string savePath = c.savePath.empty() ? save.path().string() : c.savePath;
        PtySession session(withTemporaryFolder(temporary, kFaultRunner, c.faults), 12);
        EXPECT_EQ(converse(session, "青石镇", "0", savePath), 1) << c.name;
        EXPECT_EQ(splitLines(session.screen()).back(), "Downloading...") << c.name;
        const std::string& error = session.errors();
        EXPECT_EQ(error.rfind("novawick: ", 0), 0u) << c.name << ": " << error;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << c.name << ": " << error;
        EXPECT_EQ(error.back(), '\n') << c.name;
        EXPECT_NE(error.find(c.inError), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(save.entries().empty()) << c.name;
        EXPECT_TRUE(temporary.entries().empty()) << c.name;
    }
    EXPECT_EQ(files.entries(), std::vector<std::string>{"a-file"});
}

// The save path as typed: a folder that does not exist yet is made with its parents, and a relative path
// (the empty one included) is taken from the working folder.
TEST(DemoRun, SavesIntoAFolderThatDidNotExist) {
    const SampleBook& book = bookWithSlug("qingshi");
    const std::string file = book.title + ".epub";
    struct Case {
        std::string typed;  // "@" stands for the working folder
        std::string bookAt;  // relative to the working folder
    } cases[] = {
        {"@/books/new/deeper", "books/new/deeper/" + file},
        {"books/new/", "books/new/" + file},
        {"", file},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TemporaryFolder temporary;
        TemporaryFolder working;
        std::string typed = c.typed;
        if (typed.starts_with("@")) typed.replace(0, 1, working.path().string());
        PtySession session(withTemporaryFolder(temporary, kDemo, {}, working.path()), 12);
        EXPECT_EQ(converse(session, "青石镇", "0", typed), 0);
        EXPECT_EQ(splitLines(session.screen()).back(), "Finish");
        EXPECT_EQ(session.errors(), "");
        std::vector<std::string> saved;
        for (const auto& entry : fs::recursive_directory_iterator(working.path())) {
            if (entry.is_regular_file()) saved.push_back(entry.path().lexically_relative(working.path()).string());
        }
        ASSERT_EQ(saved, std::vector<std::string>{c.bookAt});
        expectBookAsServed(working.path() / c.bookAt, book);
    }
}

TEST(DemoRun, InterruptedWhileDownloadingLeavesNoFolderItMade) {
    const SampleBook& book = bookWithSlug("qingshi");
    TemporaryFolder temporary;
    TemporaryFolder parent;
    const fs::path saveFolder = parent / "new" / "deeper";
    PtySession session(withTemporaryFolder(temporary, kFaultRunner, {"--stall", chapterPagePath(book, 1, 0)}), 12);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("青石镇\n");
    ASSERT_TRUE(session.waitFor("ID: "));
    session.send("0\n");
    ASSERT_TRUE(session.waitFor("Save Path: "));
    session.send(saveFolder.string() + "\n");
    ASSERT_TRUE(session.waitFor("Downloading...\n"));
    // The download is held at the stalled page; wait until the run's work folder is there.
    auto workFolderMade = [&] {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(saveFolder, error)) {
            if (entry.path().filename().string().starts_with(".novawick-")) return true;
        }
        return false;
    };
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);  // a safety net
    while (!workFolderMade() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(workFolderMade());
    session.send("\x03");  // Ctrl-C
    EXPECT_EQ(session.finish(), -1);
    EXPECT_TRUE(parent.entries().empty());
}

TEST(DemoRun, InterruptedAtAPromptLeavesNoCertificatesBehind) {
    TemporaryFolder temporary;
    PtySession session(withTemporaryFolder(temporary, kDemo), 12);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("\x03");  // Ctrl-C: the terminal sends SIGINT
    EXPECT_EQ(session.finish(), -1);
    EXPECT_TRUE(temporary.entries().empty());
}

}  // namespace
}  // namespace novawick::demo
