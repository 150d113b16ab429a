// The operations reach the network only through the transport they are handed. A stand-in that answers
// from a table, with no server and no libcurl behind it, sees every request of each operation in order and
// of its kind, the cover's included; a book writer handed none fetches its cover through the program's own
// client.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "QuilletApi/site_profile.h"
#include "epub/epub_gen.h"
#include "pages/requests.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/support/raw_tls_server.h"
#include "tests/support/temporary_folder.h"
#include "zip/zip.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace novawick {
namespace {

namespace fs = std::filesystem;

const std::string kBase = "https://" + std::string(site::kHost);
const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

// Answers the pages of a table with status 200 and anything else with 404; records every request.
class TableTransport final : public net::Transport {
public:
    void serve(const std::string& path, std::string body) { pages_[kBase + path] = std::move(body); }

    net::Response send(const net::Request& request) override {
        requests_.push_back(request);
        auto found = pages_.find(request.url);
        if (found == pages_.end()) return {404, "", request.url};
        return {200, found->second, request.url};
    }

    /// One line per request: method, path on the site and kind ("plain", "page", "search" or "other").
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        for (const net::Request& request : requests_) {
            std::string path = request.url.starts_with(kBase) ? request.url.substr(kBase.size()) : request.url;
            lines.push_back((request.method == net::Method::Get ? "GET " : "POST ") + path + " " + kindOf(request));
        }
        return lines;
    }

private:
    static std::string kindOf(const net::Request& request) {
        const std::vector<net::HeaderField> pageProfile = {{"User-Agent", std::string(pages::kPageUserAgent)}};
        if (request.headers.empty() && !request.applyProfileTimeout) return "plain";
        if (request.headers == pageProfile && request.applyProfileTimeout) return "page";
        if (request.headers == site::searchProfile() && request.applyProfileTimeout) return "search";
        return "other";
    }

    std::map<std::string, std::string> pages_;
    std::vector<net::Request> requests_;
};

SearchResult book() {
    return SearchResult{"书", "某", *Url::parse(kBase + "/cover"), *Url::parse(kBase + "/book/"), ResultType::vorune};
}

TEST(HandedTransport, EveryRequestOfEachOperationGoesThroughIt) {
    const std::vector<std::string> download = {"GET /book/ plain", "GET /read/ plain", "GET /list/ page",
                                               "GET /c/1.html page", "GET /c/2.html page"};
    std::vector<std::string> save = download;
    save.push_back("GET /cover plain");
    struct Case {
        const char* operation;
        std::function<void(net::Transport&, const fs::path&)> run;
        std::vector<std::string> expected;
    } cases[] = {
        {"search", [](net::Transport& transport, const fs::path&) {
             ASSERT_EQ(QuilletApi::search(transport, "书").size(), 1u);
         }, {"POST /search/ search"}},
        {"getIntro", [](net::Transport& transport, const fs::path&) {
             EXPECT_EQ(QuilletApi::getIntro(transport, book()), "第一段\n\n第三段");
         }, {"GET /book/ page"}},
        {"getContent", [](net::Transport& transport, const fs::path&) {
             EXPECT_EQ(QuilletApi::getContent(transport, book(), std::nullopt, {}).size(), 2u);
         }, download},
        {"genEpub", [](net::Transport& transport, const fs::path& folder) {
             QuilletApi::genEpub(transport, folder, book(), std::nullopt, {});
             fs::copy_file(folder / "书.epub", folder / "book.zip");  // the archiver reads only archive names
             zip::Zip::unzipFile(folder / "book.zip", folder / "unpacked", false, std::nullopt, {}, {});
             EXPECT_TRUE(fs::exists(folder / "unpacked" / "OPS" / "cover.png"));
         }, save},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        TableTransport transport;
        transport.serve("/search/", testing::searchPage({{"书", "/book/", kBase + "/cover", "作者：某"}}));
        transport.serve("/book/", testing::bookPage("/read/"));
        transport.serve("/read/", testing::entryPage({"/list/"}));
        transport.serve("/list/", testing::listPage({{"第一章", "/c/1.html"}, {"第二章", "/c/2.html"}}));
        transport.serve("/c/1.html", testing::chapterPage({"一"}, "下一章", "/c/2.html"));
        transport.serve("/c/2.html", testing::chapterPage({"二"}, "下一章", "/"));
        transport.serve("/cover", kPngSignature);
        testing::TemporaryFolder folder;
        c.run(transport, folder.path());
        EXPECT_EQ(transport.log(), c.expected);
    }
}

TEST(HandedTransport, ABookWriterHandedNoneFetchesItsCoverThroughTheProgramsClient) {
    testing::RawTlsServer server({"raw.test"}, testing::ServerTransport::Plain);
    server.route("/cover", testing::ScriptedResponse::text(200, kPngSignature));
    SearchResult local = book();
    local.preview = *Url::parse("http://127.0.0.1:" + std::to_string(server.port()) + "/cover");
    testing::TemporaryFolder save;
    epub::EpubGen({}, local, "B3F1A0E2-0000-4000-8000-000000000000").generate(save.path(), {});
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/cover");
    EXPECT_EQ(save.entries(), std::vector<std::string>{"书.epub"});
}

}  // namespace
}  // namespace novawick
