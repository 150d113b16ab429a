// A signal that ends the program while a book's work folder exists removes that folder (however many
// files it holds) and the caller's own leftovers, and the process still ends by that signal.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "app/signal_cleanup.h"
#include "epub/book_file.h"
#include "tests/support/temporary_folder.h"

namespace novawick {
namespace {

namespace fs = std::filesystem;

char markerPath[PATH_MAX];

void removeMarker() noexcept { unlink(markerPath); }

void touch(const fs::path& file) { std::ofstream(file) << "x"; }

// In a child: a work folder laid out like a book being packed, then the signal.
[[noreturn]] void writeBookAndReceive(const fs::path& saveFolder, int signalNumber) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT would otherwise leave a core file
    removeLeftoversOnSignal(removeMarker);
    epub::WorkFolder work(saveFolder);
    fs::create_directories(work.path() / "book" / "META-INF");
    fs::create_directories(work.path() / "book" / "OPS");
    touch(work.path() / "book" / "mimetype");
    touch(work.path() / "book" / "META-INF" / "container.xml");
    // More names than one directory listing call returns.
    for (int chapter = 0; chapter < 600; ++chapter) {
        touch(work.path() / "book" / "OPS" / ("chapter" + std::to_string(chapter) + ".xhtml"));
    }
    touch(work.path() / "book.zip");
    raise(signalNumber);
    _exit(0);
}

TEST(SignalCleanup, EndingSignalsRemoveTheWorkFolderAndLeftovers) {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        testing::TemporaryFolder saveFolder;
        testing::TemporaryFolder other;
        const fs::path marker = other / "certificate";
        touch(marker);
        std::strncpy(markerPath, marker.c_str(), PATH_MAX - 1);

        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) writeBookAndReceive(saveFolder.path(), signalNumber);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << signalNumber;
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), signalNumber);
        }
        EXPECT_TRUE(saveFolder.entries().empty()) << signalNumber;
        EXPECT_FALSE(fs::exists(marker)) << signalNumber;
    }
}

TEST(SignalCleanup, AFolderAlreadyRemovedNormallyIsNotTouchedAgain) {
    testing::TemporaryFolder saveFolder;
    fs::path kept;
    {
        epub::WorkFolder work(saveFolder.path());
        kept = work.path();
    }
    // Same name made again by someone else: the signal path must not take it.
    fs::create_directory(kept);
    epub::removeWorkFoldersForSignal();
    EXPECT_TRUE(fs::exists(kept));
}

}  // namespace
}  // namespace novawick
