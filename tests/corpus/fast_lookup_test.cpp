// The hand-rolled hash tables that replaced general string lookups on the parser's hot path (the tree
// builder's tag ids, the tag table) checked against plain reference answers: every name is found,
// and near misses that share a hash ingredient (length, first, middle or last byte) are not.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "html/nodes/document.h"
#include "html/nodes/tag.h"
#include "html/parser/tree_builder_tags.h"

namespace {

TEST(FastLookup, EveryBuilderTagNameMapsToItsOwnId) {
    for (std::size_t id = 0; id < novawick::html::kNamedTagCount; ++id) {
        const std::string_view name = novawick::html::kTagIdNames[id];
        SCOPED_TRACE(std::string(name));
        EXPECT_EQ(novawick::html::tagIdOf(name), static_cast<novawick::html::TagId>(id));
        // The tree builder keys on lower-case names only.
        std::string upper(name);
        for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (upper != name) {
            EXPECT_EQ(novawick::html::tagIdOf(upper), novawick::html::TagId::Other);
        }
    }
}

TEST(FastLookup, NearMissesAreOther) {
    const char* misses[] = {"",       "span",        "bx",     "dív",     "h7",          "lx",   "tablx",
                            "xable",  "blockquotes", "figcaptionx", "abbr", "divdivdivdivdiv", "\xff"};
    for (const char* miss : misses) {
        SCOPED_TRACE(miss);
        EXPECT_EQ(novawick::html::tagIdOf(miss), novawick::html::TagId::Other);
    }
    EXPECT_EQ(novawick::html::tagIdOf(std::string_view("a\0", 2)), novawick::html::TagId::Other);
}

TEST(FastLookup, TagTableFindsKnownNamesOnly) {
    const struct {
        const char* name;
        bool known;
    } cases[] = {{"div", true}, {"span", true}, {"a", true}, {"textarea", true}, {"p", true},
                 {"DIV", false}, {"spa", false}, {"spanx", false}, {"", false}, {"custom-element", false}};
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const novawick::html::Tag* tag = novawick::html::Tag::find(item.name);
        EXPECT_EQ(tag != nullptr, item.known);
        if (tag != nullptr) {
            EXPECT_EQ(tag->getName(), item.name);
        }
    }
}

TEST(FastLookup, EveryKnownTagIsFoundUnderItsOwnName) {
    novawick::html::Document document("");
    std::size_t found = 0;
    for (std::size_t id = 0; id < novawick::html::kNamedTagCount; ++id) {
        const std::string_view name = novawick::html::kTagIdNames[id];
        if (const novawick::html::Tag* tag = novawick::html::Tag::find(name)) {
            EXPECT_EQ(tag->getName(), name);
            EXPECT_EQ(novawick::html::Tag::valueOf(name, document), tag);
            ++found;
        }
    }
    EXPECT_GT(found, novawick::html::kNamedTagCount / 2);
}

// The class test's search-based fast path against the name-by-name answers it must keep.
TEST(FastLookup, HasClassAgreesWithNameByNameMatching) {
    const struct {
        const char* classes;
        const char* wanted;
        bool expected;
    } cases[] = {
        {"reference internal", "reference", true},  {"reference internal", "internal", true},
        {"reference internal", "refer", false},     {"reference internal", "ence", false},
        {"xreference reference", "reference", true}, {"referencex internal", "reference", false},
        {"a\tb\nc\fd", "c", true},                 {"  pad  ", "pad", true},
        {"Reference", "reference", true},           {"reference", "REFERENCE", true},
        {"a b", "a b", true},                       {"a b c", "a b", false},
        {"a  b", "b", true},                        {"ab", "", false},
        {"x", "x", true},                           {"x", "xy", false},
        {"caf\xc3\xa9 bar", "bar", true},          {"a\r\nb", "b", true},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(std::string(item.classes) + " / " + item.wanted);
        novawick::html::Document document("");
        novawick::html::Element* element = document.createElement("div");
        element->attr("class", item.classes);
        EXPECT_EQ(element->hasClass(item.wanted), item.expected);
    }
}

}  // namespace
