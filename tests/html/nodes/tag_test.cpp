// The tag table: its seven construction steps, its block and inline kinds, the tree builder ids its tags
// carry, and lookups of names outside it.
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

#include "tests/html/nodes/tree_fixture.h"

namespace novawick::html::test {
namespace {

struct TagFlags {
    const char* name;
    bool block, formatAsBlock, canContainBlock, canContainInline, empty, preserveWhitespace, formListed, formSubmittable;
};

// One or more tags touched by each step, including repeats and tags changed by several steps.
const TagFlags kTable[] = {
    {"div", true, true, true, true, false, false, false, false},
    {"body", true, true, true, true, false, false, false, false},
    {"span", false, false, false, true, false, false, false, false},
    {"a", false, false, false, true, false, false, false, false},
    {"br", false, false, false, false, true, false, false, false},
    {"area", false, false, false, false, true, false, false, false},
    {"hr", true, true, false, false, true, false, false, false},
    {"p", true, false, true, true, false, false, false, false},
    {"script", true, false, true, true, false, false, false, false},
    {"pre", true, false, true, true, false, true, false, false},
    {"title", true, false, true, true, false, true, false, false},
    {"textarea", false, false, false, true, false, true, true, true},
    {"plaintext", true, true, true, true, false, true, false, false},
    {"button", false, false, false, true, false, false, true, false},
    {"fieldset", true, true, true, true, false, false, true, false},
    {"input", false, false, false, false, true, false, true, true},
    {"object", false, false, false, true, false, false, true, true},
};

TEST(TagTable, FlagsAfterAllSteps) {
    for (const TagFlags& expected : kTable) {
        SCOPED_TRACE(expected.name);
        const Tag* tag = Tag::find(expected.name);
        ASSERT_NE(tag, nullptr);
        EXPECT_TRUE(tag->isKnown());
        EXPECT_EQ(tag->isBlock(), expected.block);
        EXPECT_EQ(tag->isInline(), !expected.block);
        EXPECT_EQ(tag->formatAsBlock(), expected.formatAsBlock);
        EXPECT_EQ(tag->canContainBlock(), expected.canContainBlock);
        EXPECT_EQ(tag->canContainInline(), expected.canContainInline);
        EXPECT_EQ(tag->isEmpty(), expected.empty);
        EXPECT_EQ(tag->isSelfClosing(), expected.empty);
        EXPECT_EQ(tag->preserveWhitespace(), expected.preserveWhitespace);
        EXPECT_EQ(tag->isFormListed(), expected.formListed);
        EXPECT_EQ(tag->isFormSubmittable(), expected.formSubmittable);
        EXPECT_FALSE(tag->isData());
    }
}

// The table's kinds decide isBlock, and so where text() puts separators: pinned name by name, since they
// and the tree builder's lists come from one file now. "center" is in neither.
const std::string_view kBlockNames[] = {
    "html", "head", "body", "frameset", "script", "noscript", "style", "meta", "link", "title", "frame",
    "noframes", "section", "nav", "aside", "hgroup", "header", "footer", "p", "h1", "h2", "h3", "h4", "h5",
    "h6", "ul", "ol", "pre", "div", "blockquote", "hr", "address", "figure", "figcaption", "form", "fieldset",
    "ins", "del", "s", "dl", "dt", "dd", "li", "table", "caption", "thead", "tfoot", "tbody", "colgroup", "col",
    "tr", "th", "td", "video", "audio", "canvas", "details", "menu", "plaintext", "template", "article", "main",
    "svg", "math",
};
const std::string_view kInlineNames[] = {
    "object", "base", "font", "tt", "i", "b", "u", "big", "small", "em", "strong", "dfn", "code", "samp", "kbd",
    "var", "cite", "abbr", "time", "acronym", "mark", "ruby", "rt", "rp", "a", "img", "br", "wbr", "map", "q",
    "sub", "sup", "bdo", "iframe", "embed", "span", "input", "select", "textarea", "label", "button",
    "optgroup", "option", "legend", "datalist", "keygen", "output", "progress", "meter", "area", "param",
    "source", "track", "summary", "command", "device", "basefont", "bgsound", "menuitem", "data", "bdi",
};

TEST(TagTable, KindsAreExactlyTheListedOnesAndCarryTheirBuilderIds) {
    Document doc("");
    std::set<std::size_t> tableIndexes;
    using Kind = std::pair<std::span<const std::string_view>, bool>;
    for (const auto& [names, block] : {Kind{kBlockNames, true}, Kind{kInlineNames, false}}) {
        for (std::string_view name : names) {
            SCOPED_TRACE(std::string(name));
            const Tag* tag = Tag::find(name);
            ASSERT_NE(tag, nullptr);
            EXPECT_EQ(tag->isBlock(), block);
            EXPECT_EQ(tag->builderId(), tagIdOf(name));
            EXPECT_EQ(Tag::findWithBuilderId(name).tag, tag);
            EXPECT_EQ(Tag::findWithBuilderId(name).builderId, tag->builderId());
            EXPECT_LT(tag->tableIndex(), Tag::tableIndexLimit());
            tableIndexes.insert(tag->tableIndex());
        }
    }
    EXPECT_EQ(tableIndexes.size(), Tag::knownTagCount());  // dense, one per tag: the per-name index relies on it

    // A name the builder knows and the table does not gets its id on the per-document tag.
    const Tag* center = Tag::valueOf("center", doc);
    EXPECT_FALSE(center->isKnown());
    EXPECT_FALSE(center->isBlock());
    EXPECT_EQ(center->builderId(), TagId::Center);
    EXPECT_EQ(Tag::findWithBuilderId("center").tag, nullptr);
    EXPECT_EQ(Tag::findWithBuilderId("center").builderId, TagId::Center);
    EXPECT_EQ(Tag::valueOf("CENTER", doc)->builderId(), TagId::Other);
    EXPECT_EQ(Tag::find("span")->builderId(), TagId::Other);
}

TEST(TagTable, HoldsEveryDistinctNameOnce) {
    EXPECT_EQ(Tag::knownTagCount(), 64u + 61u);
    EXPECT_TRUE(Tag::isKnownTag("bdi"));
    EXPECT_FALSE(Tag::isKnownTag("DIV"));
    EXPECT_FALSE(Tag::isKnownTag("center"));
}

TEST(TagValueOf, NormalisesThenFallsBackToAFreshInlineTag) {
    Document doc("");
    const ParseSettings html = ParseSettings::htmlDefault();
    EXPECT_EQ(Tag::valueOf("div", html, doc), Tag::find("div"));
    EXPECT_EQ(Tag::valueOf("  DIV ", html, doc), Tag::find("div"));

    const Tag* custom = Tag::valueOf(" My-Tag ", html, doc);
    EXPECT_EQ(custom->getName(), "my-tag");
    EXPECT_FALSE(custom->isKnown());
    EXPECT_FALSE(custom->isBlock());
    EXPECT_TRUE(custom->formatAsBlock());
    EXPECT_TRUE(custom->canContainBlock());
    EXPECT_FALSE(custom->isSelfClosing());
    EXPECT_NE(Tag::valueOf("my-tag", html, doc), custom);  // not shared
    EXPECT_TRUE(*Tag::valueOf("my-tag", html, doc) == *custom);

    const Tag* upper = Tag::valueOf("DIV", doc);  // case preserved: not the table's div
    EXPECT_EQ(upper->getName(), "DIV");
    EXPECT_EQ(upper->getNameNormal(), "div");
    EXPECT_FALSE(upper->isBlock());

    EXPECT_THROW(Tag::valueOf("  ", html, doc), Exception);
    EXPECT_THROW(Tag::valueOf("", doc), Exception);
}

TEST(TagValueOf, SelfClosingMarkTouchesOnlyThatElementsUnknownTag) {
    Document doc("");
    Element* first = doc.createElement("widget");
    Element* second = doc.createElement("widget");
    first->markSelfClosing();
    EXPECT_TRUE(first->tag().isSelfClosing());
    EXPECT_FALSE(second->tag().isSelfClosing());
    Element* div = doc.createElement("div");
    div->markSelfClosing();
    EXPECT_FALSE(Tag::find("div")->isSelfClosing());
    doc.markSelfClosing();
    EXPECT_FALSE(doc.tag().isSelfClosing());
}

}  // namespace
}  // namespace novawick::html::test
