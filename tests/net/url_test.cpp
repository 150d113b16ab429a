// The URL value: which texts parse as addresses (keeping their text), and path appending.
#include "net/url.h"

#include <gtest/gtest.h>

namespace novawick {
namespace {

TEST(Url, ParsesAbsoluteAddressesAndKeepsTheirText) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"https://example.invalid", true},
        {"https://example.invalid/book/1.html?x=1", true},
        {"http://127.0.0.1:8080/a", true},
        {"https://example.invalidfoo.html", true},  // a path without "/" runs into the host: still a URL
        {"", false},
        {"/relative/path", false},
        {"not a url", false},
        {"https://", false},
    };
    for (const Case& c : cases) {
        std::optional<Url> url = Url::parse(c.text);
        EXPECT_EQ(url.has_value(), c.valid) << c.text;
        if (url) {
            EXPECT_EQ(url->text(), c.text);
        }
    }
}

TEST(Url, AppendingPathComponentEncodesWhatAPathMayNotHold) {
    Url mirror = *Url::parse("https://mirror.invalid");
    EXPECT_EQ(mirror.appendingPathComponent("s").appendingPathComponent("三体 x?").text(),
              "https://mirror.invalid/s/%E4%B8%89%E4%BD%93%20x%3F");
    EXPECT_EQ(mirror.appendingPathComponent("/book/1/a#b").text(), "https://mirror.invalid/book/1/a%23b");
}

}  // namespace
}  // namespace novawick
