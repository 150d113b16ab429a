// A book saved from a site that misbehaves at the transport or the page level. The second chapter's
// page is the faulty one, so the first chapter has already been read when the fault strikes. Every case
// must end promptly with its own clear error (or, for a next-page cycle, with the book), and a failed
// save must leave the user's folder exactly as it was.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "net/errors.h"
#include "pages/errors.h"
#include "pages/requests.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/robustness/save_folder.h"
#include "tests/support/raw_tls_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace novawick {
namespace {

using namespace std::chrono_literals;
using testing::BodyFraming;
using testing::ContentCoding;
using testing::RawTlsServer;
using testing::ScriptedResponse;
using testing::ServerTransport;

const std::string kHost(site::kHost);
const std::string kBase = "https://" + kHost;
const std::string kFaultyPath = "/c/2.html";
// A plain-HTTP stand-in that serves the faulty chapter, for a site that redirects there.
const std::string kPlainHost = "plain.test";
// Short enough to keep a stall test quick, long enough for a TLS handshake under the sanitizers.
constexpr auto kInactivityLimit = 1500ms;
constexpr std::uint64_t kBodyCap = 64 * 1024;
// A page that arrives slower than this over a whole inactivity limit is a trickle.
constexpr std::uint64_t kRateFloor = 1000;

/// How a save is expected to end.
enum class Outcome {
    BookSaved, EmptyError, TimedOut, ReceiveFailure, ContentDecodingFailure, TooManyRedirects, BodyTooLarge,
    RedirectRefused,
};

std::string outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::BookSaved: return "book saved";
        case Outcome::EmptyError: return "EmptyError";
        case Outcome::TimedOut: return "timed out";
        case Outcome::ReceiveFailure: return "receive failure";
        case Outcome::ContentDecodingFailure: return "content decoding failure";
        case Outcome::TooManyRedirects: return "too many redirects";
        case Outcome::BodyTooLarge: return "body too large";
        case Outcome::RedirectRefused: return "redirect refused";
    }
    return "?";
}

std::optional<Outcome> outcomeOf(net::TransportFailure failure) {
    switch (failure) {
        case net::TransportFailure::TimedOut: return Outcome::TimedOut;
        case net::TransportFailure::ReceiveFailure: return Outcome::ReceiveFailure;
        case net::TransportFailure::ContentDecodingFailure: return Outcome::ContentDecodingFailure;
        case net::TransportFailure::TooManyRedirects: return Outcome::TooManyRedirects;
        case net::TransportFailure::BodyTooLarge: return Outcome::BodyTooLarge;
        case net::TransportFailure::UnsupportedProtocol: return Outcome::RedirectRefused;
        case net::TransportFailure::InvalidRequest:
        case net::TransportFailure::MalformedAddress:
        case net::TransportFailure::CouldNotResolveHost:
        case net::TransportFailure::CouldNotConnect:
        case net::TransportFailure::TlsFailure:
        case net::TransportFailure::OtherFailure: return std::nullopt;
    }
    return std::nullopt;
}

ScriptedResponse page(std::string body) { return ScriptedResponse::text(200, std::move(body)); }

std::string chapterTwo() {
    // Long enough that a cut anywhere in its first half loses the next-page link.
    std::vector<std::string> paragraphs(200, "第二章的一段文字，足够长，好让截断落在链接之前。");
    return testing::chapterPage(paragraphs, "下一章", "/");
}

// A body with a content coding announced but its bytes broken after encoding.
ScriptedResponse codedAndDamaged(ContentCoding coding, const std::function<void(std::string&)>& damage) {
    std::string encoded = testing::encodeBody(coding, chapterTwo());
    damage(encoded);
    ScriptedResponse response = page(std::move(encoded));
    response.headers.emplace_back("Content-Encoding", std::string(testing::codingToken(coding)));
    return response;
}

void truncateToHalf(std::string& bytes) { bytes.resize(bytes.size() / 2); }
void corruptMiddle(std::string& bytes) {
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 16 && i < bytes.size(); ++i) bytes[i] = static_cast<char>(~bytes[i]);
}

struct FaultCase {
    const char* label;
    std::function<void(RawTlsServer&)> misbehave;
    Outcome expected;
};

std::vector<FaultCase> faultCases() {
    auto answer = [](std::function<ScriptedResponse()> make) {
        return [make](RawTlsServer& server) { server.route(kFaultyPath, make()); };
    };
    return {
        {"stall before the headers", answer([] {
             ScriptedResponse r = page(chapterTwo());
             r.stallBeforeHeaders = 60s;
             return r;
         }), Outcome::TimedOut},
        {"stall after the headers", answer([] {
             ScriptedResponse r = page(chapterTwo());
             r.stallAfterHeaders = 60s;
             return r;
         }), Outcome::TimedOut},
        {"hang up mid-body, length framed", answer([] {
             ScriptedResponse r = page(chapterTwo());
             r.hangUpAfterBodyBytes = 500;
             return r;
         }), Outcome::ReceiveFailure},
        {"hang up mid-body, chunked", answer([] {
             ScriptedResponse r = page(chapterTwo());
             r.framing = BodyFraming::Chunked;
             r.dripBytes = 256;
             r.hangUpAfterBodyBytes = 500;
             return r;
         }), Outcome::ReceiveFailure},
        // Without framing a cut body looks complete; the page checks must still refuse it.
        {"hang up mid-body, close delimited", answer([] {
             ScriptedResponse r = page(chapterTwo());
             r.framing = BodyFraming::CloseDelimited;
             r.hangUpAfterBodyBytes = 500;
             return r;
         }), Outcome::EmptyError},
        {"truncated gzip", answer([] { return codedAndDamaged(ContentCoding::Gzip, truncateToHalf); }),
         Outcome::ContentDecodingFailure},
        {"corrupt gzip", answer([] { return codedAndDamaged(ContentCoding::Gzip, corruptMiddle); }),
         Outcome::ContentDecodingFailure},
        {"truncated Brotli", answer([] { return codedAndDamaged(ContentCoding::Brotli, truncateToHalf); }),
         Outcome::ContentDecodingFailure},
        {"corrupt Brotli", answer([] { return codedAndDamaged(ContentCoding::Brotli, corruptMiddle); }),
         Outcome::ContentDecodingFailure},
        {"corrupt deflate", answer([] { return codedAndDamaged(ContentCoding::Deflate, corruptMiddle); }),
         Outcome::ContentDecodingFailure},
        {"redirect to itself", answer([] { return ScriptedResponse::redirect(302, kBase + kFaultyPath); }),
         Outcome::TooManyRedirects},
        {"redirects in a two-step loop", [](RawTlsServer& server) {
             server.route(kFaultyPath, ScriptedResponse::redirect(301, kBase + "/c/2b.html"));
             server.route("/c/2b.html", ScriptedResponse::redirect(307, kBase + kFaultyPath));
         }, Outcome::TooManyRedirects},
        {"body over the cap, length announced", answer([] { return page(std::string(kBodyCap * 3, 'x')); }),
         Outcome::BodyTooLarge},
        {"body over the cap, chunked", answer([] {
             ScriptedResponse r = page(std::string(kBodyCap * 3, 'x'));
             r.framing = BodyFraming::Chunked;
             r.dripBytes = 16 * 1024;
             return r;
         }), Outcome::BodyTooLarge},
        {"small gzip body that inflates past the cap", answer([] {
             ScriptedResponse r = page(std::string(kBodyCap * 50, ' '));
             r.coding = ContentCoding::Gzip;
             return r;
         }), Outcome::BodyTooLarge},
        // The plain site answers with a proper chapter: the book would be saved with its text.
        {"redirect down to plain http", answer([] {
             return ScriptedResponse::redirect(302, "http://" + kPlainHost + kFaultyPath);
         }), Outcome::RedirectRefused},
        // Twenty bytes a second: never quiet for long, so only the rate floor ends it.
        {"page trickled below the rate floor", answer([] {
             ScriptedResponse r = page(testing::chapterPage({"二"}, "下一章", "/"));
             r.dripBytes = 2;
             r.dripInterval = 100ms;
             return r;
         }), Outcome::TimedOut},
        {"chapter page without next_url", answer([] {
             return page(testing::page("<div id=\"Content\"><p>二</p></div><a href=\"/c/3.html\">下一章</a>"));
         }), Outcome::EmptyError},
        {"chapter page without Content", answer([] {
             return page(testing::page("<a id=\"next_url\" href=\"/\">下一章</a>"));
         }), Outcome::EmptyError},
        {"status 500", answer([] { return ScriptedResponse::text(500, chapterTwo()); }), Outcome::EmptyError},
        {"body that is not UTF-8", answer([] { return page(testing::page("<div id=\"Content\"><p>\xff\xfe</p></div>")); }),
         Outcome::EmptyError},
        {"next-page links that form a cycle", [](RawTlsServer& server) {
             server.route(kFaultyPath, page(testing::chapterPage({"二上"}, "下一页", "/c/2_2.html")));
             server.route("/c/2_2.html", page(testing::chapterPage({"二中"}, "下一页", "/c/2_3.html")));
             server.route("/c/2_3.html", page(testing::chapterPage({"二下"}, "下一页", kFaultyPath)));
         }, Outcome::BookSaved},
    };
}

void routeBook(RawTlsServer& server) {
    server.route("/book/", page(testing::bookPage("/read/")));
    server.route("/read/", page(testing::entryPage({"/list/"})));
    server.route("/list/", page(testing::listPage({{"第一章", "/c/1.html"}, {"第二章", kFaultyPath}, {"第三章", "/c/3.html"}})));
    server.route("/c/1.html", page(testing::chapterPage({"一"}, "下一章", kFaultyPath)));
    server.route(kFaultyPath, page(chapterTwo()));
    server.route("/c/3.html", page(testing::chapterPage({"三"}, "下一章", "/")));
}

SearchResult book() {
    return SearchResult{"书", "某", *Url::parse(kBase + "/no-cover"), *Url::parse(kBase + "/book/"), ResultType::vorune};
}

Outcome save(net::Transport& transport, const std::filesystem::path& folder) {
    try {
        QuilletApi::genEpub(transport, folder, book(), std::nullopt, {});
        return Outcome::BookSaved;
    } catch (const pages::EmptyError&) {
        return Outcome::EmptyError;
    } catch (const net::TransportError& error) {
        std::optional<Outcome> outcome = outcomeOf(error.failure());
        // The message must name the page that failed, so the user can tell which one it was.
        EXPECT_NE(std::string(error.what()).find(kBase + "/c/2"), std::string::npos) << error.what();
        if (!outcome) ADD_FAILURE() << "unexpected transport failure: " << error.what();
        return outcome.value_or(Outcome::BookSaved);
    }
}

TEST(FaultInjection, EveryFaultEndsWithItsOwnErrorAndTouchesNothing) {
    RawTlsServer plainSite({kPlainHost}, ServerTransport::Plain);
    plainSite.setResponder([](const auto&) { return page(testing::chapterPage({"明文"}, "下一章", "/")); });
    for (const FaultCase& c : faultCases()) {
        SCOPED_TRACE(c.label);
        RawTlsServer server({kHost});
        net::ClientSettings settings = server.clientSettings();
        settings.routes.push_back(plainSite.clientSettings().routes.front());
        settings.inactivityTimeout = kInactivityLimit;
        settings.averageRateWindow = kInactivityLimit;
        settings.minimumAverageBytesPerSecond = kRateFloor;
        settings.maximumBodyBytes = kBodyCap;
        net::HttpClient client(settings);
        routeBook(server);
        c.misbehave(server);

        testing::SaveFolder folder;
        const auto before = folder.snapshot();
        EXPECT_EQ(outcomeName(save(client, folder.path())), outcomeName(c.expected));
        auto after = folder.snapshot();
        if (c.expected == Outcome::BookSaved) {
            EXPECT_EQ(after.erase("save/书.epub"), 1u);
        }
        EXPECT_EQ(after, before);
    }
}

TEST(FaultInjection, ANextPageCycleKeepsEachPageOnce) {
    RawTlsServer server({kHost});
    routeBook(server);
    server.route(kFaultyPath, page(testing::chapterPage({"二上"}, "下一页", "/c/2_2.html")));
    server.route("/c/2_2.html", page(testing::chapterPage({"二下"}, "下一页", kFaultyPath)));
    std::vector<Content> chapters = QuilletApi::getContent(server.client(), book(), std::nullopt, {});
    ASSERT_EQ(chapters.size(), 3u);
    EXPECT_EQ(chapters[1].content(), (std::vector<std::string>{"二上", "二下"}));
    EXPECT_EQ(chapters[2].content(), (std::vector<std::string>{"三"}));
}

// A compressed body cut short but correctly framed must fail, not reach the scrapers as a shorter page
// (libcurl's own decoder accepts it; the HTTP layer checks that each coding stream ended).
TEST(FaultInjection, ATruncatedCodingIsATransportFailure) {
    for (ContentCoding coding : {ContentCoding::Gzip, ContentCoding::Brotli, ContentCoding::Deflate}) {
        SCOPED_TRACE(std::string(testing::codingToken(coding)));
        RawTlsServer server({kHost});
        server.route("/page", codedAndDamaged(coding, truncateToHalf));
        try {
            const net::Response response = pages::pageFetch(server.client(), kBase + "/page");
            ADD_FAILURE() << "a truncated body was accepted: " << response.body.size() << " bytes";
        } catch (const net::TransportError& error) {
            EXPECT_EQ(error.failure(), net::TransportFailure::ContentDecodingFailure) << error.what();
        }
    }
}

}  // namespace
}  // namespace novawick
