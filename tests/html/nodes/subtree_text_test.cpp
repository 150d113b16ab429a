// SubtreeText against Element::text: for every element of generated trees full of white space, joining
// marks and preserved text, and of the corpus pages, the element's span must read exactly as its own
// text. Then a chain too deep to build every element's text separately.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "html/nodes/nodes.h"
#include "html/nodes/subtree_text.h"
#include "html/nodes/traversal.h"
#include "html/parser/parser.h"
#include "tests/support/test_data.h"

namespace {

// Pieces chosen for the places where an element's own text and its ancestors' differ: runs of every
// kind of white space, no-break and ideographic spaces (stripped by trim, kept by normalising), marks
// that join a space before them (U+0301, U+200D) or after them (U+0600), and CR LF split across nodes.
constexpr const char* kPieces[] = {
    "",  " ", "  ", "\t", "\n", "\r\n", "\r", "a", "b c", " x ", "\xC2\xA0", "\xE3\x80\x80",
    "\xCC\x81", "\xE2\x80\x8D", "\xD8\x80", "e\xCC\x81", " \xCC\x81", "\xCE\xA3",
};
constexpr const char* kTags[] = {"div", "p", "span", "b", "br", "pre", "textarea", "x-y", "li", "td", "script"};

class TreeGenerator {
public:
    explicit TreeGenerator(unsigned seed) : random_(seed) {}

    std::unique_ptr<novawick::html::Document> make() {
        auto document = std::make_unique<novawick::html::Document>("");
        novawick::html::Element* top = document->createElement(kTags[pick(std::size(kTags))]);
        document->appendChild(top);
        fill(*document, *top, 0);
        return document;
    }

private:
    // Generated trees are at most six levels deep, so recursion here is bounded by construction.
    void fill(novawick::html::Document& document, novawick::html::Element& parent, int depth) {
        const std::size_t children = depth >= 6 ? 0 : pick(5);
        for (std::size_t i = 0; i < children; ++i) {
            if (pick(2) == 0) {
                std::string text;
                for (std::size_t piece = pick(4); piece > 0; --piece) text += kPieces[pick(std::size(kPieces))];
                if (parent.tagNameNormal() == "script") {
                    parent.appendChild(document.createData(text));
                } else {
                    parent.appendChild(document.createText(text));
                }
                continue;
            }
            novawick::html::Element* child = document.createElement(kTags[pick(std::size(kTags))]);
            parent.appendChild(child);
            fill(document, *child, depth + 1);
        }
    }

    std::size_t pick(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

    std::mt19937 random_;
};

// Every element's span reads as its text; returns how many elements were compared.
std::size_t expectSpansReadAsText(novawick::html::Element& root) {
    novawick::html::SubtreeText text(root);
    std::size_t compared = 0;
    novawick::html::forEachElement(root, [&](novawick::html::Element& element) {
        const std::optional<std::string_view> own = text.textOf(element);
        ASSERT_TRUE(own.has_value()) << element.tagName();
        EXPECT_EQ(std::string(*own), element.text()) << "element " << compared << " <" << element.tagName() << ">";
        ++compared;
    });
    return compared;
}

TEST(SubtreeTextTest, SpansReadAsEachElementsTextOnGeneratedTrees) {
    for (unsigned seed = 0; seed < 3000; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto document = TreeGenerator(seed).make();
        expectSpansReadAsText(*document);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(SubtreeTextTest, SpansReadAsEachElementsTextOnCorpusPages) {
    const std::filesystem::path corpus = novawick::testing::testDataFolder() / "corpus";
    for (const char* page : {"novel/chapter.html", "novel/search.html", "pydocs/library_re.html", "pydocs/glossary.html"}) {
        SCOPED_TRACE(page);
        auto document = novawick::html::parse(novawick::testing::readTestData(corpus / page, "a corpus page"));
        EXPECT_GT(expectSpansReadAsText(*document), 100U);
    }
}

TEST(SubtreeTextTest, HandMadeCases) {
    struct Case {
        const char* label;
        std::string html;
    } cases[] = {
        {"blocks and breaks", "<div> a <p>b</p>c<br>d </div>"},
        {"a space joined to a mark after an element boundary", "<p>x <b> \xCC\x81y</b></p>"},
        {"ideographic spaces after a space", "<p><span> \xE3\x80\x80\xE3\x80\x80z \xE3\x80\x80</span></p>"},
        {"preserved white space", "<div><pre>\n  a\n  b  </pre> c</div>"},
        {"nothing but white space", "<div> <span> </span> <b>\t</b></div>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto document = novawick::html::parse(c.html);
        expectSpansReadAsText(*document);
    }
}

TEST(SubtreeTextTest, ElementsOutsideTheSubtreeHaveNoSpan) {
    auto document = novawick::html::parse("<div id=a>x</div><div id=b>y</div>");
    novawick::html::SubtreeText text(*document->getElementById("a"));
    EXPECT_FALSE(text.spanOf(*document->getElementById("b")).has_value());
}

// A chain of 100,000 elements, each holding a piece of text before the next: one build gives every
// element's text, where building each separately would copy billions of bytes. With ideographic spaces,
// every element's trim starts in the same stretch of white space.
TEST(SubtreeTextTest, DeepChainInOneBuild) {
    constexpr std::size_t kDepth = 100'000;
    struct Case {
        const char* piece;
        std::size_t bytesPerLevel;  // what each level adds to its elements' text
    } cases[] = {
        {"w ", 2},
        {" \xE3\x80\x80", 0},  // spaces and ideographic spaces, all trimmed off
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        std::string html;
        for (std::size_t i = 0; i < kDepth; ++i) html.append("<span>").append(c.piece);
        auto document = novawick::html::parse(html + "end");
        novawick::html::SubtreeText text(*document->body());
        std::size_t depth = 0;
        novawick::html::forEachElement(*document->body(), [&](novawick::html::Element& element) {
            if (element.tagNameNormal() != "span") return;
            ++depth;
            const std::optional<std::string_view> own = text.textOf(element);
            ASSERT_TRUE(own.has_value());
            EXPECT_EQ(own->size(), c.bytesPerLevel * (kDepth - depth + 1) + 3);  // ... "end"
        });
        EXPECT_EQ(depth, kDepth);
    }
}

}  // namespace
