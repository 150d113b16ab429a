// Properties over generated trees: the engine against a naive full-tree matcher for simple query
// shapes, multi-root selection against per-root selection, and depth limits (deep documents, deeply
// nested queries) that must neither overflow the stack nor fail the process.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "html/nodes/nodes.h"
#include "html/nodes/traversal.h"
#include "html/select/match_context.h"
#include "html/select/query_parser.h"
#include "html/select/selector.h"

namespace {

constexpr const char* kTagNames[] = {"div", "p", "span", "a"};
constexpr const char* kClasses[] = {"x", "y"};

class TreeGenerator {
public:
    explicit TreeGenerator(unsigned seed) : random_(seed) {}

    std::unique_ptr<novawick::html::Document> make() {
        auto document = std::make_unique<novawick::html::Document>("");
        novawick::html::Element* top = document->createElement("div");
        document->appendChild(top);
        fill(*document, *top, 0);
        return document;
    }

private:
    // Generated trees are at most five levels deep, so recursion here is bounded by construction.
    void fill(novawick::html::Document& document, novawick::html::Element& parent, int depth) {
        int children = depth >= 5 ? 0 : pick(5);
        for (int i = 0; i < children; ++i) {
            if (pick(5) == 0) {
                parent.appendChild(document.createText("t"));
                continue;
            }
            novawick::html::Element* child = document.createElement(kTagNames[pick(4)]);
            if (pick(3) == 0) child->attr("class", kClasses[pick(2)]);
            parent.appendChild(child);
            fill(document, *child, depth + 1);
        }
    }

    int pick(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

    std::mt19937 random_;
};

/// Elements of the subtree in document order, by plain recursion (test trees are shallow).
void allElements(novawick::html::Element& element, std::vector<novawick::html::Element*>& out) {
    out.push_back(&element);
    for (novawick::html::Node* child : element.childNodes()) {
        if (child->isElement()) allElements(*child->asElement(), out);
    }
}

std::vector<novawick::html::Element*> previousElementSiblings(const novawick::html::Element& element) {
    std::vector<novawick::html::Element*> before;  // nearest first
    if (element.parent() == nullptr) return before;
    const auto children = element.parent()->childNodes();
    const std::vector<novawick::html::Node*> siblings(children.begin(), children.end());
    for (std::size_t i = element.siblingIndex(); i-- > 0;) {
        if (siblings[i]->isElement()) before.push_back(siblings[i]->asElement());
    }
    return before;
}

using NaiveMatch = std::function<bool(const novawick::html::Element& root, const novawick::html::Element& element)>;

struct Shape {
    std::string query;
    NaiveMatch match;
};

bool isTag(const novawick::html::Element& element, std::string_view tag) { return element.tagNameNormal() == tag; }

bool hasAncestorTag(const novawick::html::Element& root, const novawick::html::Element& element, std::string_view tag) {
    if (&root == &element) return false;
    for (const novawick::html::Element* up = element.parent(); up != nullptr; up = up->parent()) {
        if (isTag(*up, tag)) return true;
        if (up == &root) break;
    }
    return false;
}

std::vector<Shape> shapes() {
    std::vector<Shape> out;
    for (std::string_view first : {"div", "p"}) {
        for (std::string_view second : {"span", "p", "a"}) {
            std::string a(first);
            std::string b(second);
            out.push_back({a + " " + b, [a, b](const novawick::html::Element& root, const novawick::html::Element& el) {
                               return isTag(el, b) && hasAncestorTag(root, el, a);
                           }});
            out.push_back({a + " > " + b, [a, b](const novawick::html::Element& root, const novawick::html::Element& el) {
                               return &el != &root && isTag(el, b) && el.parent() != nullptr && isTag(*el.parent(), a);
                           }});
            out.push_back({a + " + " + b, [a, b](const novawick::html::Element& root, const novawick::html::Element& el) {
                               auto before = previousElementSiblings(el);
                               return &el != &root && isTag(el, b) && !before.empty() && isTag(*before.front(), a);
                           }});
            out.push_back({a + " ~ " + b, [a, b](const novawick::html::Element& root, const novawick::html::Element& el) {
                               bool any = false;
                               for (const novawick::html::Element* s : previousElementSiblings(el)) any = any || isTag(*s, a);
                               return &el != &root && isTag(el, b) && any;
                           }});
            out.push_back({a + ", " + b, [a, b](const novawick::html::Element&, const novawick::html::Element& el) {
                               return isTag(el, a) || isTag(el, b);
                           }});
            out.push_back({a + ":has(" + b + ")", [a, b](const novawick::html::Element&, const novawick::html::Element& el) {
                               std::vector<novawick::html::Element*> below;
                               allElements(const_cast<novawick::html::Element&>(el), below);
                               for (std::size_t i = 1; i < below.size(); ++i) {
                                   if (isTag(*below[i], b)) return isTag(el, a);
                               }
                               return false;
                           }});
        }
    }
    out.push_back({".x", [](const novawick::html::Element&, const novawick::html::Element& el) { return el.attr("class") == "x"; }});
    out.push_back({"span:not(.y)", [](const novawick::html::Element&, const novawick::html::Element& el) {
                       return isTag(el, "span") && el.attr("class") != "y";
                   }});
    out.push_back({"p:nth-child(3n-1)", [](const novawick::html::Element&, const novawick::html::Element& el) {
                       const novawick::html::Element* parent = el.parent();
                       if (!isTag(el, "p") || parent == nullptr || parent->kind() == novawick::html::NodeKind::Document) return false;
                       std::size_t position = el.elementSiblingIndex() + 1;
                       return position % 3 == 2;
                   }});
    return out;
}

TEST(SelectorPropertyTest, AgreesWithNaiveMatcherOnGeneratedTrees) {
    const std::vector<Shape> cases = shapes();
    for (unsigned seed = 1; seed <= 60; ++seed) {
        auto document = TreeGenerator(seed).make();
        std::vector<novawick::html::Element*> everything;
        allElements(*document, everything);
        // Run from the document and from an inner element, which bounds the ancestor walks.
        for (novawick::html::Element* root : {static_cast<novawick::html::Element*>(document.get()), everything[everything.size() / 2]}) {
            std::vector<novawick::html::Element*> subtree;
            allElements(*root, subtree);
            for (const Shape& shape : cases) {
                std::vector<novawick::html::Element*> expected;
                for (novawick::html::Element* el : subtree) {
                    if (shape.match(*root, *el)) expected.push_back(el);
                }
                EXPECT_EQ(novawick::html::select(*root, shape.query).array(), expected) << "seed " << seed << ": " << shape.query;
            }
        }
    }
}

// Trees whose text puts a selection's shared text to the test: white space of every kind, marks that
// join a space, preserved text, and letters whose lower case changes length (U+0130) or depends on
// the letters around it (capital sigma).
std::unique_ptr<novawick::html::Document> textTree(unsigned seed) {
    constexpr const char* kPieces[] = {" ",  "  ", "\n", "\r\n", "a", "B c", " x ", "\xC2\xA0", "\xE3\x80\x80",
                                       "\xCC\x81", " \xCC\x81", "\xC4\xB0", "\xCE\xA3", "\xCE\x91\xCE\xA3", "."};
    constexpr const char* kTextTreeTags[] = {"div", "p", "span", "b", "br", "pre"};
    std::mt19937 random(seed);
    auto pick = [&](std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random); };
    auto document = std::make_unique<novawick::html::Document>("");
    std::vector<novawick::html::Element*> elements{document->createElement("div")};
    document->appendChild(elements.front());
    for (int node = 0; node < 40; ++node) {
        novawick::html::Element* parent = elements[pick(elements.size())];
        if (pick(2) == 0) {
            std::string text;
            for (std::size_t piece = pick(4); piece > 0; --piece) text += kPieces[pick(std::size(kPieces))];
            parent->appendChild(document->createText(text));
        } else {
            elements.push_back(document->createElement(kTextTreeTags[pick(std::size(kTextTreeTags))]));
            parent->appendChild(elements.back());
        }
    }
    return document;
}

// A selection reads its candidates' texts from the shared text of its subtree once building them one
// by one gets dear (here at once); testing each element alone builds its text afresh. Both must give
// the same answers.
TEST(SelectorPropertyTest, TextTestsAgreeWithTestingEachElementAlone) {
    const char* queries[] = {
        ":contains(a)", ":contains(b c)", ":contains(x )", ":contains(\xC2\xA0)", ":contains(a b)",
        ":contains(\xCE\xA3)", ":contains(\xCF\x82)", ":contains(\xCF\x83)", ":contains(i\xCC\x87)",
        ":matches(^a)", ":matches(c$)", ":matches(\\bx\\b)", ":matches(^\\s)",
        ":matches(\\s$)", ":matches(^$)", ":matches((?<=a)\\s)", ":matches(\\X$)", ":matches((?i)\xCF\x82)",
        "div:has(:contains(c))", "p:not(:matches(a))",
    };
    for (unsigned seed = 0; seed < 300; ++seed) {
        auto document = textTree(seed);
        for (const char* query : queries) {
            const novawick::html::EvaluatorPtr evaluator = novawick::html::QueryParser::parse(query);
            novawick::html::MatchContext shared(*document, 0);
            std::vector<novawick::html::Element*> alone;
            std::vector<novawick::html::Element*> fromShared;
            novawick::html::forEachElement(*document, [&](novawick::html::Element& element) {
                if (evaluator->matches(*document, element)) alone.push_back(&element);
                if (evaluator->matchesIn(shared, element)) fromShared.push_back(&element);
            });
            EXPECT_EQ(fromShared, alone) << "seed " << seed << ": " << query;
            EXPECT_EQ(novawick::html::select(*document, query).array(), alone) << "seed " << seed << ": " << query;
        }
    }
}

TEST(SelectorPropertyTest, ElementsSelectEqualsPerRootSelection) {
    const char* queries[] = {"div p", "span, a", "p > span", ".x ~ *", "*", ":has(a) > p", "p:nth-child(odd)"};
    for (unsigned seed = 100; seed < 140; ++seed) {
        auto document = TreeGenerator(seed).make();
        std::vector<novawick::html::Element*> everything;
        allElements(*document, everything);
        novawick::html::Element* one = everything[seed % everything.size()];
        novawick::html::Element* other = everything[(seed * 7) % everything.size()];
        for (const char* query : queries) {
            EXPECT_EQ(novawick::html::Elements({one}).select(query).array(), one->select(query).array()) << query;
            // Several roots: per-root results concatenated in root order, first occurrence kept.
            std::vector<novawick::html::Element*> expected;
            std::unordered_set<novawick::html::Element*> seen;
            for (novawick::html::Element* root : {other, one, other}) {
                for (novawick::html::Element* el : root->select(query)) {
                    if (seen.insert(el).second) expected.push_back(el);
                }
            }
            EXPECT_EQ(novawick::html::Elements({other, one, other}).select(query).array(), expected) << query;
        }
    }
}

TEST(SelectorPropertyTest, DeepDocumentsAreWalkedWithoutRecursion) {
    constexpr std::size_t kDepth = 100'000;
    novawick::html::Document document("");
    novawick::html::Element* top = document.createElement("span");
    document.appendChild(top);
    novawick::html::Element* parent = top;
    for (std::size_t i = 0; i < kDepth; ++i) {
        novawick::html::Element* div = document.createElement("div");
        parent->appendChild(div);
        parent = div;
    }
    parent->appendChild(document.createElement("p"));

    EXPECT_EQ(novawick::html::select(document, "div div").size(), kDepth - 1);
    EXPECT_EQ(novawick::html::select(document, "span p").size(), 1u);
    EXPECT_EQ(novawick::html::select(document, "span:has(p)").size(), 1u);
    EXPECT_TRUE(top->is(":has(p)"));
    EXPECT_TRUE(parent->is("span div"));
    EXPECT_EQ(novawick::html::select(*top, "> div").size(), 1u);
    EXPECT_EQ(novawick::html::Elements({top, parent}).select("p").size(), 1u);
}

std::string repeated(std::string_view piece, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += piece;
    return out;
}

TEST(SelectorPropertyTest, QueryNestingIsBounded) {
    auto expectRefused = [](const std::string& query) {
        try {
            novawick::html::QueryParser::parse(query);
            ADD_FAILURE() << "accepted a query nested " << query.size() << " characters deep";
        } catch (const novawick::html::Exception& error) {
            EXPECT_EQ(error.type(), novawick::html::ExceptionType::SelectorParseException);
            EXPECT_EQ(error.message().rfind("Could not parse query ", 0), 0u) << error.message().substr(0, 80);
        }
    };
    const std::size_t bound = novawick::html::kMaxQueryNesting;
    EXPECT_NO_THROW(novawick::html::QueryParser::parse(repeated(":not(", bound) + "p" + repeated(")", bound)));
    expectRefused(repeated(":not(", bound + 1) + "p" + repeated(")", bound + 1));
    expectRefused(repeated(":has(", 100'000) + "p");
    EXPECT_NO_THROW(novawick::html::QueryParser::parse(repeated("div ", bound) + "p"));
    // The deepest accepted queries also run: matching recurses through the evaluator tree only.
    novawick::html::Document document("");
    novawick::html::Element* parent = &document;
    for (std::size_t i = 0; i < bound; ++i) {
        novawick::html::Element* div = document.createElement("div");
        parent->appendChild(div);
        parent = div;
    }
    parent->appendChild(document.createElement("p"));
    EXPECT_EQ(novawick::html::select(document, repeated("div ", bound) + "p").size(), 1u);
    EXPECT_EQ(novawick::html::select(document, repeated(":not(", bound) + "p" + repeated(")", bound)).size(), 1u);
    EXPECT_EQ(novawick::html::select(document, repeated("div > ", bound) + "p").size(), 1u);
    expectRefused(repeated("div ", bound + 1) + "p");
    expectRefused(repeated("a > ", 50'000) + "b");
    // Alternatives are flat, however many there are.
    EXPECT_NO_THROW(novawick::html::QueryParser::parse(repeated("a, ", 10'000) + "b"));
}

TEST(SelectorPropertyTest, ArbitraryQueriesEitherSelectOrRaiseTheLibraryError) {
    // Fragments of the grammar thrown together: nothing but a result or novawick::html::Exception may come out.
    const char* pieces[] = {"div", "p", " ", ">", "+", "~", ",", "*", "*|", "|", "#", ".x", "[", "]", "(", ")",
                            "'", "\"", "\\", "=", "~=", "^=", ":not(", ":has(", ":contains(", ":matches(",
                            ":eq(", ":nth-child(", "2n+1", "-n", "odd", ":root", ":empty", "\xC3\xA9", "\r\n"};
    std::mt19937 random(7);
    auto document = TreeGenerator(3).make();
    testing::internal::CaptureStdout();  // bad patterns print their error line
    for (int round = 0; round < 3000; ++round) {
        std::string query;
        int count = std::uniform_int_distribution<int>(1, 8)(random);
        for (int i = 0; i < count; ++i) {
            query += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
        }
        try {
            novawick::html::select(*document, query);
            novawick::html::Elements({document.get()}).select(query);
        } catch (const novawick::html::Exception&) {
        } catch (const std::exception& error) {
            ADD_FAILURE() << "query " << query << " raised " << error.what();
        }
    }
    testing::internal::GetCapturedStdout();
}

}  // namespace
