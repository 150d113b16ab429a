// Elements: tagged nodes with attributes and children, and the read operations the scrapers use
// (text extraction, class and id lookups).
//
// An element adds two words to a node: its first child and its attribute list. Its tag is a number in
// the node's payload word: below kUnknownTagBase the tag table's index, above it one of the document's
// tags outside the table. Children are linked (see node.h), so appending, inserting before a child
// and removing one move nothing else.
//
// Tree walks here are iterative (see traversal.h): a document of any depth is read without
// recursion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/elements.h"
#include "html/nodes/node.h"
#include "html/nodes/tag.h"

namespace novawick::html {

class Element : public Node {
public:
    /// Tag numbers from here up name tags outside the table (the table's indexes are below).
    static constexpr std::uint32_t kUnknownTagBase = std::uint32_t{1} << 16;
    /// The tag number of the document's own tag ("#root").
    static constexpr std::uint32_t kDocumentRootTag = ~std::uint32_t{0};

    const Tag& tag() const noexcept {
        return payload() < kUnknownTagBase ? *Tag::fromTableIndex(payload()) : tagOutsideTable();
    }
    std::string_view tagName() const noexcept { return tag().getName(); }
    std::string_view tagNameNormal() const noexcept { return tag().getNameNormal(); }
    bool isBlock() const noexcept { return tag().isBlock(); }
    /// Gives the element another tag (a tag of another document is copied into this one's).
    void setTag(const Tag* tag);
    /// Records that an element outside the tag table was written self-closing; no-op for known tags.
    void markSelfClosing();

    /// The parent element (the document counts), or nullptr.
    Element* parent() const noexcept { return parentNode(); }
    /// The element's attributes (always present).
    Attributes& attributes() noexcept { return attributes_; }
    const Attributes& attributes() const noexcept { return attributes_; }

    using Node::attr;
    /// Sets an attribute (the key is trimmed; an empty key raises "String must not be empty").
    Element& attr(std::string_view key, std::string_view value);
    Element& attr(std::string_view key, const char* value) { return attr(key, std::string_view(value)); }
    /// True sets a boolean attribute, false removes it.
    Element& attr(std::string_view key, bool value);

    /// The "id" attribute (case-insensitive key), or "".
    std::string_view id() const;
    /// Class test: whitespace-separated names, compared ignoring case.
    bool hasClass(std::string_view className) const;
    /// The class names, split at whitespace runs, in order and without repeats.
    std::vector<std::string> classNames() const;
    Element& addClass(std::string_view className);
    Element& removeClass(std::string_view className);
    Element& toggleClass(std::string_view className);

    /// First element of this subtree (this element included) whose id equals `id` exactly, or nullptr.
    Element* getElementById(std::string_view id) const;
    /// Every element of this subtree (this element included) having the class, in document order.
    Elements getElementsByClass(std::string_view className) const;
    /// The child nodes that are elements, in order.
    Elements children() const;
    std::size_t childElementCount() const noexcept;
    /// Position among the parent's element children (0 without a parent); counted.
    std::size_t elementSiblingIndex() const noexcept;

    /// The text of this subtree: block elements and `br` separate, data nodes excluded.
    std::string text(bool trimAndNormaliseWhitespace = true) const;
    /// The normalised, trimmed text of the direct text children only.
    std::string ownText() const;

    ChildNodes childNodes() const noexcept { return ChildNodes(firstChild_); }
    /// The first or last child, or nullptr.
    Node* firstChild() const noexcept { return firstChild_; }
    Node* lastChild() const noexcept;
    bool hasChildNodes() const noexcept { return firstChild_ != nullptr; }
    /// Number of child nodes (a walk along them).
    std::size_t childNodeSize() const noexcept { return childNodes().size(); }

    /// Moves `child` (detaching it from any former parent) to the end of the children. Every insertion
    /// refuses a node that is this element or one of its ancestors, a document, or a node of another
    /// document, and then changes nothing.
    Element& appendChild(Node* child);
    Element& prependChild(Node* child);
    /// Inserts `child` at `index` (0..childNodeSize()); raises IllegalArgumentException when out of range.
    Element& insertChild(std::size_t index, Node* child);
    /// Inserts `children`, in order, starting at `index`; a node named twice is refused.
    Element& insertChildren(std::size_t index, std::span<Node* const> children);
    /// The same for children read from a range (another element's children may be moved whole).
    Element& insertChildren(std::size_t index, ChildNodes children);
    /// Inserts `child` just before `reference`, which must be a child of this element.
    Element& insertChildBefore(Node* child, Node* reference);
    /// Detaches every child.
    Element& empty() noexcept;

    /// Elements of this subtree matching the CSS query (selector engine).
    Elements select(std::string_view query) const;
    /// True when this element matches the CSS query, with its owner document as root (selector engine).
    bool is(std::string_view query) const;

private:
    friend class Document;
    friend class FormElement;
    friend class Node;

    Element(NodeKind kind, std::uint16_t baseUri, std::uint32_t tagNumber, Attributes::Block* emptyAttributes) noexcept
        : Node(kind, baseUri), attributes_(emptyAttributes) {
        setPayload(tagNumber);
    }

    const Tag& tagOutsideTable() const noexcept;
    /// Raises IllegalArgumentException unless `child` may be inserted here (see appendChild).
    void requireInsertable(const Node* child) const;
    /// The child at position `index`, nullptr at the end; raises IllegalArgumentException past the end.
    Node* childAt(std::size_t index) const;
    /// Links a detached node in before `reference`, a child of this element (at the end when null).
    void link(Node* child, Node* reference) noexcept;
    /// Takes a child out of the list.
    void unlink(Node* child) noexcept;

    Node* firstChild_ = nullptr;
    Attributes attributes_;
};

static_assert(sizeof(void*) != 8 || sizeof(Element) == 48, "an element is a node, a first child and a list");

/// A `form` element, which also keeps the list of form-listed controls the parser saw inside it.
class FormElement : public Element {
public:
    /// The form's controls, in the order they were added.
    Elements elements() const;
    void addElement(Element* control);

private:
    friend class Document;

    FormElement(std::uint16_t baseUri, std::uint32_t tagNumber, Attributes::Block* emptyAttributes,
                std::pmr::memory_resource* arena)
        : Element(NodeKind::FormElement, baseUri, tagNumber, emptyAttributes), controls_(arena) {}

    std::pmr::vector<Element*> controls_;
};

inline Element* Node::asElement() noexcept { return isElement() ? static_cast<Element*>(this) : nullptr; }
inline const Element* Node::asElement() const noexcept {
    return isElement() ? static_cast<const Element*>(this) : nullptr;
}

}  // namespace novawick::html
