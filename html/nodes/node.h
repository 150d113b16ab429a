// The base of the document tree. Nodes live in their document's arena: the document owns them all,
// a parent link is a plain pointer, and nothing is ever freed one node at a time, so building and
// tearing down a tree costs no recursion however deep it is.
//
// Only elements hold children. Node kinds are told apart by `kind()` rather than by virtual calls
// or dynamic_cast, since the tree walks of text extraction and selection run on every node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace html {

class Attributes;
class Document;
class Element;

enum class NodeKind : std::uint8_t {
    Element,
    Document,
    FormElement,
    Text,
    Data,
    Comment,
    DocumentType,
    XmlDeclaration,
};

class Node {
public:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    NodeKind kind() const noexcept { return kind_; }
    /// True for `Element`, `Document` and `FormElement`.
    bool isElement() const noexcept { return kind_ <= NodeKind::FormElement; }
    Element* asElement() noexcept;
    const Element* asElement() const noexcept;

    /// The tag name for elements; "#document", "#text", "#data", "#comment", "#doctype", "#declaration".
    std::string_view nodeName() const noexcept;

    /// The parent (always an element or the document), or nullptr for a root or detached node.
    Element* parentNode() const noexcept { return parent_; }
    /// The child nodes in order; empty for nodes that cannot hold children.
    std::span<Node* const> childNodes() const noexcept;
    /// The child at `index`, or nullptr when out of range.
    Node* childNode(std::size_t index) const noexcept;
    std::size_t childNodeSize() const noexcept;
    /// Position in the parent's child nodes (0 without a parent).
    std::size_t siblingIndex() const noexcept { return siblingIndex_; }
    Node* nextSibling() const noexcept;
    Node* previousSibling() const noexcept;
    /// The parent's other children, in order; empty without a parent.
    std::vector<Node*> siblingNodes() const;
    /// The topmost ancestor (this node when it has no parent).
    Node* root() const noexcept;
    /// The document at the root of this node's tree, or nullptr for a detached subtree.
    Document* ownerDocument() const noexcept;
    /// The document whose arena holds this node (whether or not it is attached).
    Document& arenaOwner() const noexcept { return *owner_; }

    /// The node's attributes, or nullptr for a node kind that has none yet.
    Attributes* attributes() noexcept { return attributes_; }
    const Attributes* attributes() const noexcept { return attributes_; }
    /// Attribute value by key ignoring case; "abs:key" resolves key against the base URI; "" if none.
    std::string attr(std::string_view key) const;
    bool hasAttr(std::string_view key) const;
    /// The attribute's value resolved against `baseUri`, or "" when absent; `key` must not be empty.
    std::string absUrl(std::string_view key) const;

    std::string_view baseUri() const noexcept { return baseUri_ != nullptr ? *baseUri_ : std::string_view(); }
    void setBaseUri(std::string_view baseUri);

    /// Detaches this node from its parent (a no-op when it has none).
    void remove();
    /// Puts `replacement` where this node stands and detaches this node; this node must have a parent.
    void replaceWith(Node* replacement);
    /// Inserts `node` as the previous sibling; this node must have a parent.
    void before(Node* node);
    /// Inserts `node` as the next sibling; this node must have a parent.
    void after(Node* node);
    /// Puts `wrapper` in this node's place and this node inside the wrapper's deepest first element.
    Element* wrap(Element* wrapper);
    /// Replaces this node by its children; returns the first child, or nullptr.
    Node* unwrap();

protected:
    Node(NodeKind kind, Document& owner, std::string_view baseUri) noexcept;
    ~Node() = default;

    /// Looks up an attribute without creating storage; leaf nodes answer for their own value key.
    std::string_view lookupAttribute(std::string_view key) const;
    bool hasAttributeKey(std::string_view key) const;

    void setAttributes(Attributes* attributes) noexcept { attributes_ = attributes; }

private:
    friend class Element;

    Element* parent_ = nullptr;
    Attributes* attributes_ = nullptr;
    Document* owner_;
    // The document's one copy of the URI (nodes share a handful of them); null for none.
    const std::string_view* baseUri_;
    // 32 bits: a child list that long would need hundreds of gigabytes of nodes.
    std::uint32_t siblingIndex_ = 0;
    NodeKind kind_;
};

}  // namespace html
