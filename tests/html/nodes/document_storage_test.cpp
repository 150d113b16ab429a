// What nodes do not store for themselves and must still answer: their document (from the arena page),
// their base URI and tag (numbers the document resolves), their position among their siblings
// (counted, and remembered for long lists), and their value (after the node, or moved out once changed).
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/html/nodes/tree_fixture.h"

namespace novawick::html::test {
namespace {

TEST(NodeOwner, EveryNodeFindsItsOwnDocumentWhenTwoDocumentsGrowSideBySide) {
    Document first("https://one.example/");
    Document second("https://two.example/");
    std::vector<Node*> ofFirst;
    std::vector<Node*> ofSecond;
    // Enough nodes of mixed sizes, made in turn, to spread both documents over many pages.
    for (int i = 0; i < 20000; ++i) {
        const std::string text(static_cast<std::size_t>(i % 300), 'x');
        ofFirst.push_back(i % 2 == 0 ? static_cast<Node*>(first.createElement("p")) : first.createText(text));
        ofSecond.push_back(i % 3 == 0 ? static_cast<Node*>(second.createComment(text)) : second.createElement("li"));
    }
    for (std::size_t i = 0; i < ofFirst.size(); ++i) {
        ASSERT_EQ(&ofFirst[i]->arenaOwner(), &first) << i;
        ASSERT_EQ(&ofSecond[i]->arenaOwner(), &second) << i;
    }
    EXPECT_EQ(ofFirst.back()->baseUri(), "https://one.example/");
    EXPECT_EQ(ofSecond.back()->baseUri(), "https://two.example/");
    EXPECT_EQ(&first.arenaOwner(), &first);
}

TEST(NodeBaseUri, EachNodeKeepsTheBaseItWasGiven) {
    Document doc("https://site.example/a/");
    Element* before = doc.createElement("a");
    Element* other = doc.createElement(Tag::find("a"), "https://elsewhere.example/b/");
    TextNode* none = doc.createText("t", "");
    Element* after = doc.createElement("a");
    before->attr("href", "x");
    other->attr("href", "x");
    after->setBaseUri("https://site.example/c/");
    after->attr("href", "x");
    EXPECT_EQ(before->absUrl("href"), "https://site.example/a/x");
    EXPECT_EQ(other->absUrl("href"), "https://elsewhere.example/b/x");
    EXPECT_EQ(after->absUrl("href"), "https://site.example/c/x");
    EXPECT_EQ(none->baseUri(), "");
    EXPECT_EQ(doc.location(), "https://site.example/a/");
}

TEST(NodeBaseUri, ADocumentRefusesMoreDistinctBasesThanItCanNumber) {
    Document doc("");
    Element* element = doc.createElement("a");
    EXPECT_THROW(
        {
            for (int i = 0; i < 70000; ++i) element->setBaseUri("https://site.example/" + std::to_string(i));
        },
        std::length_error);
    element->setBaseUri("https://site.example/0");  // an old one is still known
    EXPECT_EQ(element->baseUri(), "https://site.example/0");
}

TEST(ElementTag, ATagOutsideTheTableOutlivesTheDocumentThatMadeIt) {
    auto maker = std::make_unique<Document>("");
    Document keeper("");
    const Tag* foreign = Tag::valueOf("x-widget", *maker);
    Element* element = keeper.createElement(foreign, "");
    Element* retagged = keeper.createElement("div");
    Element* selfClosed = maker->createElement("x-note");
    selfClosed->markSelfClosing();
    retagged->setTag(&selfClosed->tag());
    maker.reset();
    EXPECT_EQ(element->tagName(), "x-widget");
    EXPECT_FALSE(element->isBlock());
    EXPECT_EQ(retagged->tagName(), "x-note");
    EXPECT_TRUE(retagged->tag().isSelfClosing());
    retagged->setTag(Tag::find("section"));
    EXPECT_TRUE(retagged->isBlock());
    EXPECT_EQ(keeper.tagName(), "#root");
}

// Positions asked for after each kind of change: the remembered ones must never go stale.
TEST(SiblingIndex, RememberedPositionsFollowEveryChange) {
    Document doc("");
    Element* list = el(doc, "ul");
    std::vector<Node*> items;
    for (int i = 0; i < 200; ++i) items.push_back(list->appendChild(doc.createElement("li")).lastChild());
    EXPECT_EQ(items[150]->siblingIndex(), 150u);  // long list: counted once, remembered
    items[10]->remove();
    EXPECT_EQ(items[150]->siblingIndex(), 149u);
    list->insertChild(0, items[10]);
    EXPECT_EQ(items[150]->siblingIndex(), 150u);
    EXPECT_EQ(items[10]->siblingIndex(), 0u);
    Node* appended = list->appendChild(doc.createText("tail")).lastChild();
    EXPECT_EQ(appended->siblingIndex(), 200u);  // an append changes no earlier position
    EXPECT_EQ(items[199]->siblingIndex(), 199u);
    Element* other = el(doc, "ol");
    for (int i = 0; i < 100; ++i) other->appendChild(doc.createElement("li"));
    items[199]->remove();
    other->appendChild(items[199]);  // moved by an append into another long list
    EXPECT_EQ(items[199]->siblingIndex(), 100u);
    EXPECT_EQ(appended->siblingIndex(), 199u);
    list->empty();
    EXPECT_EQ(items[150]->siblingIndex(), 0u);
    EXPECT_TRUE(consistent(*other));
}

struct ValueCase {
    const char* name;
    std::string initial;
    std::function<void(TextNode&)> change;
    std::string expected;
};

TEST(LeafValue, ValuesReadBackWhereverTheyAreKept) {
    const std::string atLimit(ValueNode::kLargestInlineValue, 'a');
    const std::string pastLimit(ValueNode::kLargestInlineValue + 1, 'b');
    const ValueCase cases[] = {
        {"empty", "", [](TextNode&) {}, ""},
        {"short", "hi", [](TextNode&) {}, "hi"},
        {"at the inline limit", atLimit, [](TextNode&) {}, atLimit},
        {"past the inline limit", pastLimit, [](TextNode&) {}, pastLimit},
        {"empty, then set", "", [](TextNode& t) { t.setText("a longer text than before"); }, "a longer text than before"},
        {"shortened", "abcdef", [](TextNode& t) { t.setText("ab"); }, "ab"},
        {"appended to itself", "abc", [](TextNode& t) { t.appendText(t.getWholeText()); }, "abcabc"},
        {"set from a view of itself", "abcdefghijkl", [](TextNode& t) { t.setText(t.getWholeText().substr(2, 3)); },
         "cde"},
        {"long, appended to", pastLimit, [](TextNode& t) { t.appendText("!"); }, pastLimit + "!"},
        {"given an attribute, then appended", "x",
         [](TextNode& t) {
             t.setAttribute("lang", "en");
             t.appendText("y");
         },
         "xy"},
        {"given an attribute, then set", pastLimit,
         [](TextNode& t) {
             t.setAttribute("lang", "en");
             t.setText("z");
         },
         "z"},
    };
    for (const ValueCase& c : cases) {
        Document doc("");
        TextNode* text = doc.createText(c.initial);
        Element* p = el(doc, "p", {text});
        c.change(*text);
        EXPECT_EQ(text->getWholeText(), c.expected) << c.name;
        EXPECT_EQ(text->attr("text"), c.expected) << c.name;
        EXPECT_EQ(p->text(false), c.expected) << c.name;
    }
}

TEST(LeafValue, DataAndCommentsKeepLongAndShortValues) {
    Document doc("");
    const std::string script(5000, ';');
    DataNode* data = doc.createData(script);
    Comment* comment = doc.createComment("note");
    data->appendData("x");
    comment->appendData(std::string(300, '-'));
    EXPECT_EQ(data->getWholeData(), script + "x");
    EXPECT_EQ(comment->getData(), "note" + std::string(300, '-'));
    EXPECT_EQ(data->attr("data"), script + "x");
    EXPECT_EQ(comment->attributes(), nullptr);
}

}  // namespace
}  // namespace novawick::html::test
