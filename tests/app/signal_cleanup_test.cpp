// A signal that ends the program while a book's work folder exists removes that folder (however many
// files it holds), the folders the run made for its save folder and the caller's own leftovers, and the
// process still ends by that signal.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "app/signal_cleanup.h"
#include "demo/loopback/loopback_site.h"
#include "epub/work_folder.h"
#include "epub/work_folder_registry.h"
#include "tests/QuilletApi/site_pages.h"
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

// In a child: a download into a save folder two levels of which do not exist yet; the second chapter's
// page sends the signal, so the work folder and the made folders exist when it arrives.
[[noreturn]] void downloadAndReceive(const fs::path& saveFolder, int signalNumber) {
    removeLeftoversOnSignal();
    loopback::LoopbackSite site({std::string(site::kHost)});
    site.serve("/book/", testing::bookPage("/read/"));
    site.serve("/read/", testing::entryPage({"/list/"}));
    site.serve("/list/", testing::listPage({{"第一章", "/c/1.html"}, {"第二章", "/c/2.html"}}));
    site.serve("/c/1.html", testing::chapterPage({"一"}, "下一章", "/"));
    site.get("/c/2.html", [signalNumber](const loopback::SiteRequest&, loopback::SiteResponse&) {
        kill(getpid(), signalNumber);
    });
    const std::string base = "https://" + std::string(site::kHost);
    try {
        QuilletApi::genEpub(site.client(), saveFolder,
                            SearchResult{"书", "某", *Url::parse(base + "/no-cover"), *Url::parse(base + "/book/"),
                                         ResultType::vorune},
                            std::nullopt, {});
    } catch (...) {
        _exit(2);
    }
    _exit(0);
}

TEST(SignalCleanup, ASignalDuringTheDownloadTakesBackTheFoldersTheRunMade) {
    testing::TemporaryFolder parent;
    fs::create_directory(parent / "existing");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) downloadAndReceive(parent / "existing" / "new" / "deeper", SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(parent.entries(), std::vector<std::string>{"existing"});
    EXPECT_TRUE(fs::is_empty(parent / "existing"));
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
    epub::removeRunFoldersForSignal();
    EXPECT_TRUE(fs::exists(kept));
}

}  // namespace
}  // namespace novawick
