// The novel-site client against a real HTTPS site on loopback: what reaches the server, how hits,
// chapter lists and chapter pages are read, and how unusable answers fail.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "QuilletApi/site_profile.h"
#include "demo/loopback/loopback_site.h"
#include "net/errors.h"
#include "pages/errors.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/support/raw_tls_server.h"

#include <gtest/gtest.h>

#include <regex>

namespace novawick {
namespace {

namespace fs = std::filesystem;
using loopback::LoopbackSite;
using loopback::SiteRequest;
using loopback::SiteResponse;

const std::string kHost(site::kHost);
const std::string kBase = "https://" + kHost;

SearchResult bookAt(const std::string& path) {
    Url url = *Url::parse(kBase + path);
    return SearchResult{"书", "作者", url, url, ResultType::vorune};
}

TEST(Search, SendsTheFormWithTheSearchProfileExactly) {
    testing::RawTlsServer server({kHost});
    server.route("/search/", testing::ScriptedResponse::text(200, testing::searchPage({})));
    EXPECT_TRUE(QuilletApi::search(server.client(), "三体 C++").empty());
    std::vector<testing::RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const testing::RecordedRequest& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/search/");
    std::string body = "show=writer,title&searchkey=%E4%B8%89%E4%BD%93%20C%2B%2B&Submit22=%E6%90%9C%E7%B4%A2";
    EXPECT_EQ(request.body, body);
    std::vector<net::HeaderField> expected = site::searchProfile();
    expected.emplace_back("Content-Length", std::to_string(body.size()));
    EXPECT_EQ(request.headers, expected);
}

TEST(Search, PageFetchesCarryOnlyTheUserAgentOfTheProgram) {
    testing::RawTlsServer server({kHost});
    server.route("/book", testing::ScriptedResponse::text(200, testing::bookPage("/b")));
    EXPECT_EQ(QuilletApi::getIntro(server.client(), bookAt("/book")), "第一段\n\n第三段");
    std::vector<testing::RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].header("User-Agent"),
              "Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:102.0) Gecko/20100101 Firefox/102.0");
    for (const char* absent : {"Origin", "Referer", "DNT", "Content-Type", "Sec-Fetch-Mode", "Accept-Language"}) {
        EXPECT_EQ(requests[0].headerCount(absent), 0u) << absent;
    }
}

TEST(Search, BuildsHitsAndDropsIncompleteItems) {
    LoopbackSite site({kHost});
    std::string items = testing::searchPage({
        {"三体", "/book/1/", "https://img.invalid/1.jpg", "作者：刘慈欣"},
        {"无封面", "/book/2/", "", "作者：某人"},
        {"短作者", "/book/3/", "https://img.invalid/3.jpg", "作者"},
        {"恰好", "/book/4/", "https://img.invalid/4.jpg", "作者："},
    });
    // An item without a strong, an item whose first span is nested deeper than its second, and an item
    // whose link has no href (its address is the site base itself).
    items.insert(items.find("</ul></body>"),
                 "<li><a href=\"/x\">x</a><img src=\"https://i.invalid/x\"><span>作者：X</span></li>"
                 "<li><strong>深</strong><a href=\"/d\"></a><img src=\"https://i.invalid/d\"><div><span>作者：甲</span></div>"
                 "<span>作者：乙</span></li>"
                 "<li><strong>无链接</strong><a>x</a><img src=\"https://i.invalid/n\"><span>作者：丙</span></li>");
    site.post("/search/", [&](const SiteRequest&, SiteResponse& response) { response.body = items; });
    std::vector<SearchResult> hits = QuilletApi::search(site.client(), "x");
    ASSERT_EQ(hits.size(), 5u);
    EXPECT_EQ(hits[0].name, "三体");
    EXPECT_EQ(hits[0].author, "刘慈欣");
    EXPECT_EQ(hits[0].url.text(), kBase + "/book/1/");
    EXPECT_EQ(hits[0].preview.text(), "https://img.invalid/1.jpg");
    EXPECT_EQ(hits[0].type, ResultType::vorune);
    EXPECT_EQ(hits[1].name, "短作者");
    EXPECT_EQ(hits[1].author, "");
    EXPECT_EQ(hits[2].author, "");
    EXPECT_EQ(hits[3].name, "深");
    EXPECT_EQ(hits[3].author, "甲");
    EXPECT_EQ(hits[4].url.text(), kBase);
}

TEST(Search, UnusableAnswersRaiseEmptyErrorNamingTheAddressAndTheCause) {
    LoopbackSite site({kHost});
    struct Case {
        int status;
        std::string contentType;
        std::string body;
        std::string cause;
    } cases[] = {
        {404, "text/html", testing::searchPage({{"a", "/a", "https://i.invalid/a", "作者：a"}}), "status 404"},
        {500, "text/html", "oops", "status 500"},
        {200, "text/html; charset=iso-8859-1", "<li><strong>caf\xe9</strong></li>", "not UTF-8 text"},
        {200, "text/html", "<frameset><frame src=\"/a\"></frameset>", "no body element"},
    };
    for (const Case& c : cases) {
        site.post("/search/", [&](const SiteRequest&, SiteResponse& response) {
            response.status = c.status;
            response.contentType = c.contentType;
            response.body = c.body;
        });
        try {
            QuilletApi::search(site.client(), "x");
            ADD_FAILURE() << c.cause << ": no error";
        } catch (const pages::EmptyError& error) {
            EXPECT_EQ(std::string(error.what()), kBase + "/search/: " + c.cause);
        }
    }
}

TEST(Search, RedirectsAreFollowedAndTheFinalStatusDecides) {
    testing::RawTlsServer server({kHost});
    server.route("/search/", testing::ScriptedResponse::redirect(302, kBase + "/results"));
    server.route("/results", testing::ScriptedResponse::text(200, testing::searchPage({{"a", "/a", "https://i.invalid/a", "作者：乙"}})));
    EXPECT_EQ(QuilletApi::search(server.client(), "x").size(), 1u);
    server.route("/results", testing::ScriptedResponse::text(500, testing::searchPage({})));
    EXPECT_THROW(QuilletApi::search(server.client(), "x"), pages::EmptyError);
}

TEST(Search, TransportFailuresPassThroughNamingTheAddress) {
    std::uint16_t closedPort = 0;
    {
        LoopbackSite site({kHost});
        closedPort = site.port();
    }
    net::ClientSettings settings;
    settings.routes.push_back({kHost, 443, closedPort});
    net::HttpClient client(settings);
    try {
        QuilletApi::search(client, "x");
        ADD_FAILURE() << "no error";
    } catch (const net::TransportError& error) {
        EXPECT_NE(std::string(error.what()).find(kBase + "/search/"), std::string::npos) << error.what();
    }
}

// A book of three list pages and four chapters; chapter 2 spans two pages.
void serveBook(LoopbackSite& site) {
    site.serve("/book/1/", testing::bookPage("/read/1/"));
    site.serve("/read/1/", testing::entryPage({"/list/1/", "/list/2/", "/list/3/", "bad value"}));
    site.serve("/list/1/", testing::listPage({{" 第一章 ", "/c/1.html"}, {"第二章", "/c/2.html"}}));
    site.serve("/list/2/", testing::listPage({{"第三章", "/c/3.html"}}));
    site.serve("/list/3/", testing::listPage({{"第四章", "/c/4.html"}}));
    site.serve("/c/1.html", testing::chapterPage({"  一  ", "&lt;content&gt;", "最快更新", "最快更新网"}, "下一章", "/c/2.html"));
    site.serve("/c/2.html", testing::chapterPage({"二上", "&lt;content&gt; 留空格"}, " 下一页 ", "/c/2_2.html"));
    site.serve("/c/2_2.html", testing::chapterPage({"二下 &lt;/content&gt;", "&lt;CONTENT&gt;"}, "下一章", "/c/3.html"));
    site.serve("/c/3.html", testing::chapterPage({}, "下一章", "/c/4.html"));
    site.serve("/c/4.html", testing::chapterPage({"四"}, "返回目录", "/book/1/"));
}

TEST(GetContent, ReadsTheChapterListAndEveryPageInOrder) {
    LoopbackSite site({kHost});
    serveBook(site);
    std::vector<double> progress;
    std::vector<Content> chapters = QuilletApi::getContent(site.client(), bookAt("/book/1/"), std::nullopt,
                                                           [&](double value) { progress.push_back(value); });
    ASSERT_EQ(chapters.size(), 4u);
    EXPECT_EQ(chapters[0].title(), "第一章");
    EXPECT_EQ(chapters[0].content(), (std::vector<std::string>{"一", "最快更新网"}));
    EXPECT_EQ(chapters[1].content(), (std::vector<std::string>{"二上", " 留空格", "二下 ", "<CONTENT>"}));
    EXPECT_TRUE(chapters[2].content().empty());
    EXPECT_EQ(chapters[3].content(), (std::vector<std::string>{"四"}));
    std::vector<double> expected = {0.1 / 3, 0.2 / 3, 0.1, 0.325, 0.55, 0.775, 1.0};
    ASSERT_EQ(progress.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(progress[i], expected[i], 1e-12) << i;
}

TEST(GetContent, SpillsEachChapterToItsOwnFile) {
    LoopbackSite site({kHost});
    serveBook(site);
    std::string pattern = (fs::temp_directory_path() / "novawick-spill-XXXXXX").string();
    fs::path temp = mkdtemp(pattern.data());
    std::vector<Content> chapters = QuilletApi::getContent(site.client(), bookAt("/book/1/"), temp, {});
    ASSERT_EQ(chapters.size(), 4u);
    std::set<fs::path> files;
    for (const Content& chapter : chapters) {
        EXPECT_FALSE(chapter._content().has_value());
        ASSERT_TRUE(chapter.fileURL().has_value());
        EXPECT_EQ(chapter.fileURL()->parent_path(), temp);
        EXPECT_TRUE(std::regex_match(chapter.fileURL()->filename().string(),
                                     std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\.json")));
        files.insert(*chapter.fileURL());
    }
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(chapters[1].content(), (std::vector<std::string>{"二上", " 留空格", "二下 ", "<CONTENT>"}));
    fs::remove_all(temp);
}

TEST(GetContent, UnusablePagesFailTheWholeDownloadNamingThePageAndTheCause) {
    struct Case {
        std::string path;
        int status;
        std::string body;
        std::string expected;  // the error's text after the site base
    } cases[] = {
        {"/book/1/", 200, testing::page("<div class=\"read\">none</div>"), "/book/1/: no element matches \".read a\""},
        {"/read/1/", 200, "<frameset></frameset>", "/read/1/: no body element"},
        {"/list/2/", 200, testing::page("<ul><li><a href=\"/c/9\">x</a></li></ul>"), "/list/2/: no element matches \".sso_a\""},
        {"/list/3/", 503, "", "/list/3/: status 503"},
        {"/c/3.html", 200, testing::page("<a id=\"next_url\" href=\"/c/4.html\">下一章</a>"),
         "/c/3.html: no element matches \"#Content\""},
        {"/c/4.html", 200, testing::page("<div id=\"Content\"><p>四</p></div>"), "/c/4.html: no element matches \"#next_url\""},
        {"/c/2_2.html", 200, "<p>caf\xe9</p>", "/c/2_2.html: not UTF-8 text"},
    };
    for (const Case& c : cases) {
        LoopbackSite site({kHost});
        serveBook(site);
        site.get(c.path, [&c](const SiteRequest&, SiteResponse& response) {
            response.status = c.status;
            response.body = c.body;
        });
        try {
            QuilletApi::getContent(site.client(), bookAt("/book/1/"), std::nullopt, {});
            ADD_FAILURE() << c.path << ": no error";
        } catch (const pages::EmptyError& error) {
            EXPECT_EQ(std::string(error.what()), kBase + c.expected);
        }
    }
}

TEST(GetContent, EmptyOptionListGivesNoChaptersAndNoProgress) {
    LoopbackSite site({kHost});
    serveBook(site);
    site.serve("/read/1/", testing::entryPage({}));
    bool called = false;
    auto noteCall = [&](double) { called = true; };
    EXPECT_TRUE(QuilletApi::getContent(site.client(), bookAt("/book/1/"), std::nullopt, noteCall).empty());
    EXPECT_FALSE(called);
}

TEST(GetContent, NextPageLinksThatLoopEndTheChapter) {
    LoopbackSite site({kHost});
    serveBook(site);
    site.serve("/c/4.html", testing::chapterPage({"四"}, "下一页", "/c/4_2.html"));
    site.serve("/c/4_2.html", testing::chapterPage({"四下"}, "下一页", "/c/4.html"));
    std::vector<Content> chapters = QuilletApi::getContent(site.client(), bookAt("/book/1/"), std::nullopt, {});
    ASSERT_EQ(chapters.size(), 4u);
    EXPECT_EQ(chapters[3].content(), (std::vector<std::string>{"四", "四下"}));
}

TEST(GetContent, ALongBookTravelsOverOneConnection) {
    LoopbackSite site({kHost});
    std::vector<std::pair<std::string, std::string>> links;
    for (int i = 0; i < 200; ++i) {
        std::string path = "/c/" + std::to_string(i) + ".html";
        links.emplace_back("第" + std::to_string(i) + "章", path);
        site.serve(path, testing::chapterPage({"段落 " + std::to_string(i)}, "下一章", "/"));
    }
    site.serve("/book/1/", testing::bookPage("/read/1/"));
    site.serve("/read/1/", testing::entryPage({"/list/1/"}));
    site.serve("/list/1/", testing::listPage(links));
    std::vector<Content> chapters = QuilletApi::getContent(site.client(), bookAt("/book/1/"), std::nullopt, {});
    ASSERT_EQ(chapters.size(), 200u);
    EXPECT_EQ(chapters[199].content(), (std::vector<std::string>{"段落 199"}));
    EXPECT_EQ(site.requestsServed(), 203u);
    EXPECT_EQ(site.connectionsAccepted(), 1u);
}

TEST(GetIntro, ContainerRules) {
    LoopbackSite site({kHost});
    struct Case {
        std::string body;
        std::string expected;
    } cases[] = {
        {"<div id=\"content\"><p>A</p><p>B</p></div>", "A\nB"},
        {"<div id=\"content\"><p></p><p>B</p></div>", "\nB"},
        {"<div id=\"content\">outside<div><p>deep</p></div><p> x  y </p></div>", "deep\nx y"},
        {"<div id=\"content\">no paragraphs</div>", ""},
        {"<div id=\"Content\"><p>wrong case</p></div>", ""},
    };
    for (const Case& c : cases) {
        site.serve("/intro", testing::page(c.body));
        EXPECT_EQ(QuilletApi::getIntro(site.client(), bookAt("/intro")), c.expected) << c.body;
    }
}

}  // namespace
}  // namespace novawick
