// The dialogue seen through a real terminal: the whole screen against the reference layout, the quiet
// exits, the choice grammar, hostile hit names and errors from the source.
#include "app/dialogue.h"
#include "app/report.h"
#include "tests/support/pty_session.h"
#include "zip/zip_error.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace novawick {
namespace {

using testing::PtySession;
using testing::splitLines;

const std::string kStandIn = NOVAWICK_BINARY_DIR "/tests/app/dialogue_stand_in";

std::vector<std::string> twoHits() {
    return {kStandIn, "--hit", "Alpha", "Ann", "--hit", "Beta", "Bob"};
}

TEST(Dialogue, WholeRunMatchesTheReferenceScreen) {
    PtySession session(twoHits(), 10);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("term\n");
    ASSERT_TRUE(session.waitFor("ID: "));
    session.send("+1\n");
    ASSERT_TRUE(session.waitFor("Save Path: "));
    session.send("/tmp/books\n");
    EXPECT_EQ(session.finish(), 0);
    std::vector<std::string> expected = {
        "Novawick", "Made by Zentor", "----------", "", "Search: term", "", "----------", "",
        "-> 0 | Alpha | Ann", "-> 1 | Beta | Bob", "ID: +1", "", "----------", "", "Save Path: /tmp/books",
        "", "----------", "", "Downloading...", "", "----------", "", "Finish"};
    EXPECT_EQ(splitLines(session.screen()), expected);
    EXPECT_EQ(session.errors(), "");
}

TEST(Dialogue, ZeroColumnsGiveEmptyRules) {
    PtySession session({kStandIn}, 0);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("nothing\n");
    EXPECT_EQ(session.finish(), 0);
    EXPECT_EQ(splitLines(session.screen()),
              (std::vector<std::string>{"Novawick", "Made by Zentor", "", "", "Search: nothing", "No such book"}));
}

TEST(Dialogue, EndOfInputAtEachPromptExitsQuietly) {
    for (const char* prompt : {"Search: ", "ID: ", "Save Path: "}) {
        PtySession session(twoHits(), 10);
        ASSERT_TRUE(session.waitFor("Search: "));
        if (std::string_view(prompt) != "Search: ") {
            session.send("term\n");
            ASSERT_TRUE(session.waitFor("ID: "));
            if (std::string_view(prompt) == "Save Path: ") {
                session.send("0\n");
                ASSERT_TRUE(session.waitFor("Save Path: "));
            }
        }
        session.sendEndOfInput();
        EXPECT_EQ(session.finish(), 0) << prompt;
        std::string screen = session.screen();
        EXPECT_EQ(screen.substr(screen.size() - std::string_view(prompt).size()), prompt) << prompt;
    }
}

TEST(Dialogue, ChoiceGrammar) {
    struct Case {
        const char* typed;
        const char* chosen;  // nullptr: quiet exit before the save path
    } cases[] = {
        {"0", "Alpha"}, {"+1", "Beta"}, {"-0", "Alpha"}, {"01", "Beta"}, {"1 ", nullptr}, {"", nullptr},
        {"abc", nullptr}, {"9223372036854775808", nullptr}, {"2", nullptr}, {"-1", nullptr}, {" 0", nullptr},
    };
    char recordTemplate[] = "/tmp/novawick-dialogue-XXXXXX";
    int fd = mkstemp(recordTemplate);
    ASSERT_GE(fd, 0);
    close(fd);
    for (const Case& c : cases) {
        std::ofstream(recordTemplate, std::ios::trunc).close();
        std::vector<std::string> argv = twoHits();
        argv.insert(argv.end(), {"--record", recordTemplate});
        PtySession session(argv, 10);
        ASSERT_TRUE(session.waitFor("Search: "));
        session.send("term\n");
        ASSERT_TRUE(session.waitFor("ID: "));
        session.send(std::string(c.typed) + "\n");
        if (c.chosen) {
            ASSERT_TRUE(session.waitFor("Save Path: ")) << c.typed;
            session.send("out\n");
        }
        EXPECT_EQ(session.finish(), 0) << c.typed;
        std::ifstream record(recordTemplate);
        std::string recorded((std::istreambuf_iterator<char>(record)), std::istreambuf_iterator<char>());
        if (c.chosen) {
            EXPECT_EQ(recorded, "search:term\ngenEpub:out|" + std::string(c.chosen) + "\n") << c.typed;
        } else {
            EXPECT_EQ(recorded, "search:term\n") << c.typed;
            EXPECT_EQ(splitLines(session.screen()).back(), "ID: " + std::string(c.typed)) << c.typed;
        }
    }
    unlink(recordTemplate);
}

TEST(Dialogue, ParseChoiceRange) {
    EXPECT_EQ(parseChoice("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(parseChoice("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseChoice("-9223372036854775809"), std::nullopt);
    EXPECT_EQ(parseChoice("+"), std::nullopt);
    EXPECT_EQ(parseChoice("1\r"), std::nullopt);
    EXPECT_EQ(parseChoice("٣"), std::nullopt);  // non-ASCII digits are not digits here
}

TEST(Dialogue, HitTextsCannotSendEscapeSequences) {
    PtySession session({kStandIn, "--hit", "A\x1b[2JB\x7f", "\xc2\x9b" "31m\t"}, 10);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("x\n");
    ASSERT_TRUE(session.waitFor("ID: "));
    session.sendEndOfInput();
    EXPECT_EQ(session.finish(), 0);
    std::vector<std::string> lines = splitLines(session.screen());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "-> 0 | A\uFFFD[2JB\uFFFD | \uFFFD31m\uFFFD");
}

TEST(Dialogue, ErrorsFromTheSourceEndWithOneLineOnStandardError) {
    {
        PtySession session({kStandIn, "--search-error", "search failed: boom"}, 10);
        ASSERT_TRUE(session.waitFor("Search: "));
        session.send("x\n");
        EXPECT_EQ(session.finish(), 1);
        EXPECT_EQ(session.errors(), "novawick: search failed: boom\n");
    }
    {
        std::vector<std::string> argv = twoHits();
        argv.insert(argv.end(), {"--gen-error", "disk\nfull"});
        PtySession session(argv, 10);
        ASSERT_TRUE(session.waitFor("Search: "));
        session.send("x\n");
        ASSERT_TRUE(session.waitFor("ID: "));
        session.send("0\n");
        ASSERT_TRUE(session.waitFor("Save Path: "));
        session.send("p\n");
        EXPECT_EQ(session.finish(), 1);
        EXPECT_EQ(session.errors(), "novawick: disk full\n");
        EXPECT_EQ(splitLines(session.screen()).back(), "Downloading...");
    }
}

TEST(Dialogue, PackingFailuresSayWhatHappenedAndWhere) {
    using zip::ZipError;
    using zip::ZipException;
    EXPECT_EQ(describeError(std::make_exception_ptr(ZipException(
                  ZipError::zipFail, zip::systemCause("writing", "/books/三体.epub", ENOSPC)))),
              "writing /books/三体.epub: No space left on device");
    EXPECT_EQ(describeError(std::make_exception_ptr(ZipException(ZipError::zipFail))), "Failed to zip file.");
}

TEST(Dialogue, WithoutATerminalNothingIsWrittenAndNoInputRead) {
    char outputTemplate[] = "/tmp/novawick-dialogue-out-XXXXXX";
    int output = mkstemp(outputTemplate);
    ASSERT_GE(output, 0);
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(write(input[1], "term\n", 5), 5);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        execl(kStandIn.c_str(), kStandIn.c_str(), "--hit", "A", "B", nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(lseek(output, 0, SEEK_END), 0);
    close(input[1]);
    char unread[8] = {};
    EXPECT_EQ(read(input[0], unread, sizeof unread), 5);  // the line is still waiting in the pipe
    close(input[0]);
    close(output);
    unlink(outputTemplate);
}

TEST(Dialogue, TerminalSafeKeepsOrdinaryTextAndNeutralisesWhatCouldReorderALine) {
    struct Case {
        std::string text;
        std::string shown;
    } cases[] = {
        {"三体 – Liu Cixin", "三体 – Liu Cixin"},
        {"\xff", "\uFFFD"},
        {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},
        // "abc\u202Etxt.exe" would show as "abcexe.txt".
        {"abc\u202Etxt.exe", "abc\uFFFDtxt.exe"},
        {"\u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069",
         "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"a\u202Fb\u2065c\u2029d", "a\u202Fb\u2065c\u2029d"},  // neighbours of the two ranges
    };
    for (const Case& c : cases) EXPECT_EQ(terminalSafe(c.text), c.shown) << c.text;
}

}  // namespace
}  // namespace novawick
