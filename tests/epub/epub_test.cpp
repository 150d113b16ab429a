// Books written end to end from a loopback site and checked by outside readers: the EPUB validator,
// Python's zipfile and XML parser. Also what the save folder holds before and after, on success and failure.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "demo/loopback/loopback_site.h"
#include "epub/book_file.h"
#include "epub/cover_image.h"
#include "epub/epub_gen.h"
#include "epub/titles.h"
#include "epub/xml_text.h"
#include "pages/errors.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temporary_folder.h"
#include "zip/zip_error.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <set>

namespace novawick {
namespace {

namespace fs = std::filesystem;
using loopback::LoopbackSite;
using testing::TemporaryFolder;

const std::string kHost(site::kHost);
const std::string kBase = "https://" + kHost;

const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9c"
                       "c\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d\0\0\0\0IEND\xae" "B`\x82", 70);
// A baseline JPEG of one grey 8x8 block: unit quantisation, one-symbol Huffman tables, DC 0 then EOB.
std::string jpeg() {
    std::string bytes("\xff\xd8\xff\xdb\x00\x43\x00", 7);
    bytes.append(64, '\x01');
    bytes.append("\xff\xc0\x00\x0b\x08\x00\x08\x00\x08\x01\x01\x11\x00", 13);
    for (char tableClass : {'\x00', '\x10'}) {
        bytes.append("\xff\xc4\x00\x14", 4);
        bytes += tableClass;
        bytes += '\x01';
        bytes.append(15, '\x00');
        bytes += '\x00';
    }
    bytes.append("\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00\x3f\xff\xd9", 14);
    return bytes;
}
const std::string kJpeg = jpeg();

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    std::size_t count;
    while ((count = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), count);
    pclose(pipe);
    return output;
}

std::string shellQuoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string epubcheck(const fs::path& book) {
    return run("java -jar /usr/share/java/epubcheck.jar " + shellQuoted(book) + " 2>&1");
}

nlohmann::json readBack(const fs::path& book) {
    std::string script = NOVAWICK_SOURCE_DIR "/tests/epub/read_back.py";
    return nlohmann::json::parse(run("python3 " + shellQuoted(script) + " " + shellQuoted(book)));
}


struct Chapter {
    std::string title;
    std::vector<std::string> served;    // paragraphs as the page holds them
    std::vector<std::string> expected;  // lines as a reader shows them
    std::string shownTitle = {};        // the title a reader shows, when not `title`
};

void serveBook(LoopbackSite& site, const std::vector<Chapter>& chapters, const std::string& cover) {
    std::vector<std::pair<std::string, std::string>> links;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        std::string path = "/c/" + std::to_string(i) + ".html";
        links.emplace_back(chapters[i].title, path);
        site.serve(path, testing::chapterPage(chapters[i].served, "下一章", "/"));
    }
    site.serve("/book/", testing::bookPage("/read/"));
    site.serve("/read/", testing::entryPage({"/list/"}));
    site.serve("/list/", testing::listPage(links));
    site.serve("/cover", cover, "application/octet-stream");
}

SearchResult hit(const std::string& name, const std::string& author, const std::string& coverPath = "/cover") {
    return SearchResult{name, author, *Url::parse(kBase + coverPath), *Url::parse(kBase + "/book/"), ResultType::vorune};
}

std::vector<Chapter> plainChapters(std::size_t count) {
    std::vector<Chapter> chapters;
    for (std::size_t i = 1; i <= count; ++i) {
        std::string line = "第" + std::to_string(i) + "章的文字";
        chapters.push_back({"第" + std::to_string(i) + "章", {line, "二"}, {line, "二"}});
    }
    return chapters;
}

void expectValidBook(const fs::path& book, const std::string& title, const std::string& author,
                     const std::vector<Chapter>& chapters, const std::string& cover) {
    std::string report = epubcheck(book);
    EXPECT_NE(report.find("No errors or warnings detected"), std::string::npos) << report;
    nlohmann::json summary = readBack(book);
    EXPECT_TRUE(summary["errors"].empty()) << summary["errors"].dump();
    ASSERT_FALSE(summary["entries"].empty());
    EXPECT_EQ(summary["entries"][0]["name"], "mimetype");
    EXPECT_EQ(summary["entries"][0]["method"], 0);
    EXPECT_EQ(summary["entries"][0]["extra"], 0);
    EXPECT_EQ(summary["mimetype"], "application/epub+zip");
    for (std::size_t i = 1; i < summary["entries"].size(); ++i) EXPECT_EQ(summary["entries"][i]["method"], 8);
    EXPECT_EQ(summary["title"], title);
    EXPECT_EQ(summary["language"], "zh");
    if (author.find_first_not_of(' ') == std::string::npos) {  // no creator rather than an empty one
        EXPECT_TRUE(summary["creator"].is_null());
    } else {
        EXPECT_EQ(summary["creator"], author);
    }
    ASSERT_EQ(summary["chapters"].size(), chapters.size());
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const std::string& shown = chapters[i].shownTitle.empty() ? chapters[i].title : chapters[i].shownTitle;
        EXPECT_EQ(summary["chapters"][i]["title"], shown) << i;
        EXPECT_EQ(summary["chapters"][i]["lines"].get<std::vector<std::string>>(), chapters[i].expected) << i;
    }
    if (cover.empty()) {
        EXPECT_FALSE(summary.contains("cover"));
    } else {
        ASSERT_TRUE(summary.contains("cover"));
        std::string hex;
        for (const char c : cover) {
            const auto byte = static_cast<unsigned char>(c);
            static constexpr char kDigits[] = "0123456789abcdef";
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 15];
        }
        EXPECT_EQ(summary["cover"]["bytes"], hex);
    }
}

TEST(EpubText, EscapesAndDropsWhatXmlCannotHold) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"Tom & Jerry <1>", "Tom &amp; Jerry &lt;1&gt;"},
        {"say \"hi\" 'x'", "say &quot;hi&quot; 'x'"},
        {std::string("a\x01" "b\x1f" "c\t\n\r", 8), "abc\t\n\r"},
        {"x\xef\xbf\xbe\xef\xbf\xbfy", "xy"},
        {"lone \xed\xa0\x80 surrogate \xff", "lone  surrogate "},
        {"中文 &amp;", "中文 &amp;amp;"},
        {std::string("中\0文<", 8), "中文&lt;"},
        {"ab\xe4\xb8", "ab"},
    };
    for (const Case& c : cases) EXPECT_EQ(epub::xmlEscape(c.in), c.out) << c.in;
}

TEST(EpubText, TemplatesAreFilledInOnePass) {
    std::string text = "<t>$(a)</t><u>$(b)</u>$(a)$(unknown)";
    epub::fillTemplate(text, {{"a", "$(b)"}, {"b", "B"}});
    EXPECT_EQ(text, "<t>$(b)</t><u>B</u>$(b)$(unknown)");
}

TEST(EpubText, BookNamesBecomeOneSafeFileName) {
    std::string longName;
    for (int i = 0; i < 100; ++i) longName += "长";
    struct Case {
        std::string name;
        std::string file;
    } cases[] = {
        {"三体", "三体"}, {"A/B", "A_B"}, {"../x", ".._x"}, {"..", "_.."}, {".", "_."}, {"", "book"},
        {std::string("a\0b\x1b[1m\xc2\x85", 9), "a_b_[1m"}, {"C:\\x", "C:_x"},
        // The title's fallback, and no blanks at the ends.
        {"   ", "book"}, {"\x01\t", "book"}, {" \u3000三体 体\u00a0", "三体 体"},
        // Bidirectional controls would reorder the name as shown: "abc\u202Etxt.exe" reads "abcexe.txt".
        {"abc\u202Etxt.exe", "abc_txt.exe"}, {"\u202A\u202B\u202C\u202D\u202E", "_____"},
        {"\u2066x\u2067y\u2068z\u2069", "_x_y_z_"}, {"a\u2065b\u202Fc", "a\u2065b\u202Fc"},
    };
    for (const Case& c : cases) EXPECT_EQ(epub::safeBookFileName(c.name), c.file);
    std::string cut = epub::safeBookFileName(longName);
    EXPECT_LE(cut.size() + 5, 255u);
    EXPECT_EQ(cut.size() % 3, 0u);  // whole characters only
}

TEST(EpubText, TitlesThatShowNothingGetAVisibleFallback) {
    struct Case {
        std::string title;
        bool shows;
    } cases[] = {
        {"", false}, {" \t\r\n", false}, {"\u3000\u00a0\u2028\u0085", false}, {"\x01\x1f\xef\xbf\xbf", false},
        {"\xff\xfe", false}, {"\xed\xa0\x80", false}, {"x", true}, {" 三 ", true}, {"&", true}, {"\u200b", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(epub::bookTitle(c.title), c.shows ? c.title : "book") << c.title;
        EXPECT_EQ(epub::chapterTitle(c.title, 12), c.shows ? c.title : "第12章") << c.title;
    }
}

TEST(EpubText, CoversAreRecognisedByTheirBytes) {
    EXPECT_EQ(epub::recogniseCover(kPng)->fileName, "cover.png");
    EXPECT_EQ(epub::recogniseCover(kJpeg)->mediaType, "image/jpeg");
    EXPECT_EQ(epub::recogniseCover("GIF89a....")->fileName, "cover.gif");
    EXPECT_FALSE(epub::recogniseCover("<html>not found</html>"));
    EXPECT_FALSE(epub::recogniseCover("RIFF\0\0\0\0WEBPVP8 "));
    EXPECT_FALSE(epub::recogniseCover(""));
}

struct BookCase {
    const char* label;
    std::string name;
    std::string shownName;
    std::string author;
    std::vector<Chapter> chapters;
    std::string cover;          // bytes served at the cover address
    std::string expectedCover;  // bytes expected in the book ("" for none)
};

TEST(Epub, BooksPassTheValidatorAndReadBackAsServed) {
    std::vector<BookCase> cases = {
        {"plain, PNG", "三体", "三体", "刘慈欣", plainChapters(3), kPng, kPng},
        {"markup in texts, JPEG", "Tom & Jerry <1> \"q\"", "Tom & Jerry <1> \"q\"", "A & B",
         {{"Tom & Jerry <1>", {"a &amp; b &lt;c&gt;", std::string("ctl\x01x\x1f", 6)}, {"a & b <c>", "ctlx"}}},
         kJpeg, kJpeg},
        {"no chapters, HTML cover", "空书", "空书", "", {}, "<html><body>404</body></html>", ""},
        {"one chapter", "一章", "一章", "某", plainChapters(1), kPng, kPng},
        {"300 chapters", "长篇", "长篇", "某", plainChapters(300), kJpeg, kJpeg},
        // Titles that show nothing, as written or once escaping drops what XML cannot hold.
        {"blank names", " \t\u3000", "book", "   ",
         {{"", {"一"}, {"一"}, "第1章"}, {"&#1;\x02", {"二"}, {"二"}, "第2章"}, {"\u3000", {"三"}, {"三"}, "第3章"},
          {"四", {"四"}, {"四"}}},
         kPng, kPng},
        {"a name dropped by escaping, no chapters", "\x01\xff", "book", "", {}, kPng, kPng},
    };
    for (const BookCase& c : cases) {
        SCOPED_TRACE(c.label);
        LoopbackSite site({kHost});
        serveBook(site, c.chapters, c.cover);
        TemporaryFolder save;
        QuilletApi::genEpub(site.client(), save.path(), hit(c.name, c.author), std::nullopt, {});
        std::string file = epub::safeBookFileName(c.shownName) + ".epub";
        EXPECT_EQ(save.entries(), std::vector<std::string>{file});
        expectValidBook(save.path() / file, c.shownName, c.author, c.chapters, c.expectedCover);
    }
}

TEST(Epub, ProgressOfAFourChapterBook) {
    LoopbackSite site({kHost});
    serveBook(site, plainChapters(4), kPng);
    TemporaryFolder save;
    std::vector<double> values;
    QuilletApi::genEpub(site.client(), save.path(), hit("四章", "某"), std::nullopt,
                        [&](double value) { values.push_back(value); });
    std::vector<double> download = {0.05, 0.05 + 0.45 / 4, 0.05 + 0.9 / 4, 0.05 + 1.35 / 4, 0.5};
    std::vector<double> chapters = {0.6125, 0.725, 0.8375, 0.95};
    ASSERT_GE(values.size(), download.size() + chapters.size() + 2);
    for (std::size_t i = 0; i < download.size(); ++i) EXPECT_NEAR(values[i], download[i], 1e-12) << i;
    for (std::size_t i = 0; i < chapters.size(); ++i) EXPECT_NEAR(values[download.size() + i], chapters[i], 1e-12);
    for (std::size_t i = download.size() + chapters.size(); i + 2 < values.size(); ++i) {
        EXPECT_GE(values[i], 0.95);
        EXPECT_LT(values[i], 1.0);
    }
    EXPECT_EQ(values[values.size() - 2], 1.0);
    EXPECT_EQ(values.back(), 1.0);
    for (std::size_t i = 1; i < values.size(); ++i) EXPECT_GE(values[i], values[i - 1]);
}

TEST(Epub, TheUsersFilesAreNeverTouched) {
    LoopbackSite site({kHost});
    serveBook(site, plainChapters(2), kPng);
    TemporaryFolder save;
    fs::create_directory(save.path() / "书");
    std::FILE* note = std::fopen((save.path() / "书" / "note.txt").c_str(), "w");
    std::fputs("mine", note);
    std::fclose(note);
    std::FILE* zip = std::fopen((save.path() / "书.zip").c_str(), "w");
    std::fputs("zip", zip);
    std::fclose(zip);

    QuilletApi::genEpub(site.client(), save.path(), hit("书", "某"), std::nullopt, {});
    EXPECT_EQ(save.entries(), (std::vector<std::string>{"书", "书.epub", "书.zip"}));
    EXPECT_EQ(fs::file_size(save.path() / "书.zip"), 3u);
    EXPECT_TRUE(fs::exists(save.path() / "书" / "note.txt"));

    // A second run must not replace the book, and must fail before downloading anything.
    std::uintmax_t size = fs::file_size(save.path() / "书.epub");
    std::size_t served = site.requestsServed();
    EXPECT_THROW(QuilletApi::genEpub(site.client(), save.path(), hit("书", "某"), std::nullopt, {}),
                 fs::filesystem_error);
    EXPECT_EQ(site.requestsServed(), served);
    EXPECT_EQ(fs::file_size(save.path() / "书.epub"), size);
    EXPECT_EQ(save.entries(), (std::vector<std::string>{"书", "书.epub", "书.zip"}));
}

TEST(Epub, AFailureLeavesNothingBehind) {
    LoopbackSite site({kHost});
    serveBook(site, plainChapters(3), kPng);
    site.get("/c/1.html", [](const loopback::SiteRequest&, loopback::SiteResponse& response) { response.status = 500; });
    TemporaryFolder save;
    EXPECT_ANY_THROW(QuilletApi::genEpub(site.client(), save.path(), hit("书", "某"), std::nullopt, {}));
    EXPECT_TRUE(save.entries().empty());
    // The save folder the run made goes with the failure.
    EXPECT_THROW(QuilletApi::genEpub(site.client(), save.path() / "missing", hit("书", "某"), std::nullopt, {}),
                 pages::EmptyError);
    EXPECT_TRUE(save.entries().empty());
}

TEST(Epub, ACoverThatCannotBeHadGivesABookWithoutOne) {
    LoopbackSite site({kHost});
    std::vector<Chapter> chapters = plainChapters(1);
    serveBook(site, chapters, kPng);
    for (const char* coverPath : {"/missing-cover", "/book/"}) {
        TemporaryFolder save;
        QuilletApi::genEpub(site.client(), save.path(), hit("书", "某", coverPath), std::nullopt, {});
        expectValidBook(save.path() / "书.epub", "书", "某", chapters, "");
    }
    // Not fetched at all: a local file, or an address carrying credentials for the site.
    for (const std::string& address : {std::string("file:///etc/passwd"), "https://user:secret@" + kHost + "/cover"}) {
        TemporaryFolder save;
        SearchResult unusable = hit("书", "某");
        unusable.preview = *Url::parse(address);
        QuilletApi::genEpub(site.client(), save.path(), unusable, std::nullopt, {});
        expectValidBook(save.path() / "书.epub", "书", "某", chapters, "");
    }
}

TEST(Epub, AWriteFailureWhilePackingNamesTheBookFile) {
    // Chapters of scattered CJK characters, which deflate barely shrinks: each chapter file stays below
    // the limit, the archive of all of them does not.
    constexpr std::uint64_t kFileSizeLimit = 64 * 1024;
    std::vector<Content> chapters;
    std::uint32_t seed = 1;
    for (int number = 1; number <= 6; ++number) {
        std::string line;
        for (int i = 0; i < 12000; ++i) {
            seed = seed * 1103515245u + 12345u;
            const std::uint32_t code = 0x4e00 + (seed >> 8) % 20000;
            line += static_cast<char>(0xe0 | (code >> 12));
            line += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
            line += static_cast<char>(0x80 | (code & 0x3f));
        }
        chapters.emplace_back("第" + std::to_string(number) + "章", std::vector<std::string>{line}, std::nullopt);
    }
    SearchResult book = hit("书", "某");
    book.preview = *Url::parse("file:///etc/passwd");  // no cover, and nothing fetched
    TemporaryFolder save;
    std::string detail = testing::runWithFileSizeLimit(kFileSizeLimit, [&] {
        try {
            epub::EpubGen(chapters, book, "B3F1A0E2-0000-4000-8000-000000000000").generate(save.path(), {});
        } catch (const zip::ZipException& failure) {
            return failure.detail();
        }
        return std::string("saved");
    });
    EXPECT_EQ(detail, "writing " + (save.path() / "书.epub").string() + ": " + std::generic_category().message(EFBIG));
    EXPECT_TRUE(save.entries().empty());
}

}  // namespace
}  // namespace novawick
