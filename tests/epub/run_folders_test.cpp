// The run's own folders in the user's save folder: the save folder is made with its missing parents and
// taken back when the run fails.
#include "QuilletApi/errors.h"
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "demo/loopback_site.h"
#include "epub/save_folder.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

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
    site.installSeam();
    serveBook(site);
    TemporaryFolder parent;
    QuilletApi::genEpub(parent / "books/new", hit(), std::nullopt, {});
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
    site.installSeam();
    serveBook(site);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TemporaryFolder parent;
        touch(parent / "a-file");
        std::string typed = c.typed;
        if (typed.starts_with("@")) typed.replace(0, 1, parent.path().string());
        try {
            QuilletApi::genEpub(typed, hit(), std::nullopt, {});
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
        site.installSeam();
        serveBook(site);
        const fs::path intruder = c.intruder ? parent / c.intruder : fs::path();
        site.get(kFailingChapter, [&](const loopback::SiteRequest&, loopback::SiteResponse& response) {
            if (!intruder.empty()) touch(intruder);
            response.status = 500;
        });
        EXPECT_THROW(QuilletApi::genEpub(parent / "a/b/c", hit(), std::nullopt, {}), EmptyError);
        EXPECT_EQ(tree(parent.path()), c.after);
    }
}

}  // namespace
}  // namespace novawick
