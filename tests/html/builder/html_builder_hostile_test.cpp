// Hostile input is normal input: deep nesting, endless formatting elements, huge attribute lists and
// huge text must parse without recursion, in time and memory proportional to the input. These tests
// check only that the result is sane; they time nothing.
#include <gtest/gtest.h>

#include <string>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/parser/html_tree_builder.h"
#include "html/parser/parser.h"

namespace {

std::string repeat(std::string_view piece, std::size_t count) {
    std::string result;
    result.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) result.append(piece);
    return result;
}

// Follows first element children down from `element`; returns how many levels it went.
std::size_t depthBelow(const novawick::html::Element* element) {
    std::size_t depth = 0;
    for (;;) {
        const novawick::html::Element* next = nullptr;
        for (const novawick::html::Node* child : element->childNodes()) {
            if ((next = child->asElement()) != nullptr) break;
        }
        if (next == nullptr) return depth;
        element = next;
        ++depth;
    }
}

TEST(Hostile, MillionNestedDivs) {
    constexpr std::size_t kDepth = 1'000'000;
    const auto document = novawick::html::parse(repeat("<div>", kDepth) + "x");
    ASSERT_NE(document->body(), nullptr);
    EXPECT_EQ(depthBelow(document->body()), kDepth);
}

TEST(Hostile, NestedDivsWithParagraphAndTables) {
    // Every div asks "is a p in button scope?" and every table end resets the mode.
    const std::string html = "<p><applet>" + repeat("<div>", 200'000) + repeat("<table></table>", 10'000);
    const auto document = novawick::html::parse(html);
    EXPECT_EQ(depthBelow(document->body()), 2U + 200'000U + 1U);  // p, applet, the divs, a table
}

TEST(Hostile, HundredThousandUnclosedBoldTags) {
    constexpr std::size_t kCount = 100'000;
    const auto document = novawick::html::parse(repeat("<b>", kCount) + "x<p>y");
    ASSERT_NE(document->body(), nullptr);
    EXPECT_EQ(document->body()->text(), "x y");
    // Every b stays open, so the paragraph goes inside the innermost one.
    EXPECT_EQ(depthBelow(document->body()), kCount + 1);
}

TEST(Hostile, ManyDistinctFormattingElementsAndAnchors) {
    std::string html;
    for (int i = 0; i < 20'000; ++i) html += "<b id=" + std::to_string(i) + ">";
    html += repeat("<a>x</a>", 20'000);
    const auto document = novawick::html::parse(html);
    EXPECT_EQ(document->body()->text().size(), 20'000U);
}

// Formatting elements left open before many short paragraphs: each paragraph reopens them as copies,
// and the copies stop once the page's allowance is spent, however many the page asks for.
TEST(Hostile, ReopenedFormattingElementsStayWithinTheAllowance) {
    constexpr std::size_t kParagraphs = 1'000;
    struct Case {
        const char* label;
        std::size_t tags;
        std::size_t valueSize;  // of each tag's one attribute
    } cases[] = {
        {"many distinct tags", 2'000, 4},
        {"one tag with a large attribute", 1, 100'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string html = "<p>";
        for (std::size_t i = 0; i < c.tags; ++i) {
            std::string value = std::to_string(i);
            value.resize(c.valueSize, 'v');
            html += "<b title=" + value + ">";
        }
        html += repeat("<p>x</p>", kParagraphs);
        const auto document = novawick::html::parse(html);

        const std::size_t allowance = novawick::html::HtmlTreeBuilder::kReopeningAllowance +
                                      novawick::html::HtmlTreeBuilder::kReopeningAllowancePerInputByte * html.size();
        const std::size_t leastCost = sizeof(novawick::html::Element) + c.valueSize;
        const std::size_t copies = document->select("b").size() - c.tags;
        EXPECT_GT(copies, 0U);
        EXPECT_LE(copies, allowance / leastCost);
        // Nothing of the page is lost: every paragraph and its text is there.
        EXPECT_EQ(document->select("p").size(), kParagraphs + 1);
        EXPECT_EQ(document->body()->text(), repeat("x ", kParagraphs - 1) + "x");
    }
}

TEST(Hostile, MillionAttributes) {
    constexpr std::size_t kCount = 1'000'000;
    std::string html = "<div";
    for (std::size_t i = 0; i < kCount; ++i) html += " a" + std::to_string(i) + "=v";
    html += ">x</div>";
    const auto document = novawick::html::parse(html);
    const novawick::html::Element* div = document->body()->children().first();
    ASSERT_NE(div, nullptr);
    EXPECT_EQ(div->attributes().size(), kCount);
    EXPECT_EQ(div->attr("a999999"), "v");
}

TEST(Hostile, TwentyMegabytesOfText) {
    const std::string text(20U << 20U, 'x');
    const auto document = novawick::html::parse("<p>" + text);
    const novawick::html::Element* p = document->body()->children().first();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->childNodeSize(), 1U);
    EXPECT_EQ(static_cast<const novawick::html::TextNode*>(p->childNode(0))->getWholeText().size(), text.size());
}

TEST(Hostile, ManyMisnestedEndTagsEndQuickly) {
    // Each end tag may run the adoption agency; its passes are bounded.
    const std::string html = repeat("<a><b><div><i><p>", 2'000) + repeat("</a></b></i>", 2'000);
    const auto document = novawick::html::parse(html);
    EXPECT_NE(document->body(), nullptr);
}

}  // namespace
