// What reaches the server, byte for byte: method, target, header names and values in order, body.
// The client may add only its own Host, Accept and Accept-Encoding, and never a second copy of a
// field the caller set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/errors.h"
#include "net/fetch.h"
#include "pages/requests.h"
#include "tests/support/raw_tls_server.h"

namespace {

using novawick::net::HeaderField;
using novawick::net::TransportError;
using novawick::net::TransportFailure;
using novawick::testing::RawTlsServer;
using novawick::testing::ScriptedResponse;

const std::vector<HeaderField> searchProfile = {
    {"Host", "raw.test"},
    {"User-Agent", "Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:103.0) Gecko/20100101 Firefox/103.0"},
    {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8"},
    {"Accept-Language", "zh-CN,zh;q=0.8,zh-TW;q=0.7,zh-HK;q=0.5,en-US;q=0.3,en;q=0.2"},
    {"Accept-Encoding", "gzip, deflate, br"},
    {"Content-Type", "application/x-www-form-urlencoded"},
    {"Origin", "https://raw.test"},
    {"DNT", "1"},
    {"Referer", "https://raw.test/"},
    {"Upgrade-Insecure-Requests", "1"},
    {"Sec-Fetch-Dest", "document"},
    {"Sec-Fetch-Mode", "navigate"},
    {"Sec-Fetch-Site", "same-origin"},
    {"Sec-Fetch-User", "?1"},
};

class RequestWireTest : public testing::Test {
protected:
    void SetUp() override {
        server.setResponder([](const auto&) { return ScriptedResponse::text(200, "ok"); });
    }
    RawTlsServer server;
};

TEST_F(RequestWireTest, SearchPostSendsTheProfileInOrderWithBodyAndLength) {
    const std::string body = "searchkey=%E6%B5%8B%E8%AF%95&show=writer,title&searchtype=all";
    novawick::pages::searchPost(server.client(), server.url("/search/"), body, searchProfile);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    std::vector<HeaderField> expected = searchProfile;
    expected.emplace_back("Content-Length", std::to_string(body.size()));
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/search/");
    EXPECT_EQ(request.version, "HTTP/1.1");
    EXPECT_EQ(request.headers, expected);
    EXPECT_EQ(request.body, body);
    EXPECT_EQ(request.headerCount("Expect"), 0u);
    EXPECT_EQ(request.headerCount("Accept-Encoding"), 1u);
    EXPECT_TRUE(request.raw.ends_with("\r\n\r\n" + body));
}

TEST_F(RequestWireTest, PageFetchAddsOnlyTheUserAgent) {
    novawick::pages::pageFetch(server.client(), server.url("/book/12/?a=1&b=%20"));

    const auto request = server.requests().at(0);
    const std::vector<HeaderField> expected = {
        {"Host", "raw.test"},
        {"Accept", "*/*"},
        {"Accept-Encoding", "gzip, deflate, br"},
        {"User-Agent", std::string(novawick::pages::kPageUserAgent)},
    };
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/book/12/?a=1&b=%20");
    EXPECT_EQ(request.headers, expected);
    EXPECT_EQ(request.body, "");
}

TEST_F(RequestWireTest, PlainFetchSendsOnlyTheClientsOwnFields) {
    novawick::net::plainFetch(server.client(), server.url("/cover.png"));

    const std::vector<HeaderField> expected = {
        {"Host", "raw.test"}, {"Accept", "*/*"}, {"Accept-Encoding", "gzip, deflate, br"}};
    EXPECT_EQ(server.requests().at(0).headers, expected);
}

TEST_F(RequestWireTest, NothingCarriesOverFromThePreviousRequestOnTheReusedHandle) {
    novawick::pages::searchPost(server.client(), server.url("/search/"), "a=b", searchProfile);
    novawick::net::plainFetch(server.client(), server.url("/next"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].headerCount("User-Agent"), 0u);
    EXPECT_EQ(requests[1].headerCount("Content-Length"), 0u);
    EXPECT_EQ(requests[1].body, "");
}

TEST_F(RequestWireTest, EmptyHeaderValueAndEmptyPostBodyAreSentAsSuch) {
    server.client().send({.method = novawick::net::Method::Post,
                          .url = server.url("/empty"),
                          .headers = {{"X-Empty", ""}, {"X-After", "1"}},
                          .body = std::nullopt,
                          .applyProfileTimeout = false});
    const auto request = server.requests().at(0);
    EXPECT_EQ(request.header("X-Empty"), "");
    EXPECT_EQ(request.header("Content-Length"), "0");
    EXPECT_EQ(request.body, "");
}

TEST_F(RequestWireTest, HeaderTextThatCouldSplitTheRequestIsRefusedBeforeSending) {
    const std::vector<std::vector<HeaderField>> hostile = {
        {{"X-Name", "value\r\nInjected: yes"}},
        {{"X-Name", "value\nInjected: yes"}},
        {{"Bad Name", "1"}},
        {{"Bad:Name", "1"}},
        {{"", "1"}},
    };
    for (const auto& headers : hostile) {
        try {
            novawick::pages::searchPost(server.client(), server.url("/search/"), "", headers);
            ADD_FAILURE() << "accepted " << headers[0].first;
        } catch (const TransportError& error) {
            EXPECT_EQ(error.failure(), TransportFailure::InvalidRequest) << error.what();
        }
    }
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace
