// Node navigation, attribute lookup and the sibling-level mutations (remove, before, after, wrap,
// unwrap); the child-list work itself is done by Element.
#include "html/nodes/node.h"

#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/string_util.h"
#include "html/nodes/url_resolver.h"

namespace novawick::html {

namespace {
Element& requireParent(Element* parent) {
    if (parent == nullptr) throw Exception(ExceptionType::IllegalArgumentException, std::string(kNodeHasNoParent));
    return *parent;
}
}  // namespace

Node* ChildNodes::back() const noexcept { return first_ != nullptr ? first_->previous_ : nullptr; }

std::size_t ChildNodes::size() const noexcept {
    std::size_t count = 0;
    for (const Node* node = first_; node != nullptr; node = node->next_) ++count;
    return count;
}

std::string_view Node::nodeName() const noexcept {
    switch (kind_) {
    case NodeKind::Element:
    case NodeKind::FormElement: return static_cast<const Element*>(this)->tagName();
    case NodeKind::Document: return "#document";
    case NodeKind::Text: return "#text";
    case NodeKind::Data: return "#data";
    case NodeKind::Comment: return "#comment";
    case NodeKind::DocumentType: return "#doctype";
    case NodeKind::XmlDeclaration: return "#declaration";
    }
    return {};
}

ChildNodes Node::childNodes() const noexcept {
    return ChildNodes(isElement() ? static_cast<const Element*>(this)->firstChild() : nullptr);
}

Node* Node::childNode(std::size_t index) const noexcept {
    for (Node* child : childNodes()) {
        if (index-- == 0) return child;
    }
    return nullptr;
}

std::size_t Node::childNodeSize() const noexcept { return childNodes().size(); }

bool Node::hasChildNodes() const noexcept { return !childNodes().empty(); }

std::size_t Node::siblingIndex() const {
    if (parent_ == nullptr || previousSibling() == nullptr) return 0;
    return arenaOwner().rememberedSiblingIndex(*this);
}

std::vector<Node*> Node::siblingNodes() const {
    std::vector<Node*> siblings;
    if (parent_ == nullptr) return siblings;
    for (Node* node : parent_->childNodes()) {
        if (node != this) siblings.push_back(node);
    }
    return siblings;
}

Node* Node::root() const noexcept {
    const Node* node = this;
    while (node->parent_ != nullptr) node = node->parent_;
    return const_cast<Node*>(node);
}

Document* Node::ownerDocument() const noexcept {
    Node* top = root();
    return top->kind_ == NodeKind::Document ? static_cast<Document*>(top) : nullptr;
}

Document& Node::arenaOwner() const noexcept {
    if (kind_ == NodeKind::Document) return *static_cast<Document*>(const_cast<Node*>(this));
    return *Arena::ownerOf(this);
}

Attributes* Node::attributes() noexcept {
    if (isElement()) return &static_cast<Element*>(this)->attributes();
    return hasFlag(kHasAttributes) ? arenaOwner().leafAttributes(*this, false) : nullptr;
}

const Attributes* Node::attributes() const noexcept { return const_cast<Node*>(this)->attributes(); }

std::string_view Node::lookupAttribute(std::string_view key) const {
    if (const Attributes* attributes = this->attributes()) return attributes->getIgnoreCase(key);
    requireNotEmpty(key);
    switch (kind_) {
    case NodeKind::Text:
    case NodeKind::Data:
    case NodeKind::Comment: {
        const auto* leaf = static_cast<const ValueNode*>(this);
        return equalsIgnoreCase(key, leaf->valueKey()) ? leaf->value() : std::string_view();
    }
    case NodeKind::Element:
    case NodeKind::Document:
    case NodeKind::FormElement:
    case NodeKind::DocumentType:
    case NodeKind::XmlDeclaration: return {};
    }
    return {};
}

bool Node::hasAttributeKey(std::string_view key) const {
    if (const Attributes* attributes = this->attributes()) return attributes->hasKeyIgnoreCase(key);
    switch (kind_) {
    case NodeKind::Text:
    case NodeKind::Data:
    case NodeKind::Comment: return equalsIgnoreCase(key, static_cast<const ValueNode*>(this)->valueKey());
    case NodeKind::Element:
    case NodeKind::Document:
    case NodeKind::FormElement:
    case NodeKind::DocumentType:
    case NodeKind::XmlDeclaration: return false;
    }
    return false;
}

std::string Node::attr(std::string_view key) const {
    std::string_view value = lookupAttribute(key);
    if (!value.empty()) return std::string(value);
    if (startsWithIgnoreCase(key, "abs:")) return absUrl(key.substr(4));
    return {};
}

bool Node::hasAttr(std::string_view key) const {
    if (startsWithIgnoreCase(key, "abs:")) {
        std::string_view rest = key.substr(4);
        if (!rest.empty() && hasAttributeKey(rest) && !absUrl(rest).empty()) return true;
    }
    return hasAttributeKey(key);
}

std::string Node::absUrl(std::string_view key) const {
    requireNotEmpty(key);
    if (!hasAttributeKey(key)) return {};
    return resolveUrl(baseUri(), lookupAttribute(key));
}

std::string_view Node::baseUri() const noexcept {
    return baseUri_ == 0 ? std::string_view() : arenaOwner().baseUriOf(baseUri_);
}

void Node::setBaseUri(std::string_view baseUri) { baseUri_ = arenaOwner().baseUriNumber(baseUri); }

void Node::remove() {
    if (parent_ != nullptr) parent_->unlink(this);
}

void Node::replaceWith(Node* replacement) {
    Element& parent = requireParent(parent_);
    if (replacement == this) return;
    // The replacement goes in first, so that a refused one changes nothing.
    parent.insertChildBefore(replacement, this);
    remove();
}

void Node::before(Node* node) {
    Element& parent = requireParent(parent_);
    if (node == this) return;
    parent.insertChildBefore(node, this);
}

void Node::after(Node* node) {
    Element& parent = requireParent(parent_);
    if (node == this) return;
    if (next_ == nullptr) {
        parent.appendChild(node);
    } else if (node != next_) {
        parent.insertChildBefore(node, next_);
    }
}

Element* Node::wrap(Element* wrapper) {
    for (const Node* node = wrapper; node != nullptr; node = node->parent_) {
        if (node == this) {
            throw Exception(ExceptionType::IllegalArgumentException, std::string(kNodeCannotContainItself));
        }
    }
    Element* deepest = wrapper;
    for (;;) {
        Element* firstElement = nullptr;
        for (Node* child : deepest->childNodes()) {
            if (child->isElement()) {
                firstElement = static_cast<Element*>(child);
                break;
            }
        }
        if (firstElement == nullptr) break;
        deepest = firstElement;
    }
    if (parent_ != nullptr) replaceWith(wrapper);
    deepest->appendChild(this);
    return wrapper;
}

Node* Node::unwrap() {
    Element& parent = requireParent(parent_);
    std::vector<Node*> children(childNodes().begin(), childNodes().end());
    Node* first = children.empty() ? nullptr : children.front();
    for (Node* child : children) parent.insertChildBefore(child, this);
    remove();
    return first;
}

}  // namespace novawick::html
