// Transport failures: each becomes a TransportError of the right kind naming the address, and none
// is mistaken for a response. Limits are shortened in the client's settings so that the stall and size
// tests stay small; the margins between stall and limit are wide so that a loaded machine cannot flip them.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "net/errors.h"
#include "net/fetch.h"
#include "pages/requests.h"
#include "tests/support/raw_tls_server.h"

namespace {

using namespace std::chrono_literals;
using novawick::net::ClientSettings;
using novawick::net::HttpClient;
using novawick::net::TransportError;
using novawick::net::TransportFailure;
using novawick::testing::BodyFraming;
using novawick::testing::ContentCoding;
using novawick::testing::RawTlsServer;
using novawick::testing::ScriptedResponse;

// Runs a fetch that must fail and returns its error.
template <typename Fetch>
TransportError failureOf(Fetch fetch) {
    try {
        const auto answer = fetch();
        ADD_FAILURE() << "succeeded with status " << answer.status;
    } catch (const TransportError& error) {
        return error;
    }
    return TransportError(TransportFailure::OtherFailure, "", "no failure");
}

// A loopback port with nothing listening on it.
std::uint16_t closedPort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

TEST(ProtocolLimitTest, OnlyHttpAndHttpsAreRequested) {
    for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/x", "dict://127.0.0.1/x"}) {
        HttpClient client;
        const auto error = failureOf([&] { return novawick::net::plainFetch(client, url); });
        EXPECT_EQ(error.failure(), TransportFailure::UnsupportedProtocol) << error.what();
        EXPECT_EQ(error.url(), url);
    }
}

TEST(ProtocolLimitTest, RedirectToAFileAddressIsRefused) {
    RawTlsServer server;
    server.route("/to-file", ScriptedResponse::redirect(302, "file:///etc/passwd"));

    const auto error = failureOf([&] { return novawick::pages::pageFetch(server.client(), server.url("/to-file")); });
    EXPECT_EQ(error.failure(), TransportFailure::UnsupportedProtocol) << error.what();
}

TEST(RedirectLimitTest, LoopFailsAfterTwentyRedirects) {
    RawTlsServer server;
    server.route("/loop", ScriptedResponse::redirect(302, "/loop"));

    const auto error = failureOf([&] { return novawick::pages::pageFetch(server.client(), server.url("/loop")); });
    EXPECT_EQ(error.failure(), TransportFailure::TooManyRedirects) << error.what();
    EXPECT_EQ(server.requests().size(), 21u);
}

TEST(ConnectionFailureTest, RefusedConnectionNamesTheAddress) {
    ClientSettings settings;
    settings.routes.push_back({"closed.test", 443, closedPort()});
    HttpClient client(settings);

    const auto error = failureOf([&] { return novawick::pages::pageFetch(client, "https://closed.test/book/1/"); });
    EXPECT_EQ(error.failure(), TransportFailure::CouldNotConnect);
    EXPECT_TRUE(std::string(error.what()).starts_with("https://closed.test/book/1/: ")) << error.what();
    EXPECT_FALSE(error.cause().empty());
}

TEST(ConnectionFailureTest, CertificatesAreVerified) {
    RawTlsServer server;
    // Not trusted: the client routes the host but keeps the system store.
    auto untrusted = server.clientSettings();
    untrusted.caFile.clear();
    // Trusted authority, but a name the certificate does not cover.
    auto wrongName = server.clientSettings();
    wrongName.routes.push_back({"other.test", 443, server.port()});

    for (const auto& [settings, url] :
         {std::pair{untrusted, server.url("/")}, std::pair{wrongName, std::string("https://other.test/")}}) {
        HttpClient client(settings);
        const auto error = failureOf([&client, &url = url] { return novawick::net::plainFetch(client, url); });
        EXPECT_EQ(error.failure(), TransportFailure::TlsFailure) << error.what();
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST(ConnectionFailureTest, ConnectionClosedMidBodyFails) {
    RawTlsServer server;
    for (const BodyFraming framing : {BodyFraming::ContentLength, BodyFraming::Chunked}) {
        ScriptedResponse response = ScriptedResponse::text(200, std::string(4000, 'x'));
        response.framing = framing;
        response.dripBytes = 500;
        response.hangUpAfterBodyBytes = 1200;
        server.route("/cut", response);

        const auto error = failureOf([&] { return novawick::pages::pageFetch(server.client(), server.url("/cut")); });
        EXPECT_EQ(error.failure(), TransportFailure::ReceiveFailure) << error.what();
    }
}

class InactivityTest : public testing::Test {
protected:
    static ClientSettings shortened(const RawTlsServer& server) {
        ClientSettings settings = server.clientSettings();
        settings.inactivityTimeout = 500ms;
        return settings;
    }
    RawTlsServer server;
    HttpClient client{shortened(server)};
};

TEST_F(InactivityTest, StallLongerThanTheLimitFails) {
    ScriptedResponse beforeHeaders = ScriptedResponse::text(200, "late");
    beforeHeaders.stallBeforeHeaders = 5s;
    ScriptedResponse midBody = ScriptedResponse::text(200, std::string(1000, 'y'));
    midBody.dripBytes = 600;
    midBody.dripInterval = 2500ms;
    server.route("/before-headers", beforeHeaders);
    server.route("/mid-body", midBody);

    for (const char* path : {"/before-headers", "/mid-body"}) {
        const auto error = failureOf([&] { return novawick::pages::pageFetch(client, server.url(path)); });
        EXPECT_EQ(error.failure(), TransportFailure::TimedOut) << path << ": " << error.what();
        EXPECT_EQ(error.cause(), novawick::net::inactivityCause(500)) << path;
    }
}

TEST_F(InactivityTest, SlowButSteadyTransferLongerThanTheLimitSucceeds) {
    ScriptedResponse steady = ScriptedResponse::text(200, std::string(40, 'z'));
    steady.dripBytes = 1;
    steady.dripInterval = 50ms;  // two seconds in all, four times the limit
    server.route("/steady", steady);

    const auto answer = novawick::net::plainFetch(client, server.url("/steady"));
    EXPECT_EQ(answer.body, std::string(40, 'z'));
}

// Bounds that a site which keeps sending a little cannot dodge. Each scripted answer would succeed in
// the end (after several seconds), so a missing bound shows as a success.
struct TotalBoundCase {
    const char* name;
    ScriptedResponse response;
    std::string cause;
};

void PrintTo(const TotalBoundCase& item, std::ostream* out) { *out << item.name; }

ScriptedResponse dripped(std::size_t bodyBytes, std::size_t pieceBytes, std::chrono::milliseconds interval) {
    ScriptedResponse response = ScriptedResponse::text(200, std::string(bodyBytes, 't'));
    response.dripBytes = pieceBytes;
    response.dripInterval = interval;
    return response;
}

std::vector<TotalBoundCase> totalBoundCases() {
    ScriptedResponse lateHeaders = ScriptedResponse::text(200, "late");
    lateHeaders.stallBeforeHeaders = 8s;
    return {
        // 20 bytes a second for ten seconds: far below the floor, yet never quiet for long.
        {"trickleBelowTheRateFloor", dripped(200, 2, 100ms), novawick::net::tooSlowCause(1000, 1000)},
        // 10 KB a second for six seconds: above the floor, but longer than the request may take.
        {"steadyPastTheTimeLimit", dripped(60000, 1000, 100ms), novawick::net::requestTimeLimitCause(2500)},
        // Silent within the inactivity limit, but the time limit counts from the start.
        {"lateAnswerPastTheTimeLimit", lateHeaders, novawick::net::requestTimeLimitCause(2500)},
    };
}

class TotalBoundTest : public testing::TestWithParam<TotalBoundCase> {};

TEST_P(TotalBoundTest, RequestEndsWithItsOwnCause) {
    RawTlsServer server;
    auto settings = server.clientSettings();
    settings.minimumAverageBytesPerSecond = 1000;
    settings.averageRateWindow = 1000ms;
    settings.requestTimeLimit = 2500ms;
    HttpClient client(settings);
    server.route("/slow", GetParam().response);

    const auto error = failureOf([&] { return novawick::pages::pageFetch(client, server.url("/slow")); });
    EXPECT_EQ(error.failure(), TransportFailure::TimedOut) << error.what();
    EXPECT_EQ(error.cause(), GetParam().cause);
}

INSTANTIATE_TEST_SUITE_P(Bounds, TotalBoundTest, testing::ValuesIn(totalBoundCases()),
                         [](const testing::TestParamInfo<TotalBoundCase>& testInfo) {
                             return std::string(testInfo.param.name);
                         });

TEST(TotalBoundTest, TransferAboveTheRateFloorOutlastsItsWindows) {
    RawTlsServer server;
    auto settings = server.clientSettings();
    settings.minimumAverageBytesPerSecond = 100;
    settings.averageRateWindow = 1000ms;
    HttpClient client(settings);
    server.route("/steady", dripped(6000, 100, 50ms));  // 2 KB a second, twenty times the floor, for 3 s

    EXPECT_EQ(novawick::pages::pageFetch(client, server.url("/steady")).body, std::string(6000, 't'));
}

TEST(HeaderLimitTest, OversizedHeaderIsReportedAsSuch) {
    RawTlsServer server;
    ScriptedResponse oneLongLine = ScriptedResponse::text(200, "ok");
    oneLongLine.headers.emplace_back("X-Padding", std::string(1 << 20, 'h'));
    ScriptedResponse manyLines = ScriptedResponse::text(200, "ok");
    for (int line = 0; line < 400; ++line) {
        manyLines.headers.emplace_back("X-Padding-" + std::to_string(line), std::string(1000, 'h'));
    }
    server.route("/one-long-line", oneLongLine);
    server.route("/many-lines", manyLines);

    for (const char* path : {"/one-long-line", "/many-lines"}) {
        const auto error = failureOf([&] { return novawick::pages::pageFetch(server.client(), server.url(path)); });
        EXPECT_EQ(error.failure(), TransportFailure::ReceiveFailure) << path << ": " << error.what();
        EXPECT_EQ(error.cause(), novawick::net::kResponseHeaderTooLargeCause) << path;
    }
}

struct SizeCase {
    const char* name;
    std::size_t bodyBytes;
    ContentCoding coding;
    BodyFraming framing;
    bool accepted;
};

void PrintTo(const SizeCase& item, std::ostream* out) { *out << item.name; }

class BodyCapTest : public testing::TestWithParam<SizeCase> {};

TEST_P(BodyCapTest, DecodedBodyIsCapped) {
    RawTlsServer server;
    auto settings = server.clientSettings();
    settings.maximumBodyBytes = 1000;
    HttpClient client(settings);
    ScriptedResponse response = ScriptedResponse::text(200, std::string(GetParam().bodyBytes, 'b'));
    response.coding = GetParam().coding;
    response.framing = GetParam().framing;
    server.route("/big", response);

    if (GetParam().accepted) {
        EXPECT_EQ(novawick::net::plainFetch(client, server.url("/big")).body.size(), GetParam().bodyBytes);
        return;
    }
    const auto error = failureOf([&] { return novawick::net::plainFetch(client, server.url("/big")); });
    EXPECT_EQ(error.failure(), TransportFailure::BodyTooLarge) << error.what();
    EXPECT_EQ(error.cause(), novawick::net::bodyTooLargeCause(1000));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BodyCapTest,
    testing::Values(
        SizeCase{"exactlyAtCap", 1000, ContentCoding::Identity, BodyFraming::ContentLength, true},
        SizeCase{"announcedLength", 1001, ContentCoding::Identity, BodyFraming::ContentLength, false},
        SizeCase{"chunked", 5000, ContentCoding::Identity, BodyFraming::Chunked, false},
        SizeCase{"closeDelimited", 5000, ContentCoding::Identity, BodyFraming::CloseDelimited, false},
        SizeCase{"smallGzipInflatingPastCap", 200000, ContentCoding::Gzip, BodyFraming::ContentLength, false},
        SizeCase{"smallBrotliInflatingPastCap", 200000, ContentCoding::Brotli, BodyFraming::Chunked, false}),
    [](const testing::TestParamInfo<SizeCase>& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
