// The demo site on its own and under the real site client: the library has the books the demo promises,
// the covers are valid PNG files, the search form is decoded as a server would, and every page is in the
// structure the client reads, so that search, introduction and chapter download give back exactly the
// book model. Injected faults make the client fail the way a broken real site would.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "base/utf8.h"
#include "demo/cover_picture.h"
#include "demo/demo_pages.h"
#include "demo/demo_site.h"
#include "net/fetch.h"
#include "pages/errors.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <set>

namespace novawick::demo {
namespace {

std::uint32_t bigEndian(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

const SampleBook& bookWithSlug(std::string_view slug) {
    for (const SampleBook& book : sampleBooks()) {
        if (book.slug == slug) return book;
    }
    throw std::runtime_error("no sample book " + std::string(slug));
}

TEST(SampleBooks, TheLibraryHoldsWhatTheDemoPromises) {
    const auto& books = sampleBooks();
    ASSERT_GE(books.size(), 5u);
    ASSERT_LE(books.size(), 6u);
    std::set<std::string> slugs;
    std::size_t withPagedChapters = 0;
    std::size_t longest = 0;
    for (const SampleBook& book : books) {
        EXPECT_TRUE(slugs.insert(book.slug).second) << book.slug;
        EXPECT_FALSE(book.introduction.empty()) << book.slug;
        longest = std::max(longest, book.chapters.size());
        bool paged = false;
        for (const SampleChapter& chapter : book.chapters) paged = paged || chapter.pages.size() > 1;
        withPagedChapters += paged ? 1 : 0;
    }
    EXPECT_EQ(longest, 300u);
    EXPECT_GE(withPagedChapters, 2u);
    EXPECT_NE(bookWithSlug("xinghai").title.find_first_of("&"), std::string::npos);
    EXPECT_NE(bookWithSlug("xinghai").title.find_first_of("<"), std::string::npos);
    EXPECT_NE(bookWithSlug("daoyujian").title.find('/'), std::string::npos);
}

// The client trims and collapses white space and drops furniture: book text must be immune to both, or
// the end-to-end comparison would compare the client's cleaning rather than the book.
TEST(SampleBooks, TextSurvivesTheClientsCleaningUnchanged) {
    auto clean = [](const std::string& text) {
        return !text.empty() && utf8::isValid(text) && text.front() != ' ' && text.back() != ' ' &&
               text.find("  ") == std::string::npos && text.find_first_of("\t\r\n") == std::string::npos &&
               text.find("content>") == std::string::npos && text != kSiteNoiseParagraph;
    };
    for (const SampleBook& book : sampleBooks()) {
        EXPECT_TRUE(clean(book.title) && clean(book.author)) << book.slug;
        for (const std::string& line : book.introduction) EXPECT_TRUE(clean(line)) << book.slug;
        for (const SampleChapter& chapter : book.chapters) {
            EXPECT_TRUE(clean(chapter.title)) << chapter.title;
            for (const std::string& paragraph : chapter.paragraphs()) EXPECT_TRUE(clean(paragraph)) << paragraph;
        }
    }
}

TEST(CoverPicture, IsAValidPngOfTheBooksColours) {
    std::set<std::string> distinct;
    for (const SampleBook& book : sampleBooks()) {
        std::string png = coverPicture(book);
        EXPECT_EQ(png, coverPicture(book)) << "covers are reproducible";
        distinct.insert(png);
        ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        std::vector<std::string> types;
        std::string idat;
        for (std::size_t at = 8; at < png.size();) {
            ASSERT_LE(at + 12, png.size());
            std::uint32_t length = bigEndian(png, at);
            ASSERT_LE(at + 12 + length, png.size());
            std::string_view typed = std::string_view(png).substr(at + 4, 4 + length);
            uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(typed.data()),
                              static_cast<uInt>(typed.size()));
            EXPECT_EQ(bigEndian(png, at + 8 + length), crc) << typed.substr(0, 4);
            types.emplace_back(typed.substr(0, 4));
            if (types.back() == "IHDR") {
                EXPECT_EQ(bigEndian(png, at + 8), kCoverWidth);
                EXPECT_EQ(bigEndian(png, at + 12), kCoverHeight);
                EXPECT_EQ(png.substr(at + 16, 5), std::string("\x08\x02\x00\x00\x00", 5));
            }
            if (types.back() == "IDAT") idat += typed.substr(4);
            at += 12 + length;
        }
        EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        std::string rows(kCoverHeight * (1 + 3 * kCoverWidth) + 1, '\0');
        uLongf rowsSize = static_cast<uLongf>(rows.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(rows.data()), &rowsSize,
                             reinterpret_cast<const Bytef*>(idat.data()), static_cast<uLong>(idat.size())),
                  Z_OK);
        ASSERT_EQ(rowsSize, kCoverHeight * (1 + 3 * kCoverWidth));
        EXPECT_EQ(rows[0], '\0');
        EXPECT_EQ(static_cast<unsigned char>(rows[1]), book.coverColour >> 16);
        EXPECT_EQ(static_cast<unsigned char>(rows[3]), book.coverColour & 0xFF);
    }
    EXPECT_EQ(distinct.size(), sampleBooks().size());
}

TEST(SearchForm, FieldsArePercentDecoded) {
    struct Case {
        std::string_view body;
        std::optional<std::string> searchkey;
    } cases[] = {
        {"show=writer,title&searchkey=%E6%9E%97&Submit22=%E6%90%9C%E7%B4%A2", "林"},
        {"searchkey=a%20b+c%2B%26%3D", "a b c+&="},
        {"searchkey=&show=x", ""},
        {"show=x&searchkey", ""},
        {"search%6Bey=x", "x"},  // the key is decoded too
        {"show=searchkey", std::nullopt},
        {"", std::nullopt},
        {"searchkey=%4", std::nullopt},
        {"searchkey=%G0", std::nullopt},
        {"searchkey=%", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(formField(c.body, "searchkey"), c.searchkey) << c.body;
}

TEST(SearchForm, MatchesTitleOrAuthorSubstring) {
    auto slugsOf = [](std::string_view term) {
        std::vector<std::string> slugs;
        for (const SampleBook* book : findBooks(term)) slugs.push_back(book->slug);
        return slugs;
    };
    EXPECT_EQ(findBooks("").size(), sampleBooks().size());
    EXPECT_EQ(slugsOf("林晚舟"), (std::vector<std::string>{"qingshi", "wugang"}));
    EXPECT_EQ(slugsOf("<回声> &"), (std::vector<std::string>{"xinghai"}));
    EXPECT_EQ(slugsOf("/"), (std::vector<std::string>{"daoyujian"}));
    EXPECT_EQ(slugsOf("长河"), (std::vector<std::string>{"changhe"}));
    EXPECT_TRUE(slugsOf("不存在的书").empty());
}

TEST(DemoPages, EscapeEverythingMarkupCouldRead) {
    EXPECT_EQ(escapeHtml("星海<回声> & \"归途\" 'x'"), "星海&lt;回声&gt; &amp; &quot;归途&quot; &#39;x&#39;");
    EXPECT_EQ(escapeHtml("纯文本"), "纯文本");
    std::string page = bookPage(bookWithSlug("xinghai"));
    EXPECT_EQ(page.find("星海<回声>"), std::string::npos);
    EXPECT_NE(page.find("星海&lt;回声&gt; &amp; 归途"), std::string::npos);
}

// From here on the real site client reads the demo site through the site's own client.
class DemoSiteClient : public ::testing::Test {
protected:
    static SearchResult hitFor(const SampleBook& book) {
        return SearchResult{book.title, book.author, *Url::parse(coverUrl(book)),
                            *Url::parse("https://" + std::string(site::kHost) + bookPath(book)), ResultType::vorune};
    }
    DemoSite site;
};

TEST_F(DemoSiteClient, SearchGivesEveryMatchingBookInOrder) {
    struct Case {
        std::string term;
        std::vector<std::string> slugs;
    } cases[] = {
        {"", {"qingshi", "xinghai", "daoyujian", "changhe", "wugang", "shancha"}},
        {"林晚舟", {"qingshi", "wugang"}},
        {"&", {"xinghai"}},  // the form encoding and the decoding agree on a separator character
        {"刀与剑/", {"daoyujian"}},
        {"没有这本书", {}},
    };
    for (const Case& c : cases) {
        std::vector<SearchResult> hits = QuilletApi::search(site.client(), c.term);
        ASSERT_EQ(hits.size(), c.slugs.size()) << c.term;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            SearchResult expected = hitFor(bookWithSlug(c.slugs[i]));
            EXPECT_EQ(hits[i].name, expected.name);
            EXPECT_EQ(hits[i].author, expected.author);
            EXPECT_EQ(hits[i].url.text(), expected.url.text());
            EXPECT_EQ(hits[i].preview.text(), expected.preview.text());
        }
    }
}

TEST_F(DemoSiteClient, IntroductionAndChaptersReadBackAsTheModel) {
    for (const SampleBook& book : sampleBooks()) {
        std::string introduction;
        for (const std::string& line : book.introduction) introduction += (introduction.empty() ? "" : "\n") + line;
        EXPECT_EQ(QuilletApi::getIntro(site.client(), hitFor(book)), introduction) << book.slug;

        std::vector<Content> chapters = QuilletApi::getContent(site.client(), hitFor(book), std::nullopt, {});
        ASSERT_EQ(chapters.size(), book.chapters.size()) << book.slug;
        for (std::size_t i = 0; i < chapters.size(); ++i) {
            EXPECT_EQ(chapters[i].title(), book.chapters[i].title) << book.slug << " " << i;
            EXPECT_EQ(chapters[i].content(), book.chapters[i].paragraphs()) << book.slug << " " << i;
        }
    }
}

TEST_F(DemoSiteClient, CoversAreServedAtTheSearchAddress) {
    for (std::size_t i = 0; i < site.books().size(); ++i) {
        net::Response answer = net::plainFetch(site.client(), coverUrl(site.books()[i]));
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.body, site.cover(i));
    }
    EXPECT_EQ(net::plainFetch(site.client(), "https://" + std::string(site::kHost) + "/no/such/page").status, 404);
    site.injectFault(coverPath(site.books()[0]), Fault::ServerError);
    EXPECT_EQ(net::plainFetch(site.client(), coverUrl(site.books()[0])).status, 500);
}

TEST_F(DemoSiteClient, InjectedFaultsBreakTheDownload) {
    const SampleBook& book = bookWithSlug("qingshi");
    ASSERT_GE(listPageCount(book), 2u);
    std::size_t paged = 0;
    while (book.chapters[paged].pages.size() < 2) ++paged;
    struct Case {
        std::string path;
        Fault fault;
    } cases[] = {
        {listPagePath(book, 1), Fault::ServerError},
        {chapterPagePath(book, paged, 1), Fault::ServerError},
        {chapterPagePath(book, paged, 1), Fault::MissingNextLink},  // even a chapter's last page needs it
        {chapterPagePath(book, 0, 0), Fault::MissingNextLink},
    };
    for (const Case& c : cases) {
        DemoSite broken;
        broken.injectFault(c.path, c.fault);
        EXPECT_THROW(QuilletApi::getContent(broken.client(), hitFor(book), std::nullopt, {}), pages::EmptyError)
            << c.path;
    }
    site.injectFault("/search/", Fault::ServerError);
    EXPECT_THROW(QuilletApi::search(site.client(), "林"), pages::EmptyError);
}

}  // namespace
}  // namespace novawick::demo
