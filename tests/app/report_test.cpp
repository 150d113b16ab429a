// The failure line of a build without a site host: a request to the placeholder host names the missing
// host and how to build with one; every other failure line stays as it was.
#include "pages/errors.h"
#include "QuilletApi/site.h"
#include "app/report.h"
#include "net/errors.h"
#include "tests/support/pty_session.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace novawick {
namespace {

using net::TransportError;
using pages::EmptyError;
using pages::statusCause;
using net::TransportFailure;
using testing::PtySession;
using testing::splitLines;

constexpr std::string_view kPlaceholder = "novel-site.invalid";
constexpr std::string_view kRealHost = "www.example-novels.cn";

std::exception_ptr unresolved(std::string url, std::string host) {
    return std::make_exception_ptr(
        TransportError(TransportFailure::CouldNotResolveHost, std::move(url), "Could not resolve host: " + host));
}

TEST(Report, OnlyAFailedRequestToThePlaceholderHostNamesTheMissingSiteHost) {
    const std::string unresolvedLine =
        "https://novel-site.invalid/search/: Could not resolve host: novel-site.invalid";
    struct Case {
        const char* name;
        std::string_view siteHost;
        std::exception_ptr error;
        std::string expected;
    } cases[] = {
        {"placeholder build, search", kPlaceholder,
         unresolved("https://novel-site.invalid/search/", "novel-site.invalid"),
         unresolvedLine + std::string(kNoSiteHostNote)},
        {"placeholder build, any failure kind", kPlaceholder,
         std::make_exception_ptr(
             TransportError(TransportFailure::CouldNotConnect, "https://novel-site.invalid:443/b/1/", "refused")),
         "https://novel-site.invalid:443/b/1/: refused" + std::string(kNoSiteHostNote)},
        {"placeholder build, another host", kPlaceholder,
         unresolved("https://img.example.com/c.jpg", "img.example.com"),
         "https://img.example.com/c.jpg: Could not resolve host: img.example.com"},
        {"placeholder build, a host that only begins alike", kPlaceholder,
         unresolved("https://novel-site.invalid.example.com/", "novel-site.invalid.example.com"),
         "https://novel-site.invalid.example.com/: Could not resolve host: novel-site.invalid.example.com"},
        {"placeholder build, an answer that could not be used", kPlaceholder,
         std::make_exception_ptr(EmptyError("https://novel-site.invalid/search/", statusCause(502))),
         "https://novel-site.invalid/search/: status 502"},
        {"placeholder build, another error", kPlaceholder, std::make_exception_ptr(std::runtime_error("disk full")),
         "disk full"},
        {"real host", kRealHost, unresolved("https://www.example-novels.cn/search/", "www.example-novels.cn"),
         "https://www.example-novels.cn/search/: Could not resolve host: www.example-novels.cn"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describeError(c.error, c.siteHost), c.expected) << c.name;
    }
}

// The program as shipped by a default build: the screens as always, then the one line that says why.
TEST(Report, DefaultBuildSaysItHasNoSiteHost) {
    if (!isPlaceholderHost(site::kHost)) GTEST_SKIP() << "built for the site host " << site::kHost;
    PtySession session({NOVAWICK_BINARY_DIR "/app/novawick"}, 10);
    ASSERT_TRUE(session.waitFor("Search: "));
    session.send("term\n");
    EXPECT_EQ(session.finish(), 1);
    EXPECT_EQ(splitLines(session.screen()),
              (std::vector<std::string>{"Novawick", "Made by Zentor", "----------", "", "Search: term"}));
    const std::string prefix = "novawick: https://" + std::string(site::kHost) + "/search/: ";
    const std::string suffix = std::string(kNoSiteHostNote) + "\n";
    const std::string& error = session.errors();
    ASSERT_GE(error.size(), prefix.size() + suffix.size()) << error;
    EXPECT_EQ(error.substr(0, prefix.size()), prefix) << error;
    EXPECT_EQ(error.substr(error.size() - suffix.size()), suffix) << error;
}

}  // namespace
}  // namespace novawick
