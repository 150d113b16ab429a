// Element children, attributes, classes and lookups. Every child-list change detaches the incoming
// nodes from their former parents first, then renumbers sibling indexes from the point of change, so
// appending stays amortised O(1) and an insertion costs the shift it makes.
#include "html/nodes/element.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"
#include "html/nodes/traversal.h"

namespace html {

namespace {
[[noreturn]] void fail(std::string_view message) {
    throw Exception(ExceptionType::IllegalArgumentException, std::string(message));
}

// True when `node` is `element` or one of its ancestors. Only a node with children is anyone's
// ancestor, so the fresh, empty nodes the parser inserts cost no walk up the tree.
bool isSelfOrAncestor(const Node* node, const Element* element) noexcept {
    if (node == element) return true;
    if (node->childNodeSize() == 0) return false;
    for (const Element* ancestor = element->parentNode(); ancestor != nullptr; ancestor = ancestor->parentNode()) {
        if (ancestor == node) return true;
    }
    return false;
}
}  // namespace

void Element::requireInsertable(const Node* child) const {
    // A node lives in its document's arena: linked into another document's tree it would dangle once
    // its own document is gone.
    if (&child->arenaOwner() != &arenaOwner()) fail(kNodeOfAnotherDocument);
    if (child->kind() == NodeKind::Document || isSelfOrAncestor(child, this)) fail(kNodeCannotContainItself);
}

Element::Element(Document& owner, const Tag* tag, std::string_view baseUri)
    : Element(NodeKind::Element, owner, owner.arena(), tag, baseUri) {}

Element::Element(NodeKind kind, Document& owner, std::pmr::memory_resource* arena, const Tag* tag,
                 std::string_view baseUri)
    : Node(kind, owner, baseUri), tag_(tag), ownAttributes_(arena) {
    setAttributes(&ownAttributes_);
}

void Element::markSelfClosing() noexcept {
    // Only per-document tags may change; the table's tags and the root tag are shared.
    if (!tag_->isKnown() && tag_ != Tag::documentRootTag()) const_cast<Tag*>(tag_)->selfClosing_ = true;
}

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
    for (Node* node : childNodes_) {
        if (node->isElement()) elements.add(static_cast<Element*>(node));
    }
    return elements;
}

std::size_t Element::childElementCount() const noexcept {
    return static_cast<std::size_t>(
        std::count_if(childNodes_.begin(), childNodes_.end(), [](const Node* node) { return node->isElement(); }));
}

std::size_t Element::elementSiblingIndex() const noexcept {
    const Element* parent = parentNode();
    if (parent == nullptr) return 0;
    auto before = parent->childNodes().first(siblingIndex());
    return static_cast<std::size_t>(
        std::count_if(before.begin(), before.end(), [](const Node* node) { return node->isElement(); }));
}

void Element::renumberFrom(std::size_t index) noexcept {
    for (std::size_t i = index; i < childNodes_.size(); ++i) {
        childNodes_[i]->siblingIndex_ = static_cast<std::uint32_t>(i);
    }
}

void Element::removeChildAt(std::size_t index) noexcept {
    Node* child = childNodes_[index];
    child->parent_ = nullptr;
    child->siblingIndex_ = 0;
    childNodes_.erase(index);
    renumberFrom(index);
}

void Element::ChildList::reserve(std::pmr::memory_resource& arena, std::size_t capacity) {
    if (capacity > UINT32_MAX) throw std::length_error("too many child nodes");
    auto** grown = static_cast<Node**>(arena.allocate(capacity * sizeof(Node*), alignof(Node*)));
    std::copy(begin(), end(), grown);
    if (data_ != nullptr) arena.deallocate(data_, capacity_ * sizeof(Node*), alignof(Node*));
    data_ = grown;
    capacity_ = static_cast<std::uint32_t>(capacity);
}

void Element::ChildList::push_back(std::pmr::memory_resource& arena, Node* node) {
    if (size_ == capacity_) reserve(arena, capacity_ == 0 ? 1 : std::size_t{capacity_} * 2);
    data_[size_++] = node;
}

void Element::ChildList::insert(std::pmr::memory_resource& arena, std::size_t index, std::span<Node* const> nodes) {
    if (nodes.empty()) return;
    const std::size_t needed = size_ + nodes.size();
    if (needed > capacity_) reserve(arena, std::max(needed, std::size_t{capacity_} * 2));
    std::copy_backward(data_ + index, data_ + size_, data_ + needed);
    std::copy(nodes.begin(), nodes.end(), data_ + index);
    size_ = static_cast<std::uint32_t>(needed);
}

void Element::ChildList::erase(std::size_t index) noexcept {
    std::copy(data_ + index + 1, data_ + size_, data_ + index);
    --size_;
}

void Element::adopt(Node* child) noexcept { child->parent_ = this; }

Element& Element::appendChild(Node* child) {
    if (child->parent_ == nullptr && child->childNodeSize() == 0 && child != this &&
        child->kind() != NodeKind::Document && &child->arenaOwner() == &arenaOwner()) {
        // The parser's path: a fresh node goes to the end, nothing else moves.
        childNodes_.push_back(*arenaOwner().arena(), child);
        child->parent_ = this;
        child->siblingIndex_ = static_cast<std::uint32_t>(childNodes_.size() - 1);
        return *this;
    }
    return insertChild(childNodes_.size(), child);
}

Element& Element::prependChild(Node* child) { return insertChild(0, child); }

Element& Element::insertChild(std::size_t index, Node* child) {
    Node* const children[] = {child};
    return insertChildren(index, children);
}

Element& Element::insertChildren(std::size_t index, std::span<Node* const> children) {
    if (index > childNodes_.size()) fail(kInsertPositionOutOfBounds);
    // Copy first: the span may be another element's child list, which detaching changes.
    std::vector<Node*> incoming(children.begin(), children.end());
    // Every check before any change, so that a refused call leaves the tree as it was.
    for (const Node* child : incoming) requireInsertable(child);
    if (incoming.size() > 1) {
        std::vector<Node*> sorted = incoming;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) fail(kNodeInsertedTwice);
    }
    for (Node* child : incoming) {
        if (child->parent_ == this && child->siblingIndex_ < index) --index;
        child->remove();
    }
    childNodes_.insert(*arenaOwner().arena(), index, incoming);
    for (Node* child : incoming) adopt(child);
    renumberFrom(index);
    return *this;
}

Element& Element::insertChildBefore(Node* child, Node* reference) {
    if (reference->parent_ != this) fail(kNotAChildNode);
    if (child == reference) return *this;
    return insertChild(reference->siblingIndex_, child);
}

Element& Element::empty() noexcept {
    for (Node* child : childNodes_) {
        child->parent_ = nullptr;
        child->siblingIndex_ = 0;
    }
    childNodes_.clear();
    return *this;
}

FormElement::FormElement(Document& owner, const Tag* tag, std::string_view baseUri)
    : Element(NodeKind::FormElement, owner, owner.arena(), tag, baseUri),
      controls_(owner.arena()) {}

Elements FormElement::elements() const { return Elements(std::vector<Element*>(controls_.begin(), controls_.end())); }

void FormElement::addElement(Element* control) { controls_.push_back(control); }

}  // namespace html
