// Selection results on small documents: combinators, case rules, attribute operators, index and nth
// forms, :has/:not/:contains/:matches, and the error messages of malformed queries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/nodes/nodes.h"
#include "html/select/query_parser.h"
#include "html/select/regex.h"
#include "html/select/selector.h"
#include "tree_fixture.h"

namespace {

using selector_test::buildTree;
using selector_test::describe;

struct SelectCase {
    const char* query;
    const char* expected;  // ids (or tag names) in result order
};

void expectSelections(const novawick::html::Element& root, const std::vector<SelectCase>& cases) {
    for (const SelectCase& c : cases) {
        try {
            EXPECT_EQ(describe(novawick::html::select(root, c.query)), c.expected) << "query: " << c.query;
        } catch (const novawick::html::Exception& error) {
            ADD_FAILURE() << "query: " << c.query << " raised " << error.message();
        }
    }
}

constexpr const char* kPage =
    "<body id=\"body\">"
    "<p id=\"p1\" class=\"Intro lead\">Hello <b id=\"b1\">there</b></p>"
    "<div id=\"d1\" title=\"Main Block\"><p id=\"p2\">hello world</p><span id=\"s1\">x</span></div>"
    "<p id=\"p3\"><a id=\"a1\" href=\"/a\" data-Role=\"nav\">link</a></p>"
    "<fb:like id=\"ns1\"/><like id=\"ns2\"/>"
    "</body>";

TEST(SelectorTest, CombinatorsAndDocumentOrder) {
    auto document = buildTree(kPage);
    novawick::html::Element* body = document->getElementById("body");
    expectSelections(*body, {
        {"p", "p1 p2 p3"},
        {"div p", "p2"},
        {"div > p", "p2"},
        {"body > p", "p1 p3"},
        {"> p", "p1 p3"},                  // leading combinator: relative to the root
        {"p + div", "d1"},
        {"p ~ p", "p3"},
        {"p2 ~ span, #p2 ~ span", "s1"},
        {"a, div > p", "p2 a1"},           // "," binds loosest; result in document order
        {"div, p", "p1 d1 p2 p3"},         // not grouped by alternative
        {"p b, p a", "b1 a1"},
        {"body p > b", "b1"},
        {"*", "body p1 b1 d1 p2 s1 p3 a1 ns1 ns2"},
        {"div *", "p2 s1"},
        {"p:has(b) ~ *", "d1 p3 ns1 ns2"},
    });
}

TEST(SelectorTest, CaseRules) {
    auto document = buildTree(kPage);
    novawick::html::Element* body = document->getElementById("body");
    expectSelections(*body, {
        {"P", "p1 p2 p3"},
        {"P.Intro", "p1"},
        {"p.intro", "p1"},
        {".LEAD", "p1"},
        {"#P1", ""},                        // ids are exact
        {"#p1", "p1"},
        {"[HREF]", "a1"},
        {"[^HR]", "a1"},
        {"[data-role=NAV]", "a1"},
        {"[title=main block]", "d1"},
        {"*|like", "ns1 ns2"},             // any namespace: plain name or ns:name
        {"fb|like", "ns1"},
        {"P:CONTAINS(HELLO)", "p1 p2"},
    });
}

TEST(SelectorTest, AttributeOperators) {
    auto document = buildTree(
        "<ul id=\"root\">"
        "<li id=\"l1\" href=\"/a\" lang=\"en-GB\" class=\"x12\"/>"
        "<li id=\"l2\" href=\" /A \" lang=\"fr\" class=\"y\"/>"
        "<li id=\"l3\" data-a=\"1\" data-b=\"\" class=\"x1 z\"/>"
        "</ul>");
    novawick::html::Element* root = document->getElementById("root");
    expectSelections(*root, {
        {"[href]", "l1 l2"},
        {"[href=/a]", "l1 l2"},           // value trimmed and compared ignoring case
        {"[href=\"/a\"]", "l1 l2"},
        {"[href='/a']", "l1 l2"},
        {"[href = /a]", "l1 l2"},
        {"[href!=/a]", "root l2 l3"},     // an absent attribute counts as ""; l2's value is not trimmed here
        {"[lang^=EN]", "l1"},
        {"[lang$=gb]", "l1"},
        {"[lang*=n-g]", "l1"},
        {"[class~=^x\\d+$]", "l1"},
        {"[class~=z]", "l3"},
        {"[^data-]", "l3"},
        {"[data-b]", "l3"},
        {"li[lang][href]", "l1 l2"},
        {"[lang=\"", ""},                 // value is a lone quote: kept as is, not unquoted
    });
}

TEST(SelectorTest, IndexAndChildPseudoClasses) {
    auto document = buildTree(
        "<div id=\"root\">"
        "<ul id=\"u1\"><li id=\"a\"/><li id=\"b\"/><li id=\"c\"/></ul>"
        "<ul id=\"u2\"><li id=\"d\"/>text<!--c--></ul>"
        "<p id=\"e1\"></p><p id=\"e2\"><!--only a comment--></p><p id=\"e3\"> </p>"
        "</div>");
    novawick::html::Element* root = document->getElementById("root");
    expectSelections(*root, {
        {"li:eq(0)", "a d"},
        {"li:lt(2)", "a b d"},
        {"li:gt(0)", "b c"},
        {"li:first-child", "a d"},
        {"li:last-child", "c d"},
        {"li:only-child", "d"},
        {"ul:first-of-type", "u1"},
        {"ul:last-of-type", "u2"},
        {"p:only-of-type", ""},
        {"li:only-of-type", "d"},
        {"p:empty", "e1 e2"},              // a blank text node is content
        {":root", "root"},
        {"li:eq( 1 )", "b"},
        {"div :first-child", "u1 a d"},
    });
}

TEST(SelectorTest, RootOfADocumentIsItsFirstElement) {
    auto document = buildTree("<html id=\"h\"><body id=\"b\"/></html>");
    EXPECT_EQ(describe(novawick::html::select(*document, ":root")), "h");
    EXPECT_TRUE(novawick::html::is(*document->getElementById("h"), ":root"));
    EXPECT_FALSE(novawick::html::is(*document->getElementById("b"), ":root"));
    // The document itself is an element of the walk.
    EXPECT_EQ(novawick::html::select(*document, "*").size(), 3u);
}

TEST(SelectorTest, NthForms) {
    std::string markup = "<ol id=\"root\">";
    for (int i = 1; i <= 7; ++i) markup += "<li id=\"" + std::to_string(i) + "\"/>";
    markup += "</ol>";
    auto document = buildTree(markup);
    novawick::html::Element* root = document->getElementById("root");
    expectSelections(*root, {
        {"li:nth-child(2n+1)", "1 3 5 7"},
        {"li:nth-child(odd)", "1 3 5 7"},
        {"li:nth-child(even)", "2 4 6"},
        {"li:nth-child(-n+3)", "1 2 3"},
        {"li:nth-child(3)", "3"},
        {"li:nth-child(+3)", "3"},
        {"li:nth-child(n)", "1 2 3 4 5 6 7"},
        {"li:nth-child(n+5)", "5 6 7"},
        {"li:nth-child(2n-1)", "1 3 5 7"},
        {"li:nth-child(-2n+5)", "1 3 5"},
        {"li:nth-child(0n+2)", "2"},
        {"li:nth-child(-3)", ""},
        {"li:nth-child(3N)", "3 6"},
        {"li:nth-last-child(1)", "7"},
        {"li:nth-last-child(-n+2)", "6 7"},
        {"li:nth-of-type(2)", "2"},
        {"li:nth-last-of-type(2n)", "2 4 6"},
        {"li:nth-child(9223372036854775807n+1)", "1"},
        {"li:nth-child(-9223372036854775808n+7)", "7"},
        {"li:nth-child(n-9223372036854775808)", "1 2 3 4 5 6 7"},
    });
}

TEST(SelectorTest, HasNotAndText) {
    auto document = buildTree(
        "<div id=\"root\">"
        "<div id=\"d1\"><p id=\"p1\"><p id=\"p2\">Hello world</p></p></div>"
        "<div id=\"d2\"><span id=\"s1\">Hello <i id=\"i1\">there</i></span></div>"
        "<div id=\"d3\">a<br id=\"br\"/>b (c) \\x</div>"
        "</div>");
    novawick::html::Element* root = document->getElementById("root");
    expectSelections(*root, {
        {"div:has(p)", "root d1"},
        {"p:has(p)", "p1"},                 // never merely because it is a p
        {"div:not(:has(p))", "d2 d3"},
        {"div:not(#d1):not(#root)", "d2 d3"},
        {":has(> i)", ""},                  // ">" inside :has relates to the query root, not the candidate
        {":has(> div)", "root"},
        {":contains(hello)", "root d1 p1 p2 d2 s1"},
        {":containsOwn(hello)", "p2 s1"},
        {":containsOwn(a b)", "d3"},        // br separates own text
        {":contains(\\(c\\))", "root d3"},
        {":contains(\\\\x)", "root d3"},
        {":matches(^Hello)", "root d1 p1 p2 d2 s1"},
        {":matchesOwn(w.rld$)", "p2"},
        {":matches(\\(c\\))", "root d3"},
        {"span:matches((?i)THERE)", "s1"},
    });
}

TEST(SelectorTest, InvalidRegularExpressionPrintsAndMatchesNothing) {
    auto document = buildTree("<div id=\"root\"><p id=\"p\">x</p></div>");
    testing::internal::CaptureStdout();
    novawick::html::Elements found = novawick::html::select(*document->getElementById("root"), "p:matches([)");
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(found.isEmpty());
    EXPECT_EQ(printed, "invalid regex: U_REGEX_MISSING_CLOSE_BRACKET\n");
}

// (a+)+$ backtracks exponentially on a run of a's that ends in b: without a limit one search takes
// seconds and every candidate pays them again. Wherever the pattern sits, inside :has and :not too,
// the time limit ends the whole selection with an error naming the pattern.
TEST(SelectorTest, RegularExpressionsPastTheirTimeLimitFailTheSelection) {
    const std::string text = std::string(26, 'a') + "b";
    auto document = buildTree("<div id=\"root\"><p id=\"p\" title=\"" + text + "\">" + text + "</p></div>");
    const novawick::html::Element& root = *document->getElementById("root");
    for (const char* query : {"p:matches((a+)+$)", "p:matchesOwn((a+)+$)", "[title~=(a+)+$]", "div:has(:matches((a+)+$))",
                              "p:not(:matches((a+)+$))"}) {
        try {
            novawick::html::select(root, query);
            ADD_FAILURE() << "no error for " << query;
        } catch (const novawick::html::Exception& error) {
            EXPECT_EQ(error.type(), novawick::html::ExceptionType::RegexTimeoutException) << query;
            EXPECT_EQ(error.message(), std::string(novawick::html::kRegexTimeLimitPrefix) + "(a+)+$") << query;
        }
    }
    EXPECT_THROW(document->getElementById("p")->is(":matches((a+)+$)"), novawick::html::Exception);
}

TEST(SelectorTest, ElementSelectTrimsButElementsSelectDoesNot) {
    auto document = buildTree("<div id=\"root\"><p id=\"p\"/></div>");
    novawick::html::Element* root = document->getElementById("root");
    EXPECT_EQ(describe(root->select(" p ")), "p");
    novawick::html::Elements roots({root});
    try {
        roots.select("p ");
        ADD_FAILURE() << "trailing whitespace accepted";
    } catch (const novawick::html::Exception& error) {
        EXPECT_EQ(error.message(), "Could not parse query : unexpected token at ");
        EXPECT_EQ(error.type(), novawick::html::ExceptionType::SelectorParseException);
    }
    EXPECT_THROW(roots.select(""), novawick::html::Exception);
    EXPECT_THROW(root->select("   "), novawick::html::Exception);
}

TEST(SelectorTest, ElementsSelectListsEachMatchOnceRootFirst) {
    auto document = buildTree(
        "<div id=\"outer\"><p id=\"p1\"/><div id=\"inner\"><p id=\"p2\"/></div></div><p id=\"p3\"/>");
    novawick::html::Element* outer = document->getElementById("outer");
    novawick::html::Element* inner = document->getElementById("inner");
    novawick::html::Element* p3 = document->getElementById("p3");
    EXPECT_EQ(describe(novawick::html::Elements({inner, outer}).select("p")), "p2 p1");
    EXPECT_EQ(describe(novawick::html::Elements({outer, inner}).select("p")), "p1 p2");
    EXPECT_EQ(describe(novawick::html::Elements({p3, outer, outer}).select("p")), "p3 p1 p2");
    EXPECT_EQ(describe(novawick::html::CssSelector::select("p", novawick::html::Elements({inner}))), "p2");
}

TEST(SelectorTest, IsUsesTheDocumentAsRoot) {
    auto document = buildTree("<div id=\"d\"><p id=\"p\" class=\"c\"/></div>");
    novawick::html::Element* p = document->getElementById("p");
    EXPECT_TRUE(p->is("div > p.c"));
    EXPECT_TRUE(p->is("p, span"));
    EXPECT_FALSE(p->is("span"));
    novawick::html::Element* detached = document->createElement("p");
    EXPECT_FALSE(detached->is("p"));
}

struct ErrorCase {
    const char* query;
    const char* message;
    novawick::html::ExceptionType type;
};

TEST(SelectorTest, MalformedQueriesRaiseExactMessages) {
    using enum novawick::html::ExceptionType;
    const ErrorCase cases[] = {
        {"&&", "Could not parse query &&: unexpected token at &&", SelectorParseException},
        {"div >", "Could not parse query : unexpected token at ", SelectorParseException},
        {"div, ", "Could not parse query : unexpected token at ", SelectorParseException},
        {"p:bogus", "Could not parse query p:bogus: unexpected token at :bogus", SelectorParseException},
        {"#", "String must not be empty", IllegalArgumentException},
        {".", "String must not be empty", IllegalArgumentException},
        {"[]", "String must not be empty", IllegalArgumentException},
        {"[=x]", "String must not be empty", IllegalArgumentException},
        {"[^]", "String must not be empty", IllegalArgumentException},
        {"[a=]", "String must not be empty", IllegalArgumentException},
        {"p:eq(x)", "Index must be numeric", IllegalArgumentException},
        {"div:lt(", "Index must be numeric", IllegalArgumentException},
        {"p:gt(-1)", "Index must be numeric", IllegalArgumentException},
        {"p:eq(99999999999999999999)", "Index must be numeric", IllegalArgumentException},
        {"p:nth-child(foo)", "Could not parse nth-index 'foo': unexpected format", SelectorParseException},
        {"p:nth-child(2n + 1)", "Could not parse nth-index '2n + 1': unexpected format", SelectorParseException},
        {"p:nth-child(99999999999999999999n)", "Could not parse nth-index '99999999999999999999n': unexpected format",
         SelectorParseException},
        {"p:nth-child(n+99999999999999999999)",
         "Could not parse nth-index 'n+99999999999999999999': unexpected format", SelectorParseException},
        {":has()", ":has(el) subselect must not be empty", IllegalArgumentException},
        {":not()", ":not(selector) subselect must not be empty", IllegalArgumentException},
        {":contains()", ":contains(text) query must not be empty", IllegalArgumentException},
        {":containsOwn()", ":contains(text) query must not be empty", IllegalArgumentException},
        {":matches()", ":matches(regex) query must not be empty", IllegalArgumentException},
        {":has(&)", "Could not parse query &: unexpected token at &", SelectorParseException},
    };
    for (const ErrorCase& c : cases) {
        try {
            novawick::html::QueryParser::parse(c.query);
            ADD_FAILURE() << "accepted: " << c.query;
        } catch (const novawick::html::Exception& error) {
            EXPECT_EQ(error.message(), c.message) << "query: " << c.query;
            EXPECT_EQ(error.type(), c.type) << "query: " << c.query;
        }
    }
}

}  // namespace
