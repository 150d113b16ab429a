// Reference resolution: the examples of RFC 3986 section 5.4 and the base-less cases.
#include <gtest/gtest.h>

#include "html/nodes/url_resolver.h"

namespace novawick::html {
namespace {

TEST(ResolveUrl, Rfc3986Examples) {
    const char* base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> cases[] = {
        {"g:h", "g:h"}, {"g", "http://a/b/c/g"}, {"./g", "http://a/b/c/g"}, {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"}, {"//g", "http://g"}, {"?y", "http://a/b/c/d;p?y"}, {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"}, {"g#s", "http://a/b/c/g#s"}, {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"}, {"g;x?y#s", "http://a/b/c/g;x?y#s"}, {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"}, {"./", "http://a/b/c/"}, {"..", "http://a/b/"}, {"../", "http://a/b/"},
        {"../g", "http://a/b/g"}, {"../..", "http://a/"}, {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"}, {"/./g", "http://a/g"}, {"/../g", "http://a/g"}, {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"}, {"./../g", "http://a/b/g"}, {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"}, {"g/../h", "http://a/b/c/h"}, {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"}, {"http:g", "http:g"},
    };
    for (const auto& [reference, expected] : cases) EXPECT_EQ(resolveUrl(base, reference), expected) << reference;
}

TEST(ResolveUrl, BaseWithoutSchemeOnlyPassesAbsoluteReferences) {
    EXPECT_EQ(resolveUrl("", "https://x.example/a"), "https://x.example/a");
    EXPECT_EQ(resolveUrl("", "/a"), "");
    EXPECT_EQ(resolveUrl("not a url", "a"), "");
    EXPECT_EQ(resolveUrl("https://host", "a/b"), "https://host/a/b");
}

}  // namespace
}  // namespace novawick::html
