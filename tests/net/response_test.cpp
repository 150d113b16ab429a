// What the caller gets back: decoded bodies for every coding and framing, and status and body passed
// through unjudged (the site client decides what a 404 means), including after redirects.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "net/fetch.h"
#include "pages/requests.h"
#include "tests/support/raw_tls_server.h"

namespace {

using novawick::testing::BodyFraming;
using novawick::testing::ContentCoding;
using novawick::testing::RawTlsServer;
using novawick::testing::ScriptedResponse;

std::string chinesePage() {
    std::string page = "<html><body>";
    for (int line = 0; line < 200; ++line)
        page += "<p>第" + std::to_string(line) + "章 天下大势，分久必合</p>\n";
    return page + "</body></html>";
}

struct CodingCase {
    ContentCoding coding;
    BodyFraming framing;
    std::size_t dripBytes;
};

// "gzip_chunked_drip97": the coding, the framing and the drip size, readable in test names.
std::string caseName(const testing::TestParamInfo<CodingCase>& info) {
    constexpr const char* kFramings[] = {"contentLength", "chunked", "closeDelimited"};
    const std::string_view token = novawick::testing::codingToken(info.param.coding);
    std::string name = token.empty() ? "identity" : std::string(token);
    name += std::string("_") + kFramings[static_cast<int>(info.param.framing)];
    if (info.param.dripBytes != 0) name += "_drip" + std::to_string(info.param.dripBytes);
    return name;
}

class DecodingTest : public testing::TestWithParam<CodingCase> {};

TEST_P(DecodingTest, BodyArrivesDecoded) {
    RawTlsServer server;
    ScriptedResponse response = ScriptedResponse::text(200, chinesePage());
    response.coding = GetParam().coding;
    response.framing = GetParam().framing;
    response.dripBytes = GetParam().dripBytes;
    server.route("/page", response);

    const auto answer = novawick::pages::pageFetch(server.client(), server.url("/page"));
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, chinesePage());
}

INSTANTIATE_TEST_SUITE_P(Codings, DecodingTest,
                         testing::Values(CodingCase{ContentCoding::Identity, BodyFraming::ContentLength, 0},
                                         CodingCase{ContentCoding::Gzip, BodyFraming::ContentLength, 0},
                                         CodingCase{ContentCoding::Deflate, BodyFraming::ContentLength, 0},
                                         CodingCase{ContentCoding::Brotli, BodyFraming::ContentLength, 0},
                                         CodingCase{ContentCoding::Gzip, BodyFraming::Chunked, 97},
                                         CodingCase{ContentCoding::Brotli, BodyFraming::Chunked, 97},
                                         CodingCase{ContentCoding::Deflate, BodyFraming::CloseDelimited, 0},
                                         CodingCase{ContentCoding::Identity, BodyFraming::Chunked, 1000}),
                         caseName);

class PassThroughTest : public testing::Test {
protected:
    RawTlsServer server;
};

TEST_F(PassThroughTest, StatusAndBodyOfTheFinalResponseReachTheCaller) {
    server.route("/missing", ScriptedResponse::text(404, "<html>gone</html>"));
    server.route("/moved", ScriptedResponse::redirect(302, "/landing"));
    server.route("/landing", ScriptedResponse::text(200, "landed"));
    server.route("/broken", ScriptedResponse::redirect(302, "/failing"));
    server.route("/failing", ScriptedResponse::text(500, "server error page"));
    server.route("/absolute", ScriptedResponse::redirect(301, server.url("/landing")));

    struct Case {
        const char* path;
        long status;
        const char* body;
        const char* finalPath;
    };
    for (const Case& item :
         {Case{"/missing", 404, "<html>gone</html>", "/missing"}, Case{"/moved", 200, "landed", "/landing"},
          Case{"/broken", 500, "server error page", "/failing"},
          Case{"/absolute", 200, "landed", "/landing"}}) {
        const auto answer = novawick::pages::pageFetch(server.client(), server.url(item.path));
        EXPECT_EQ(answer.status, item.status) << item.path;
        EXPECT_EQ(answer.body, item.body) << item.path;
        EXPECT_EQ(answer.effectiveUrl, server.url(item.finalPath)) << item.path;
    }
}

TEST_F(PassThroughTest, RedirectBodiesAreNotMixedIntoTheFinalBody) {
    ScriptedResponse redirect = ScriptedResponse::redirect(302, "/landing");
    redirect.body = "<html>redirect page</html>";
    server.route("/moved", redirect);
    server.route("/landing", ScriptedResponse::text(200, "landed"));

    EXPECT_EQ(novawick::net::plainFetch(server.client(), server.url("/moved")).body, "landed");
}

TEST_F(PassThroughTest, PostAnsweredByARedirectContinuesAsGet) {
    server.route("/search/", ScriptedResponse::redirect(302, "/result"));
    server.route("/result", ScriptedResponse::text(200, "hits"));

    const auto answer = novawick::pages::searchPost(server.client(), server.url("/search/"), "q=1",
                                                    {{"Content-Type", "application/x-www-form-urlencoded"}});
    EXPECT_EQ(answer.body, "hits");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].body, "");
}

TEST_F(PassThroughTest, BinaryBodyIsKeptByteForByte) {
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
    ScriptedResponse response = ScriptedResponse::text(200, bytes + bytes);
    response.headers = {{"Content-Type", "image/png"}};
    server.route("/cover.png", response);

    EXPECT_EQ(novawick::net::plainFetch(server.client(), server.url("/cover.png")).body, bytes + bytes);
}

}  // namespace
