// The run's own folders in the user's save folder: the save folder is made with its missing parents and
// taken back when the run fails; the work folders of killed runs are removed by the next run, never a live
// run's and never one that merely looks like one.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "demo/loopback/loopback_site.h"
#include "epub/save_folder.h"
#include "epub/work_folder.h"
#include "pages/errors.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>

namespace novawick {
namespace {

namespace fs = std::filesystem;
using loopback::LoopbackSite;
using testing::TemporaryFolder;

const std::string kBase = "https://" + std::string(site::kHost);
const std::string kFailingChapter = "/c/2.html";

// Every path below `root`, relative to it; folders end in "/". Links are listed, not followed.
std::set<std::string> tree(const fs::path& root) {
    std::set<std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        std::string name = entry.path().lexically_relative(root).string();
        entries.insert(entry.is_directory() && !entry.is_symlink() ? name + "/" : name);
    }
    return entries;
}

void touch(const fs::path& file) { std::ofstream(file) << "x"; }

void serveBook(LoopbackSite& site) {
    site.serve("/book/", testing::bookPage("/read/"));
    site.serve("/read/", testing::entryPage({"/list/"}));
    site.serve("/list/", testing::listPage({{"第一章", "/c/1.html"}, {"第二章", kFailingChapter}}));
    site.serve("/c/1.html", testing::chapterPage({"一"}, "下一章", "/"));
    site.serve(kFailingChapter, testing::chapterPage({"二"}, "下一章", "/"));
}

SearchResult hit() {
    return SearchResult{"书", "某", *Url::parse(kBase + "/no-cover"), *Url::parse(kBase + "/book/"), ResultType::vorune};
}

// Runs a test body with the working folder set to `folder`.
class InWorkingFolder {
public:
    explicit InWorkingFolder(const fs::path& folder) : before_(fs::current_path()) { fs::current_path(folder); }
    ~InWorkingFolder() { fs::current_path(before_); }
    InWorkingFolder(const InWorkingFolder&) = delete;
    InWorkingFolder& operator=(const InWorkingFolder&) = delete;

private:
    fs::path before_;
};

TEST(SaveFolder, TheTypedPathIsMadeWithItsMissingParentsAndTakenBackUnlessKept) {
    struct Case {
        const char* typed;  // relative to the working folder
        const char* folder;
        std::set<std::string> made;
    } cases[] = {
        {"", "", {}},
        {"existing", "existing", {}},
        {"new", "new", {"new/"}},
        {"a/b/c/", "a/b/c", {"a/", "a/b/", "a/b/c/"}},
        {"existing/x/../y", "existing/y", {"existing/y/"}},
        {"./existing//z", "existing/z", {"existing/z/"}},
    };
    for (const Case& c : cases) {
        for (bool keep : {false, true}) {
            SCOPED_TRACE(std::string(c.typed) + (keep ? ", kept" : ", taken back"));
            TemporaryFolder working;
            fs::create_directory(working / "existing");
            InWorkingFolder inside(working.path());
            const std::set<std::string> before = tree(working.path());
            {
                epub::SaveFolder folder{fs::path(c.typed)};
                EXPECT_EQ(folder.path(), fs::canonical(working.path() / c.folder));
                std::set<std::string> expected = before;
                expected.insert(c.made.begin(), c.made.end());
                EXPECT_EQ(tree(working.path()), expected);
                if (keep) folder.keep();
            }
            std::set<std::string> expected = before;
            if (keep) expected.insert(c.made.begin(), c.made.end());
            EXPECT_EQ(tree(working.path()), expected);
        }
    }
}

TEST(GenEpubFolders, ABookIsSavedIntoAFolderThatDidNotExist) {
    LoopbackSite site({std::string(site::kHost)});
    serveBook(site);
    TemporaryFolder parent;
    QuilletApi::genEpub(site.client(), parent / "books/new", hit(), std::nullopt, {});
    EXPECT_EQ(tree(parent.path()), (std::set<std::string>{"books/", "books/new/", "books/new/书.epub"}));
}

TEST(GenEpubFolders, ASaveFolderThatCannotBeHadFailsBeforeTheFirstRequest) {
    struct Case {
        std::string typed;  // "@" stands for the parent folder
        std::string_view error;
    } cases[] = {
        {"@/a-file", epub::kSaveFolderIsNotAFolder},
        {"@/a-file/below", epub::kSaveFolderIsNotAFolder},
        {"@/new/" + std::string(300, 'n'), epub::kCannotCreateSaveFolder},
        {"/sys/novawick-cannot-be-made", epub::kCannotCreateSaveFolder},
        {std::string("@/new\0below", 11), epub::kCannotCreateSaveFolder},
    };
    LoopbackSite site({std::string(site::kHost)});
    serveBook(site);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TemporaryFolder parent;
        touch(parent / "a-file");
        std::string typed = c.typed;
        if (typed.starts_with("@")) typed.replace(0, 1, parent.path().string());
        try {
            QuilletApi::genEpub(site.client(), typed, hit(), std::nullopt, {});
            ADD_FAILURE() << "saved";
        } catch (const fs::filesystem_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
            EXPECT_EQ(error.path1(), typed);
        }
        EXPECT_EQ(site.requestsServed(), 0u);
        EXPECT_EQ(tree(parent.path()), std::set<std::string>{"a-file"});
    }
}

TEST(GenEpubFolders, AFailedRunTakesBackExactlyTheFoldersItMade) {
    struct Case {
        const char* label;
        std::set<std::string> before;  // folders that exist before the run
        const char* intruder;          // a file the user puts in meanwhile, or nothing
        std::set<std::string> after;
    } cases[] = {
        {"all made by the run", {}, nullptr, {}},
        {"the top one was there", {"a/"}, nullptr, {"a/"}},
        {"a file put into a made folder meanwhile", {}, "a/mine.txt", {"a/", "a/mine.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TemporaryFolder parent;
        for (const std::string& folder : c.before) fs::create_directory(parent / folder);
        LoopbackSite site({std::string(site::kHost)});
        serveBook(site);
        const fs::path intruder = c.intruder ? parent / c.intruder : fs::path();
        site.get(kFailingChapter, [&](const loopback::SiteRequest&, loopback::SiteResponse& response) {
            if (!intruder.empty()) touch(intruder);
            response.status = 500;
        });
        EXPECT_THROW(QuilletApi::genEpub(site.client(), parent / "a/b/c", hit(), std::nullopt, {}), pages::EmptyError);
        EXPECT_EQ(tree(parent.path()), c.after);
    }
}

// What a run killed with SIGKILL leaves: its work folder with a chapter in it, and the lock file that
// nobody holds any more.
fs::path killedRunsWorkFolder(const fs::path& inside) {
    int pathPipe[2];
    if (pipe(pathPipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        epub::WorkFolder work(inside);
        touch(work.path() / "chapter.json");
        const std::string path = work.path().string();
        if (write(pathPipe[1], path.data(), path.size()) < 0) _exit(1);
        raise(SIGKILL);
    }
    close(pathPipe[1]);
    char buffer[4096];
    const ssize_t length = read(pathPipe[0], buffer, sizeof buffer);
    close(pathPipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (length <= 0 || !WIFSIGNALED(status)) throw std::runtime_error("the run was not killed as planned");
    return fs::path(std::string(buffer, static_cast<std::size_t>(length)));
}

TEST(WorkFolders, TheNextRunRemovesWhatAKilledRunLeft) {
    TemporaryFolder save;
    const fs::path left = killedRunsWorkFolder(save.path());
    ASSERT_TRUE(fs::exists(left / "chapter.json"));
    ASSERT_TRUE(fs::exists(left / epub::kWorkFolderLockName));

    LoopbackSite site({std::string(site::kHost)});
    serveBook(site);
    QuilletApi::genEpub(site.client(), save.path(), hit(), std::nullopt, {});
    EXPECT_EQ(tree(save.path()), std::set<std::string>{"书.epub"});
}

TEST(WorkFolders, OnlyMarkedFoldersThatNobodyHoldsAreRemoved) {
    TemporaryFolder save;
    TemporaryFolder elsewhere;
    const std::string lock(epub::kWorkFolderLockName);
    auto marked = [&](const fs::path& folder) {
        fs::create_directory(folder);
        touch(folder / lock);
    };
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> lookalikes = {
        {".novawick-NoLock", [](const fs::path& f) { fs::create_directories(f / "book"); }},
        {".novawick-Linked", [&](const fs::path& f) {
             fs::create_directory(f);
             touch(elsewhere / "target");
             fs::create_symlink(elsewhere / "target", f / lock);
         }},
        {".novawick-Folder", [&](const fs::path& f) { fs::create_directories(f / lock); }},
        {".novawick-Fifo01", [&](const fs::path& f) {
             fs::create_directory(f);
             mkfifo((f / lock).c_str(), 0600);
         }},
        {".novawick-short", marked},
        {".novawick-toolong", marked},
        {".novawick-Ab_2cd", marked},
        {"novawick-Ab12cd", marked},
        {".novawick-Link01", [&](const fs::path& f) {
             marked(elsewhere / "abandoned");
             fs::create_directory_symlink(elsewhere / "abandoned", f);
         }},
        {".novawick-File01", [](const fs::path& f) { touch(f); }},
    };
    for (const auto& [name, make] : lookalikes) make(save / name);
    epub::WorkFolder live(save.path());
    touch(live.path() / "chapter.json");
    const std::set<std::string> kept = tree(save.path());
    const std::set<std::string> elsewhereBefore = tree(elsewhere.path());

    const fs::path abandoned = save / ".novawick-Gone01";
    marked(abandoned);
    fs::create_directories(abandoned / "book" / "OPS");
    touch(abandoned / "book" / "OPS" / "chapter-1.xhtml");
    touch(abandoned / "0C1D.json");

    EXPECT_EQ(epub::removeAbandonedWorkFolders(save.path()), 1u);
    EXPECT_EQ(tree(save.path()), kept);
    EXPECT_EQ(tree(elsewhere.path()), elsewhereBefore);
}

}  // namespace
}  // namespace novawick
