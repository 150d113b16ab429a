// The base of the document tree. Nodes live in their document's arena: the document owns them all,
// a parent link is a plain pointer, and nothing is ever freed one node at a time, so building and
// tearing down a tree costs no recursion however deep it is.
//
// A node is 32 bytes: its parent, its two sibling links and one word of kind, flags, base URI number
// and a payload its kind uses (an element's tag number, a text's length). Children are a chain of
// sibling links, not an array: the first child's previous link holds the last child, so appending,
// inserting before a node and removing are each a few pointer writes. A node's position among its
// siblings is not stored; `siblingIndex` counts it, and the document remembers the counts of a long
// child list until children move other than by an append. The owning document is not stored either:
// the arena page a node lives in names it (see arena.h).
//
// Only elements hold children. Node kinds are told apart by `kind()` rather than by virtual calls
// or dynamic_cast, since the tree walks of text extraction and selection run on every node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::html {

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

class Node;

/// A node's children in order, read through the sibling links. A view: it stays valid while the
/// children stay where they are. `size()` counts.
class ChildNodes {
public:
    class iterator {
    public:
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::forward_iterator_tag;
        using value_type = Node*;
        using difference_type = std::ptrdiff_t;
        using pointer = Node* const*;
        using reference = Node* const&;

        iterator() noexcept = default;
        explicit iterator(Node* node) noexcept : node_(node) {}
        reference operator*() const noexcept { return node_; }
        iterator& operator++() noexcept;
        iterator operator++(int) noexcept {
            iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const iterator& left, const iterator& right) noexcept {
            return left.node_ == right.node_;
        }

    private:
        Node* node_ = nullptr;
    };
    using const_iterator = iterator;
    using value_type = Node*;

    explicit ChildNodes(Node* first) noexcept : first_(first) {}

    iterator begin() const noexcept { return iterator(first_); }
    iterator end() const noexcept { return iterator(); }
    bool empty() const noexcept { return first_ == nullptr; }
    /// The first child, or nullptr.
    Node* front() const noexcept { return first_; }
    /// The last child, or nullptr.
    Node* back() const noexcept;
    /// Number of children (a walk along them).
    std::size_t size() const noexcept;

private:
    Node* first_;
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
    ChildNodes childNodes() const noexcept;
    /// The child at `index`, or nullptr when out of range (a walk from the first child).
    Node* childNode(std::size_t index) const noexcept;
    /// Number of child nodes (a walk along them).
    std::size_t childNodeSize() const noexcept;
    bool hasChildNodes() const noexcept;
    /// Position in the parent's child nodes (0 without a parent). Counted, and remembered by the
    /// document for long child lists until the tree next changes other than by appending; so, unlike
    /// the other reads, it writes to the document and is not for threads sharing one.
    std::size_t siblingIndex() const;
    /// The next sibling, or nullptr at the end or without a parent.
    Node* nextSibling() const noexcept { return next_; }
    /// The previous sibling, or nullptr at the start or without a parent.
    Node* previousSibling() const noexcept {
        // The first child's previous link holds the last child, whose next link is null.
        return previous_ != nullptr && previous_->next_ == this ? previous_ : nullptr;
    }
    /// The parent's other children, in order; empty without a parent.
    std::vector<Node*> siblingNodes() const;
    /// The topmost ancestor (this node when it has no parent).
    Node* root() const noexcept;
    /// The document at the root of this node's tree, or nullptr for a detached subtree.
    Document* ownerDocument() const noexcept;
    /// The document whose arena holds this node (whether or not it is attached).
    Document& arenaOwner() const noexcept;

    /// The node's attributes, or nullptr for a node kind that has none yet.
    Attributes* attributes() noexcept;
    const Attributes* attributes() const noexcept;
    /// Attribute value by key ignoring case; "abs:key" resolves key against the base URI; "" if none.
    std::string attr(std::string_view key) const;
    bool hasAttr(std::string_view key) const;
    /// The attribute's value resolved against `baseUri`, or "" when absent; `key` must not be empty.
    std::string absUrl(std::string_view key) const;

    std::string_view baseUri() const noexcept;
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
    /// Flags of the leaf kinds; elements have none.
    enum Flag : std::uint8_t {
        kExternalValue = 1,   // the value lives in a block of its own, not after the node
        kHasAttributes = 2,   // the document holds attributes for this leaf node
    };

    ~Node() = default;

    /// Looks up an attribute without creating storage; leaf nodes answer for their own value key.
    std::string_view lookupAttribute(std::string_view key) const;
    bool hasAttributeKey(std::string_view key) const;

    std::uint8_t flags() const noexcept { return flags_; }
    bool hasFlag(Flag flag) const noexcept { return (flags_ & flag) != 0; }
    void setFlag(Flag flag) noexcept { flags_ = static_cast<std::uint8_t>(flags_ | flag); }
    std::uint16_t baseUriNumber() const noexcept { return baseUri_; }
    std::uint32_t payload() const noexcept { return payload_; }
    void setPayload(std::uint32_t payload) noexcept { payload_ = payload; }

private:
    // Only the library's node kinds, made by a document in its arena: a node finds its document from
    // the arena page it lives in.
    friend class ChildNodes;
    friend class Element;
    friend class ValueNode;
    friend class DocumentType;
    friend class XmlDeclaration;

    Node(NodeKind kind, std::uint16_t baseUri) noexcept : kind_(kind), baseUri_(baseUri) {}

    Element* parent_ = nullptr;
    Node* next_ = nullptr;
    // The previous sibling; the first child's holds the last child. Null without a parent.
    Node* previous_ = nullptr;
    NodeKind kind_;
    std::uint8_t flags_ = 0;
    // The document's number for the base URI; 0 for none.
    std::uint16_t baseUri_;
    std::uint32_t payload_ = 0;
};

static_assert(sizeof(void*) != 8 || sizeof(Node) == 32, "a node is three links and one word");

inline ChildNodes::iterator& ChildNodes::iterator::operator++() noexcept {
    node_ = node_->nextSibling();
    return *this;
}

}  // namespace novawick::html
