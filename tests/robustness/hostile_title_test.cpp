// Book titles are the site's text, and they name the file written into the user's folder. Whatever the
// title, a save must write exactly one regular file directly inside the save folder, with a name that a
// file system takes, and nothing anywhere else.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "demo/loopback/loopback_site.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/robustness/save_folder.h"

#include <gtest/gtest.h>

namespace novawick {
namespace {

namespace fs = std::filesystem;

const std::string kBase = "https://" + std::string(site::kHost);

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(HostileTitles, EveryTitleGivesOneSafeBookFileInsideTheSaveFolder) {
    loopback::LoopbackSite site({std::string(site::kHost)});
    site.serve("/book/", testing::bookPage("/read/"));
    site.serve("/read/", testing::entryPage({"/list/"}));
    site.serve("/list/", testing::listPage({{"第一章", "/c/1.html"}}));
    site.serve("/c/1.html", testing::chapterPage({"一"}, "下一章", "/"));

    const std::string titles[] = {
        repeated("长", 1000),
        repeated("a", 1000),
        repeated("a", 251) + "长",  // a character straddling the name-length limit
        "..",
        ".",
        "",
        "../../escaped",
        "/",
        "/etc/passwd",
        "a/b/../c",
        "C:\\Windows\\x",
        std::string("nul\0inside", 10),
        "\x01\x02\x1b[31mred\x1b[0m\n\r\t\x7f",
        "\xc2\x85\xc2\x9f C1 controls",
        "\xff\xfe not UTF-8 \xc3",
        " leading and trailing ",
        " \t\u3000",
        "abc\u202Etxt.exe\u2066",
        "-rf",
        "name.epub",
        "~",
        "$HOME`id`",
    };
    for (const std::string& title : titles) {
        SCOPED_TRACE(::testing::PrintToString(title));
        testing::SaveFolder folder;
        const auto before = folder.snapshot();
        const SearchResult hit{title, "某", *Url::parse(kBase + "/no-cover"), *Url::parse(kBase + "/book/"),
                               ResultType::vorune};
        ASSERT_NO_THROW(QuilletApi::genEpub(site.client(), folder.path(), hit, std::nullopt, {}));

        auto after = folder.snapshot();
        std::vector<std::string> added;
        for (const auto& [name, size] : after) {
            if (!before.contains(name)) added.push_back(name);
        }
        ASSERT_EQ(added.size(), 1u) << ::testing::PrintToString(added);
        const fs::path book = fs::path(added[0]);
        EXPECT_EQ(book.parent_path(), "save");
        const std::string name = book.filename().string();
        EXPECT_TRUE(name.ends_with(".epub"));
        EXPECT_LE(name.size(), 255u);
        EXPECT_EQ(name.find('/'), std::string::npos);
        EXPECT_EQ(name.find('\0'), std::string::npos);
        for (const char c : name) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << "control byte in the file name";
        EXPECT_EQ(name.find("\u202E"), std::string::npos) << "bidirectional control in the file name";
        EXPECT_EQ(name.find("\u2066"), std::string::npos) << "bidirectional control in the file name";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder.path() / name)));
        EXPECT_GT(after[added[0]], 0u);
    }
}

}  // namespace
}  // namespace novawick
