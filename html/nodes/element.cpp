// Element children, attributes, classes and lookups. Children are linked (see node.h): every
// insertion checks the incoming nodes first, detaches them from their former parents, then links
// them in before a reference child, so appending and inserting cost no shift of the others.
#include "html/nodes/element.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"
#include "html/nodes/traversal.h"

namespace novawick::html {

namespace {
[[noreturn]] void fail(std::string_view message) {
    throw Exception(ExceptionType::IllegalArgumentException, std::string(message));
}

// True when `node` is `element` or one of its ancestors. Only a node with children is anyone's
// ancestor, so the fresh, empty nodes the parser inserts cost no walk up the tree.
bool isSelfOrAncestor(const Node* node, const Element* element) noexcept {
    if (node == element) return true;
    if (!node->isElement() || !static_cast<const Element*>(node)->hasChildNodes()) return false;
    for (const Element* ancestor = element->parentNode(); ancestor != nullptr; ancestor = ancestor->parentNode()) {
        if (ancestor == node) return true;
    }
    return false;
}

const Document* arenaOf(const Node* node) noexcept {
    return node->kind() == NodeKind::Document ? static_cast<const Document*>(node) : Arena::ownerOf(node);
}
}  // namespace

void Element::requireInsertable(const Node* child) const {
    // A node lives in its document's arena: linked into another document's tree it would dangle once
    // its own document is gone.
    if (arenaOf(child) != arenaOf(this)) fail(kNodeOfAnotherDocument);
    if (child->kind() == NodeKind::Document || isSelfOrAncestor(child, this)) fail(kNodeCannotContainItself);
}

const Tag& Element::tagOutsideTable() const noexcept {
    if (payload() == kDocumentRootTag) return *Tag::documentRootTag();
    return arenaOwner().unknownTag(payload());
}

void Element::setTag(const Tag* tag) { setPayload(arenaOwner().tagNumberOf(tag)); }

void Element::markSelfClosing() {
    // Only per-document tags may change; the table's tags and the root tag are shared.
    if (payload() >= kUnknownTagBase && payload() != kDocumentRootTag) const_cast<Tag&>(tag()).selfClosing_ = true;
}

Node* Element::lastChild() const noexcept { return firstChild_ != nullptr ? firstChild_->previous_ : nullptr; }

Element& Element::attr(std::string_view key, std::string_view value) {
    attributes().put(key, value);
    return *this;
}

Element& Element::attr(std::string_view key, bool value) {
    attributes().put(key, value);
    return *this;
}

std::string_view Element::id() const { return attributes().getIgnoreCase("id"); }

std::vector<std::string> Element::classNames() const {
    std::vector<std::string> names;
    std::string_view classes = attributes().get("class");
    std::size_t index = 0;
    while (index < classes.size()) {
        if (std::size_t white = whitespaceLengthAt(classes, index); white > 0) {
            index += white;
            continue;
        }
        std::size_t end = index + 1;
        while (end < classes.size() && whitespaceLengthAt(classes, end) == 0) ++end;
        std::string name(classes.substr(index, end - index));
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
        index = end;
    }
    return names;
}

namespace {
void setClassNames(Element& element, const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        if (!joined.empty()) joined += ' ';
        joined += name;
    }
    element.attr("class", std::string_view(joined));
}
}  // namespace

Element& Element::addClass(std::string_view className) {
    requireNotEmpty(className);
    std::vector<std::string> names = classNames();
    if (std::find(names.begin(), names.end(), className) == names.end()) names.emplace_back(className);
    setClassNames(*this, names);
    return *this;
}

Element& Element::removeClass(std::string_view className) {
    requireNotEmpty(className);
    std::vector<std::string> names = classNames();
    std::erase(names, std::string(className));
    setClassNames(*this, names);
    return *this;
}

Element& Element::toggleClass(std::string_view className) {
    requireNotEmpty(className);
    std::vector<std::string> names = classNames();
    if (std::erase(names, std::string(className)) == 0) names.emplace_back(className);
    setClassNames(*this, names);
    return *this;
}

Element* Element::getElementById(std::string_view id) const {
    requireNotEmpty(id);
    Element* found = nullptr;
    forEachElement(const_cast<Element&>(*this), [&](Element& element) {
        if (element.id() != id) return WalkStep::Continue;
        found = &element;
        return WalkStep::Stop;
    });
    return found;
}

Elements Element::children() const {
    Elements elements;
    for (Node* node : childNodes()) {
        if (node->isElement()) elements.add(static_cast<Element*>(node));
    }
    return elements;
}

std::size_t Element::childElementCount() const noexcept {
    auto children = childNodes();
    return static_cast<std::size_t>(
        std::count_if(children.begin(), children.end(), [](const Node* node) { return node->isElement(); }));
}

std::size_t Element::elementSiblingIndex() const noexcept {
    std::size_t index = 0;
    for (const Node* node = previousSibling(); node != nullptr; node = node->previousSibling()) {
        if (node->isElement()) ++index;
    }
    return index;
}

Node* Element::childAt(std::size_t index) const {
    Node* at = firstChild_;
    for (std::size_t i = 0; i < index; ++i) {
        if (at == nullptr) fail(kInsertPositionOutOfBounds);
        at = at->next_;
    }
    return at;
}

void Element::link(Node* child, Node* reference) noexcept {
    child->parent_ = this;
    if (firstChild_ == nullptr) {
        firstChild_ = child;
        child->previous_ = child;
        child->next_ = nullptr;
        return;
    }
    if (reference == nullptr) {
        Node* last = firstChild_->previous_;
        last->next_ = child;
        child->previous_ = last;
        child->next_ = nullptr;
        firstChild_->previous_ = child;
        return;
    }
    // Every later sibling's position changes.
    arenaOwner().childrenMoved();
    child->next_ = reference;
    child->previous_ = reference->previous_;
    if (reference == firstChild_) {
        firstChild_ = child;
    } else {
        reference->previous_->next_ = child;
    }
    reference->previous_ = child;
}

void Element::unlink(Node* child) noexcept {
    // The node may come back elsewhere by an append, which tells the document nothing.
    arenaOwner().childrenMoved();
    Node* next = child->next_;
    Node* previous = child->previous_;
    if (child == firstChild_) {
        firstChild_ = next;
        if (next != nullptr) next->previous_ = previous;
    } else {
        previous->next_ = next;
        if (next != nullptr) {
            next->previous_ = previous;
        } else {
            firstChild_->previous_ = previous;
        }
    }
    child->parent_ = nullptr;
    child->next_ = nullptr;
    child->previous_ = nullptr;
}

Element& Element::appendChild(Node* child) {
    if (child->parent_ == nullptr && child != this && child->kind() != NodeKind::Document &&
        (!child->isElement() || !static_cast<Element*>(child)->hasChildNodes()) && arenaOf(child) == arenaOf(this)) {
        // The parser's path: a fresh node goes to the end, nothing else moves.
        link(child, nullptr);
        return *this;
    }
    return insertChildBefore(child, nullptr);
}

Element& Element::prependChild(Node* child) { return insertChildBefore(child, firstChild_); }

Element& Element::insertChild(std::size_t index, Node* child) { return insertChildBefore(child, childAt(index)); }

Element& Element::insertChildren(std::size_t index, std::span<Node* const> children) {
    Node* reference = childAt(index);
    // Copy first: the caller's list may change as nodes are detached.
    std::vector<Node*> incoming(children.begin(), children.end());
    // Every check before any change, so that a refused call leaves the tree as it was.
    for (const Node* child : incoming) requireInsertable(child);
    if (incoming.size() > 1) {
        std::vector<Node*> sorted = incoming;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) fail(kNodeInsertedTwice);
    }
    // A reference that is itself moved gives its place to the next sibling that stays.
    while (reference != nullptr && std::find(incoming.begin(), incoming.end(), reference) != incoming.end()) {
        reference = reference->next_;
    }
    for (Node* child : incoming) child->remove();
    for (Node* child : incoming) link(child, reference);
    return *this;
}

Element& Element::insertChildren(std::size_t index, ChildNodes children) {
    const std::vector<Node*> nodes(children.begin(), children.end());
    return insertChildren(index, std::span<Node* const>(nodes));
}

Element& Element::insertChildBefore(Node* child, Node* reference) {
    if (reference != nullptr && reference->parent_ != this) fail(kNotAChildNode);
    if (child == reference) return *this;
    requireInsertable(child);
    child->remove();
    link(child, reference);
    return *this;
}

Element& Element::empty() noexcept {
    if (firstChild_ == nullptr) return *this;
    arenaOwner().childrenMoved();
    for (Node* child = firstChild_; child != nullptr;) {
        Node* next = child->next_;
        child->parent_ = nullptr;
        child->next_ = nullptr;
        child->previous_ = nullptr;
        child = next;
    }
    firstChild_ = nullptr;
    return *this;
}

Elements FormElement::elements() const { return Elements(std::vector<Element*>(controls_.begin(), controls_.end())); }

void FormElement::addElement(Element* control) { controls_.push_back(control); }

}  // namespace novawick::html
