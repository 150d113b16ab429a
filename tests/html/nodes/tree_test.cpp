// Tree structure: mutation keeps parent links and sibling indexes right, lookups walk in document
// order, and nothing recurses with the tree's depth (a million nested elements are built, read and
// freed).
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/html/nodes/tree_fixture.h"

namespace novawick::html::test {
namespace {

std::string names(const Element& parent) {
    std::string out;
    for (const Node* child : parent.childNodes()) {
        out += child->isElement() ? std::string(child->nodeName()) : std::string(child->attr("text"));
        out += ',';
    }
    return out;
}

TEST(TreeMutation, InsertionsDetachAndRenumber) {
    Document doc("");
    Element* a = el(doc, "a");
    Element* b = el(doc, "b");
    Element* parent = el(doc, "div", {a, b});
    Element* other = el(doc, "p", {txt(doc, "t")});

    parent->prependChild(other);
    EXPECT_EQ(names(*parent), "p,a,b,");
    parent->appendChild(other);  // moving within the same parent
    EXPECT_EQ(names(*parent), "a,b,p,");
    parent->insertChild(0, other);
    EXPECT_EQ(names(*parent), "p,a,b,");
    parent->insertChild(2, other);
    EXPECT_EQ(names(*parent), "a,p,b,");
    EXPECT_TRUE(consistent(*parent));

    Element* elsewhere = el(doc, "section");
    elsewhere->appendChild(a);
    EXPECT_EQ(names(*parent), "p,b,");
    EXPECT_EQ(a->parent(), elsewhere);
    EXPECT_TRUE(consistent(*parent));

    b->before(a);
    a->after(el(doc, "i"));
    EXPECT_EQ(names(*parent), "p,a,i,b,");
    b->after(a);  // an earlier sibling moved after a later one
    EXPECT_EQ(names(*parent), "p,i,b,a,");
    EXPECT_TRUE(consistent(*parent));
    EXPECT_EQ(elsewhere->childNodeSize(), 0u);

    parent->insertChildBefore(el(doc, "em"), b);
    EXPECT_EQ(names(*parent), "p,i,em,b,a,");
    EXPECT_TRUE(consistent(*parent));
}

TEST(TreeMutation, RemoveReplaceWrapUnwrapEmpty) {
    Document doc("");
    Element* b = el(doc, "b", {txt(doc, "x"), txt(doc, "y")});
    Element* parent = el(doc, "div", {txt(doc, "1"), b, txt(doc, "2")});

    Element* wrapper = el(doc, "span", {el(doc, "i")});
    b->wrap(wrapper);
    EXPECT_EQ(names(*parent), "1,span,2,");
    EXPECT_EQ(b->parent()->tagName(), "i");

    Node* first = b->unwrap();
    EXPECT_EQ(first->attr("text"), "x");
    EXPECT_EQ(b->parent(), nullptr);
    EXPECT_EQ(names(*wrapper->children().first()), "x,y,");

    wrapper->replaceWith(b);
    EXPECT_EQ(names(*parent), "1,b,2,");
    EXPECT_EQ(wrapper->parent(), nullptr);
    b->remove();
    EXPECT_EQ(names(*parent), "1,2,");
    EXPECT_TRUE(consistent(*parent));
    b->remove();  // detached: no-op

    parent->empty();
    EXPECT_EQ(parent->childNodeSize(), 0u);
    EXPECT_EQ(first->parentNode()->tagName(), "i");  // untouched, still inside the wrapper
}

TEST(TreeMutation, MovingAnotherElementsChildListWhole) {
    Document doc("");
    Element* from = el(doc, "div", {txt(doc, "a"), txt(doc, "b"), txt(doc, "c")});
    Element* to = el(doc, "p", {el(doc, "br")});
    to->insertChildren(0, from->childNodes());
    EXPECT_EQ(names(*to), "a,b,c,br,");
    EXPECT_EQ(from->childNodeSize(), 0u);
    EXPECT_TRUE(consistent(*to));
}

TEST(TreeMutation, RefusesCyclesAndBadPositions) {
    Document doc("");
    Element* inner = el(doc, "i");
    Element* outer = el(doc, "div", {inner});
    EXPECT_THROW(outer->appendChild(outer), Exception);
    EXPECT_THROW(outer->insertChild(5, el(doc, "b")), Exception);
    EXPECT_THROW(outer->appendChild(&doc), Exception);
    EXPECT_THROW(inner->wrap(inner), Exception);
    EXPECT_THROW(outer->wrap(inner), Exception);
    EXPECT_THROW(el(doc, "p")->before(el(doc, "b")), Exception);
    EXPECT_THROW(outer->insertChildBefore(el(doc, "b"), el(doc, "u")), Exception);
    EXPECT_TRUE(consistent(*outer));
}

// The shape of a tree, children in brackets; "cycle" once more nodes are seen than the fixture holds,
// so that a tree that loops ends the walk instead of the test.
std::string shape(const Node* top, std::size_t& budget) {
    if (budget == 0) return "cycle";
    --budget;
    std::string out(top->isElement() ? std::string(top->nodeName()) : std::string(top->attr("text")));
    if (top->childNodeSize() == 0) return out;
    out += '[';
    for (const Node* child : top->childNodes()) out += shape(child, budget) + ',';
    return out + ']';
}

// div > (p > (b > i), em) and a detached span > u, in one document, plus an element of another document.
struct LoopFixture {
    Document doc{""};
    Document otherDoc{""};
    Element* i = el(doc, "i");
    Element* b = el(doc, "b", {i});
    Element* p = el(doc, "p", {b});
    Element* em = el(doc, "em");
    Element* div = el(doc, "div", {p, em});
    Element* u = el(doc, "u");
    Element* span = el(doc, "span", {u});
    Element* foreign = el(otherDoc, "s");

    std::string shapes() const {
        std::size_t budget = 32;
        std::string all = shape(div, budget) + " " + shape(span, budget);
        return all + (div->parent() || span->parent() || foreign->parent() ? " attached" : "");
    }
};

TEST(TreeMutation, NoOperationLinksANodeUnderItselfOrIntoAnotherDocument) {
    struct Case {
        const char* name;
        std::function<void(LoopFixture&)> operation;
        std::string_view message;
    } cases[] = {
        {"insertChildren of an ancestor", [](LoopFixture& f) { Node* const n[] = {f.div}; f.i->insertChildren(0, n); },
         kNodeCannotContainItself},
        {"appendChild of a detached root under its descendant", [](LoopFixture& f) { f.u->appendChild(f.span); },
         kNodeCannotContainItself},
        {"appendChild of a grandparent", [](LoopFixture& f) { f.i->appendChild(f.p); }, kNodeCannotContainItself},
        {"prependChild of the parent", [](LoopFixture& f) { f.i->prependChild(f.b); }, kNodeCannotContainItself},
        {"insertChild of the root", [](LoopFixture& f) { f.b->insertChild(0, f.div); }, kNodeCannotContainItself},
        {"insertChildBefore of an ancestor", [](LoopFixture& f) { f.b->insertChildBefore(f.p, f.i); },
         kNodeCannotContainItself},
        {"before with a grandparent", [](LoopFixture& f) { f.i->before(f.p); }, kNodeCannotContainItself},
        {"after with a grandparent", [](LoopFixture& f) { f.i->after(f.p); }, kNodeCannotContainItself},
        {"replaceWith a grandparent", [](LoopFixture& f) { f.i->replaceWith(f.p); }, kNodeCannotContainItself},
        {"wrap with the parent", [](LoopFixture& f) { f.b->wrap(f.p); }, kNodeCannotContainItself},
        {"appendChild from another document", [](LoopFixture& f) { f.div->appendChild(f.foreign); },
         kNodeOfAnotherDocument},
        {"before with another document's node", [](LoopFixture& f) { f.em->before(f.foreign); }, kNodeOfAnotherDocument},
        {"replaceWith another document's node", [](LoopFixture& f) { f.em->replaceWith(f.foreign); },
         kNodeOfAnotherDocument},
        {"wrap into another document", [](LoopFixture& f) { f.em->wrap(f.foreign); }, kNodeOfAnotherDocument},
        {"the same node twice", [](LoopFixture& f) { Node* const n[] = {f.u, f.u}; f.em->insertChildren(0, n); },
         kNodeInsertedTwice},
    };
    for (const Case& c : cases) {
        LoopFixture fixture;
        const std::string before = fixture.shapes();
        try {
            c.operation(fixture);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const Exception& error) {
            EXPECT_EQ(error.message(), c.message) << c.name;
        }
        EXPECT_EQ(fixture.shapes(), before) << c.name;  // refused before anything moved
    }
}

TEST(TreeMutation, MovesBetweenRelativesThatMakeNoLoopStillWork) {
    LoopFixture f;
    f.p->replaceWith(f.i);  // a node replaced by its own grandchild
    EXPECT_EQ(f.shapes(), "div[i,em,] span[u,]");
    f.em->after(f.i);  // an earlier sibling moved after a later one
    EXPECT_EQ(f.shapes(), "div[em,i,] span[u,]");
    f.u->appendChild(f.p);  // a detached subtree under another detached one
    f.i->wrap(f.span);      // into the wrapper's deepest first element
    EXPECT_EQ(f.shapes(), "div[em,span[u[p[b[i,],],],],] span[u[p[b[i,],],],] attached");
    EXPECT_TRUE(consistent(*f.div));
    EXPECT_TRUE(consistent(*f.u));
}

TEST(TreeNavigation, SiblingsParentsAndKinds) {
    Document doc("base");
    Element* p = el(doc, "p");
    Node* text = txt(doc, "t");
    Element* body = el(doc, "body", {text, p, doc.createComment("c")});
    doc.appendChild(el(doc, "html", {el(doc, "head"), body}));

    EXPECT_EQ(text->nextSibling(), p);
    EXPECT_EQ(p->previousSibling(), text);
    EXPECT_EQ(text->previousSibling(), nullptr);
    EXPECT_EQ(body->childNode(2)->nextSibling(), nullptr);
    EXPECT_EQ(body->childNode(3), nullptr);
    EXPECT_EQ(body->childNodes().front(), text);
    EXPECT_EQ(body->childNodes().back(), body->childNode(2));
    EXPECT_EQ(body->lastChild(), body->childNode(2));
    EXPECT_EQ(body->childNodes().size(), 3u);
    EXPECT_TRUE(text->childNodes().empty());
    EXPECT_EQ(text->childNodes().back(), nullptr);
    EXPECT_EQ(p->siblingNodes().size(), 2u);
    EXPECT_EQ(body->children().size(), 1u);
    EXPECT_EQ(p->elementSiblingIndex(), 0u);
    EXPECT_EQ(p->ownerDocument(), &doc);
    EXPECT_EQ(el(doc, "x")->ownerDocument(), nullptr);
    EXPECT_EQ(doc.body(), body);
    EXPECT_EQ(doc.head()->tagName(), "head");
    EXPECT_EQ(body->parent()->parent(), &doc);
    EXPECT_EQ(doc.nodeName(), "#document");
    EXPECT_EQ(doc.tagName(), "#root");
    EXPECT_EQ(text->nodeName(), "#text");
    EXPECT_EQ(body->childNode(2)->kind(), NodeKind::Comment);
    EXPECT_EQ(p->baseUri(), "base");
    EXPECT_EQ(doc.location(), "base");
    EXPECT_EQ(text->asElement(), nullptr);
}

TEST(TreeNavigation, FramesetDocumentHasNoBody) {
    Document doc("");
    doc.appendChild(el(doc, "html", {el(doc, "head"), el(doc, "frameset")}));
    EXPECT_EQ(doc.body(), nullptr);
}

TEST(Lookups, IdAndClassInDocumentOrderIncludingSelf) {
    Document doc("");
    Element* first = el(doc, "p", {txt(doc, "one")});
    first->attr("id", "x").attr("class", "Note big");
    Element* second = el(doc, "p");
    second->attr("ID", "x").attr("class", "note");
    Element* root = el(doc, "div", {el(doc, "section", {first}), second});
    root->attr("class", "NOTE");

    EXPECT_EQ(root->getElementById("x"), first);
    EXPECT_EQ(root->getElementById("X"), nullptr);  // ids compare exactly
    EXPECT_EQ(second->getElementById("x"), second);
    EXPECT_EQ(root->getElementById("missing"), nullptr);
    Elements notes = root->getElementsByClass("note");
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes.first(), root);
    EXPECT_EQ(notes.get(1), first);
    EXPECT_EQ(notes.last(), second);
    EXPECT_THROW(notes.get(3), std::out_of_range);
    EXPECT_EQ(Elements().first(), nullptr);
}

struct ClassCase {
    const char* classAttribute;
    const char* query;
    bool expected;
};

TEST(HasClass, WhitespaceSplitAndCaseInsensitive) {
    const ClassCase cases[] = {
        {"  nav   Main ", "main", true}, {"  nav   Main ", "NAV", true}, {"  nav   Main ", "nav main", false},
        {"  nav   Main ", "ma", false}, {"Foo bar", "foo", true}, {"Foo bar", "BAR", true}, {"Foo bar", "fo", false},
        {"Foo-bar", "foo", false}, {"a b", "A B", true}, {"", "a", false}, {"abc", "abcd", false},
        {"x\ty\nz\fw", "w", true}, {"a\r\nb", "b", true}, {"a\r\nb", "a b", false},
        {"Ärger x", "ärger", true}, {"e\xCC\x81 x", "E\xCC\x81", true}, {"e\xCC\x81 x", "e", false},
        {"x \xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87", true},
        {"a \xCC\x81" "b", "b", false},  // the space before the mark does not split
        {"nav", "", false},
    };
    Document doc("");
    for (const ClassCase& c : cases) {
        Element* element = doc.createElement("div");
        element->attr("class", c.classAttribute);
        EXPECT_EQ(element->hasClass(c.query), c.expected) << '"' << c.classAttribute << "\" / \"" << c.query << '"';
    }
    EXPECT_FALSE(doc.createElement("div")->hasClass("a"));
}

TEST(Traversal, PreOrderWithSkipAndStop) {
    Document doc("");
    Element* root = el(doc, "a", {el(doc, "b", {el(doc, "c")}), el(doc, "d", {el(doc, "e")}), el(doc, "f")});
    std::string order;
    forEachElement(*root, [&](Element& element) {
        order += element.tagName();
        if (element.tagName() == "d") return WalkStep::SkipChildren;
        return element.tagName() == "f" ? WalkStep::Stop : WalkStep::Continue;
    });
    EXPECT_EQ(order, "abcdf");

    std::string events;
    traverse(
        *root->childNode(0), [&](Node& node, std::size_t depth) { events += "+" + std::string(node.nodeName()) + std::to_string(depth); },
        [&](Node& node, std::size_t depth) { events += "-" + std::string(node.nodeName()) + std::to_string(depth); });
    EXPECT_EQ(events, "+b0+c1-c1-b0");  // stops at the walk's root, not at its siblings
}

TEST(FormElements, KeepControls) {
    Document doc("");
    FormElement* form = doc.createFormElement(Tag::find("form"), "");
    Element* input = el(doc, "input");
    form->addElement(input);
    EXPECT_EQ(form->kind(), NodeKind::FormElement);
    EXPECT_EQ(form->elements().first(), input);
    EXPECT_EQ(form->nodeName(), "form");
}

TEST(DeepTree, MillionNestedElementsBuildReadAndFree) {
    constexpr std::size_t kDepth = 1'000'000;
    auto doc = std::make_unique<Document>("");
    Element* top = doc->createElement("div");
    doc->appendChild(top);
    Element* current = top;
    for (std::size_t i = 1; i < kDepth; ++i) {
        Element* next = doc->createElement(i % 2 ? "div" : "span");
        current->appendChild(next);
        current = next;
    }
    current->attr("id", "deepest").attr("class", "leaf");
    current->appendChild(doc->createText(" bottom "));
    top->prependChild(doc->createText("top"));

    EXPECT_EQ(top->text(), "top bottom");
    EXPECT_EQ(doc->getElementById("deepest"), current);
    EXPECT_EQ(doc->getElementsByClass("leaf").size(), 1u);
    EXPECT_EQ(current->ownerDocument(), doc.get());
    std::size_t count = 0;
    forEachNode(*doc, [&](Node&) { ++count; });
    EXPECT_EQ(count, kDepth + 3);
    doc.reset();
}

TEST(WideTree, ManyChildrenKeepIndexes) {
    Document doc("");
    Element* parent = el(doc, "ul");
    for (int i = 0; i < 100000; ++i) parent->appendChild(doc.createElement("li"));
    parent->childNode(50000)->remove();
    parent->insertChild(10, el(doc, "hr"));
    EXPECT_TRUE(consistent(*parent));
    EXPECT_EQ(parent->childElementCount(), 100000u);
}

}  // namespace
}  // namespace novawick::html::test
