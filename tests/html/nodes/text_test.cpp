// Element.text, ownText and Elements.text: the whitespace rules that decide what text reaches a book.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/html/nodes/tree_fixture.h"

namespace novawick::html::test {
namespace {

struct TextCase {
    const char* name;
    std::function<Element*(Document&)> build;
    std::string normalised;  // text(true)
};

class ElementText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ElementText, MatchesExpected) {
    Document doc("");
    Element* root = GetParam().build(doc);
    EXPECT_EQ(root->text(), GetParam().normalised);
}

const TextCase kTextCases[] = {
    {"InlineAddsNothing", [](Document& d) { return el(d, "p", {txt(d, "Hello "), el(d, "b", {txt(d, "there")}), txt(d, "!")}); }, "Hello there!"},
    {"BlocksSeparate", [](Document& d) { return el(d, "body", {el(d, "div", {txt(d, "One")}), el(d, "div", {txt(d, "Two")})}); }, "One Two"},
    {"BrSeparates", [](Document& d) { return el(d, "body", {txt(d, "a"), el(d, "br"), txt(d, "b")}); }, "a b"},
    {"BrNoDoubleSpace", [](Document& d) { return el(d, "body", {txt(d, "a "), el(d, "br"), txt(d, " b")}); }, "a b"},
    {"SeparatorOnlyWhereBlockStarts", [](Document& d) { return el(d, "body", {el(d, "p", {txt(d, "a")}), txt(d, "b")}); }, "ab"},
    {"SeparatorBeforeBlock", [](Document& d) { return el(d, "body", {txt(d, "a"), el(d, "p", {txt(d, "b")})}); }, "a b"},
    {"NothingAccumulatedNoSeparator", [](Document& d) { return el(d, "div", {el(d, "p", {txt(d, "a")})}); }, "a"},
    {"SpanJoins", [](Document& d) { return el(d, "div", {txt(d, "a"), el(d, "span", {txt(d, "b")})}); }, "ab"},
    {"WhitespaceRunsCollapse", [](Document& d) { return el(d, "p", {txt(d, "  a \t\n b  "), txt(d, "  c")}); }, "a b c"},
    {"CrLfIsOneCharacter", [](Document& d) { return el(d, "p", {txt(d, "a\r\n\r\nb\f\rc")}); }, "a b c"},
    {"PreKeepsInnerWhitespace", [](Document& d) { return el(d, "div", {el(d, "pre", {txt(d, "  a\n  b")})}); }, "a\n  b"},
    {"PreReachesOneLevelDown", [](Document& d) { return el(d, "pre", {txt(d, "a"), el(d, "b", {txt(d, "  x  ")}), txt(d, "b")}); }, "a  x  b"},
    {"PreReachesNoFurther", [](Document& d) { return el(d, "pre", {el(d, "i", {el(d, "b", {txt(d, " x   y ")})})}); }, "x y"},
    {"TextareaAndTitlePreserve", [](Document& d) { return el(d, "div", {el(d, "textarea", {txt(d, "a  b")}), el(d, "title", {txt(d, "c  d")})}); }, "a  b c  d"},
    {"NoBreakSpaceKeptWhenEndsAreNotWhitespace", [](Document& d) { return el(d, "p", {txt(d, "\xC2\xA0" "a")}); }, "\xC2\xA0" "a"},
    {"NoBreakSpaceTrimmedWhenAnEndIsWhitespace", [](Document& d) { return el(d, "p", {txt(d, "\xC2\xA0" "a ")}); }, "a"},
    {"ScriptDataExcluded", [](Document& d) { return el(d, "p", {txt(d, "x"), el(d, "script", {data(d, "var y")})}); }, "x"},
    {"DataDoesNotCountAsAccumulated", [](Document& d) { return el(d, "div", {el(d, "script", {data(d, "s")}), el(d, "p", {txt(d, "a")})}); }, "a"},
    {"CommentsIgnored", [](Document& d) { return el(d, "p", {txt(d, "a"), d.createComment("c"), txt(d, "b")}); }, "ab"},
    {"LeadingWhitespaceBeforeBlock", [](Document& d) { return el(d, "div", {txt(d, "  "), el(d, "p", {txt(d, "a")})}); }, "a"},
    {"NestedBlocksOneSeparator", [](Document& d) { return el(d, "div", {txt(d, "a"), el(d, "div", {el(d, "p", {txt(d, "b")})})}); }, "a b"},
    {"BlockAfterTrailingSpaceAddsNone", [](Document& d) { return el(d, "div", {txt(d, "a "), el(d, "p", {txt(d, " b")})}); }, "a b"},
    // A space followed by a combining mark is one character that is not whitespace.
    {"SpaceWithCombiningMarkIsText", [](Document& d) { return el(d, "p", {txt(d, "a  \xCC\x81" "b")}); }, "a  \xCC\x81" "b"},
    {"SpaceWithCombiningMarkNotTrimmed", [](Document& d) { return el(d, "p", {txt(d, " \xCC\x81" "x")}); }, " \xCC\x81" "x"},
    // U+0600 prepends to the space after it.
    {"PrependedSpaceIsText", [](Document& d) { return el(d, "p", {txt(d, "a\xD8\x80 b")}); }, "a\xD8\x80 b"},
    // Single spaces inside a run, lone or joined, next to runs of several whitespace characters.
    {"SpacesWithinAndBetweenRuns", [](Document& d) { return el(d, "p", {txt(d, "x y \xCC\x81z  w\xD8\x80 \n v ")}); }, "x y \xCC\x81z w\xD8\x80  v"},
    {"ChineseText", [](Document& d) { return el(d, "div", {el(d, "p", {txt(d, " 第一章 \n 开始 ")}), el(d, "p", {txt(d, "结束")})}); }, "第一章 开始 结束"},
    {"EmptyElement", [](Document& d) { return el(d, "div"); }, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, ElementText, ::testing::ValuesIn(kTextCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ElementTextRaw, KeepsSpacesExactlyAndStillSeparatesBlocks) {
    Document d("");
    EXPECT_EQ(el(d, "p", {txt(d, " a  b ")})->text(false), " a  b ");
    EXPECT_EQ(el(d, "div", {txt(d, "a"), el(d, "p", {txt(d, "b ")}), el(d, "p", {txt(d, "c")})})->text(false), "a b c");
    // script is a block: its separator stays, since raw text is not trimmed.
    EXPECT_EQ(el(d, "p", {txt(d, "x"), el(d, "script", {data(d, "y")})})->text(false), "x ");
}

TEST(ElementTextRaw, EmptyTextStillCountsAsAccumulated) {
    Document d("");
    // An empty raw piece makes the accumulator non-empty, so the block still gets its separator.
    EXPECT_EQ(el(d, "div", {txt(d, ""), el(d, "p", {txt(d, "a")})})->text(false), " a");
}

TEST(OwnText, OnlyDirectTextAndBr) {
    Document d("");
    Element* p = el(d, "p", {txt(d, "Hello "), el(d, "b", {txt(d, "there")}), txt(d, " now"), el(d, "br"), txt(d, "x ")});
    EXPECT_EQ(p->ownText(), "Hello now x");
    EXPECT_EQ(el(d, "pre", {txt(d, " a  b "), el(d, "br")})->ownText(), "a  b");
    EXPECT_EQ(el(d, "p")->ownText(), "");
}

TEST(ElementsText, JoinsWithOneSpaceKeepingEmptyTexts) {
    Document d("");
    EXPECT_EQ(Elements().text(), "");
    Elements two({el(d, "p", {txt(d, "a")}), el(d, "p", {txt(d, " b ")})});
    EXPECT_EQ(two.text(), "a b");
    Elements three({el(d, "p", {txt(d, "a")}), el(d, "p"), el(d, "p", {txt(d, "b")})});
    EXPECT_EQ(three.text(), "a  b");
    EXPECT_EQ(Elements({el(d, "p", {txt(d, " x ")})}).text(false), " x ");
}

TEST(TextNodeText, NormalisesWithoutTrimming) {
    Document d("");
    auto* text = d.createText("  a \n b  ");
    EXPECT_EQ(text->getWholeText(), "  a \n b  ");
    EXPECT_EQ(text->text(), " a b ");
    EXPECT_FALSE(text->isBlank());
    EXPECT_TRUE(d.createText(" \r\n\t")->isBlank());
}

}  // namespace
}  // namespace novawick::html::test
