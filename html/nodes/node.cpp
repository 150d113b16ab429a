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

namespace html {

namespace {
Element& requireParent(Element* parent) {
    if (parent == nullptr) throw Exception(ExceptionType::IllegalArgumentException, std::string(kNodeHasNoParent));
    return *parent;
}
}  // namespace

Node::Node(NodeKind kind, Document& owner, std::string_view baseUri) noexcept
    : owner_(&owner), baseUri_(baseUri.empty() ? nullptr : owner.baseUriSlot(baseUri)), kind_(kind) {}

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

std::span<Node* const> Node::childNodes() const noexcept {
    if (!isElement()) return {};
    return static_cast<const Element*>(this)->childNodes();
}

Node* Node::childNode(std::size_t index) const noexcept {
    auto children = childNodes();
    return index < children.size() ? children[index] : nullptr;
}

std::size_t Node::childNodeSize() const noexcept { return childNodes().size(); }

Node* Node::nextSibling() const noexcept {
    if (parent_ == nullptr) return nullptr;
    return parent_->childNode(siblingIndex_ + 1);
}

Node* Node::previousSibling() const noexcept {
    if (parent_ == nullptr || siblingIndex_ == 0) return nullptr;
    return parent_->childNode(siblingIndex_ - 1);
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

std::string_view Node::lookupAttribute(std::string_view key) const {
    if (attributes_ != nullptr) return attributes_->getIgnoreCase(key);
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
    if (attributes_ != nullptr) return attributes_->hasKeyIgnoreCase(key);
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

void Node::setBaseUri(std::string_view baseUri) { baseUri_ = baseUri.empty() ? nullptr : owner_->baseUriSlot(baseUri); }

void Node::remove() {
    if (parent_ != nullptr) parent_->removeChildAt(siblingIndex_);
}

void Node::replaceWith(Node* replacement) {
    Element& parent = requireParent(parent_);
    if (replacement == this) return;
    // Checked before this node leaves its place, so that a refused replacement changes nothing.
    parent.requireInsertable(replacement);
    std::size_t index = siblingIndex_;
    parent.removeChildAt(index);
    parent.insertChild(index, replacement);
}

void Node::before(Node* node) {
    Element& parent = requireParent(parent_);
    if (node == this) return;
    parent.insertChild(siblingIndex_, node);
}

void Node::after(Node* node) {
    Element& parent = requireParent(parent_);
    if (node == this) return;
    // Not detached here: insertion checks `node` first, and allows for an earlier sibling moving.
    parent.insertChild(siblingIndex_ + 1, node);
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
    std::size_t index = siblingIndex_;
    remove();
    parent.insertChildren(index, children);
    return first;
}

}  // namespace html
