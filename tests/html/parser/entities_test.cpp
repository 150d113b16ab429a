// Entity tables: the three modes' lookups, escaping for output and decoding with unescape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/nodes/exception.h"
#include "html/parser/entities.h"

namespace {

using novawick::html::Entities;
using novawick::html::EscapeMode;

TEST(Entities, TablesHaveTheirSizes) {
    EXPECT_EQ(EscapeMode::xhtml().size(), 4u);
    EXPECT_EQ(EscapeMode::base().size(), 106u);
    EXPECT_EQ(EscapeMode::extended().size(), 2125u);
}

TEST(Entities, NameLookups) {
    struct Case {
        const char* name;
        bool base;
        bool extended;
    };
    const Case cases[] = {
        {"amp", true, true}, {"AMP", true, true}, {"copy", true, true}, {"nbsp", true, true},
        {"hellip", false, true}, {"NotEqualTilde", false, true}, {"Amp", false, false},
        {"ampx", false, false}, {"", false, false}, {"amp;", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Entities::isBaseNamedEntity(c.name), c.base) << c.name;
        EXPECT_EQ(Entities::isNamedEntity(c.name), c.extended) << c.name;
        // The tokeniser asks the extended table once; its legacy mark must say what the base table says.
        const novawick::html::NamedCodepoint* entry = EscapeMode::extended().find(c.name);
        EXPECT_EQ(entry != nullptr && entry->legacy, c.base) << c.name;
    }
}

TEST(Entities, CodepointsOfNames) {
    EXPECT_EQ(Entities::codepointsForName("NotEqualTilde"), (std::vector<char32_t>{0x2242, 0x0338}));
    EXPECT_EQ(Entities::codepointsForName("amp"), (std::vector<char32_t>{0x26}));
    EXPECT_EQ(Entities::codepointsForName("Copf"), (std::vector<char32_t>{0x2102}));
    EXPECT_TRUE(Entities::codepointsForName("nosuch").empty());
    EXPECT_EQ(Entities::getByName("hellip"), "\u2026");
    EXPECT_EQ(Entities::getByName("nosuch"), std::nullopt);
    EXPECT_EQ(EscapeMode::base().codepointForName("eacute"), char32_t{0xE9});
    EXPECT_EQ(EscapeMode::base().codepointForName("hellip"), std::nullopt);
}

TEST(Entities, NameForCodepointTakesTheLastName) {
    EXPECT_EQ(EscapeMode::extended().nameForCodepoint(0x26), "amp");
    EXPECT_EQ(EscapeMode::extended().nameForCodepoint(0xA0), "nbsp");
    EXPECT_EQ(EscapeMode::base().nameForCodepoint(0x22), "quot");
    EXPECT_EQ(EscapeMode::xhtml().nameForCodepoint(0xA0), std::nullopt);
    EXPECT_EQ(EscapeMode::extended().nameForCodepoint(0x1D56B), "zopf");
    EXPECT_EQ(EscapeMode::extended().nameForCodepoint(0x4E00), std::nullopt);
}

TEST(Entities, Escape) {
    struct Case {
        const char* text;
        const EscapeMode& mode;
        const char* charset;
        novawick::html::EscapeOptions options;
        const char* expected;
    };
    const novawick::html::EscapeOptions text{}, attribute{true, false, false}, normalise{false, true, true};
    const Case cases[] = {
        {"a < b & c", EscapeMode::base(), "UTF-8", text, "a &lt; b &amp; c"},
        {"a > \"b\"", EscapeMode::base(), "UTF-8", text, "a &gt; \"b\""},
        {"a<b>\"c\"", EscapeMode::base(), "UTF-8", attribute, "a<b>&quot;c&quot;"},
        {"a<b", EscapeMode::xhtml(), "UTF-8", attribute, "a&lt;b"},
        {"\u00A0", EscapeMode::xhtml(), "UTF-8", text, "&#xa0;"},
        {"\u00A0", EscapeMode::base(), "UTF-8", text, "&nbsp;"},
        {"\u00E9", EscapeMode::base(), "US-ASCII", text, "&eacute;"},
        {"\u00E9", EscapeMode::extended(), "ascii", text, "&eacute;"},
        {"\u00E9", EscapeMode::xhtml(), "US-ASCII", text, "&#xe9;"},
        {"\u4E2D", EscapeMode::base(), "US-ASCII", text, "&#x4e2d;"},
        {"\u00E9", EscapeMode::base(), "UTF-8", text, "\u00E9"},
        {"\u00E9\u4E2D", EscapeMode::base(), "ISO-8859-1", text, "\u00E9&#x4e2d;"},
        {"  a \t\n b  ", EscapeMode::base(), "UTF-8", normalise, "a b "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Entities::escape(c.text, c.mode, c.charset, c.options), c.expected) << c.text;
    EXPECT_EQ(Entities::escape("1 < 2"), "1 &lt; 2");
    EXPECT_THROW(Entities::escape("x", EscapeMode::base(), "no-such-charset", {}), novawick::html::Exception);
}

TEST(Entities, Unescape) {
    struct Case {
        const char* text;
        bool strict;
        const char* expected;
    };
    const Case cases[] = {
        {"&lt;p&gt; &amp;copy", false, "<p> &copy"},
        {"&amp=x", false, "&=x"},
        {"&amp=x", true, "&amp=x"},
        {"&ampx", false, "&ampx"},
        {"&hellip", false, "&hellip"},  // not a legacy name, so it needs its ";"
        {"&hellip;", true, "\u2026"},
        {"&NotEqualTilde;", false, "\u2242\u0338"},
        {"&#x41;&#66;", false, "AB"},
        {"&#xD800;", false, "\uFFFD"},
        {"&#x110000;&#99999999999999999999;", false, "\uFFFD\uFFFD"},
        {"&#128;", false, "\u0080"},
        {"&#;", false, "&#;"},
        {"& &", false, "& &"},
        {"a&", false, "a&"},
        {"&foo;", false, "&foo;"},
    };
    for (const Case& c : cases) EXPECT_EQ(Entities::unescape(c.text, c.strict), c.expected) << c.text;
}

}  // namespace
