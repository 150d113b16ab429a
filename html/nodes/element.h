// Elements: tagged nodes with attributes and children, and the read operations the scrapers use
// (text extraction, class and id lookups). Children are a vector of pointers so that appending is
// amortised O(1) and sibling navigation is an index step; every insertion and removal renumbers the
// sibling indexes from the point of change.
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

namespace html {

class Element : public Node {
public:
    /// Prefer `Document::createElement`, which allocates in the document's arena.
    Element(Document& owner, const Tag* tag, std::string_view baseUri);

    const Tag& tag() const noexcept { return *tag_; }
    std::string_view tagName() const noexcept { return tag_->getName(); }
    std::string_view tagNameNormal() const noexcept { return tag_->getNameNormal(); }
    bool isBlock() const noexcept { return tag_->isBlock(); }
    void setTag(const Tag* tag) noexcept { tag_ = tag; }
    /// Records that an element outside the tag table was written self-closing; no-op for known tags.
    void markSelfClosing() noexcept;

    /// The parent element (the document counts), or nullptr.
    Element* parent() const noexcept { return parentNode(); }
    /// The element's attributes (always present).
    Attributes& attributes() noexcept { return *Node::attributes(); }
    const Attributes& attributes() const noexcept { return *Node::attributes(); }

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
    /// Position among the parent's element children (0 without a parent).
    std::size_t elementSiblingIndex() const noexcept;

    /// The text of this subtree: block elements and `br` separate, data nodes excluded.
    std::string text(bool trimAndNormaliseWhitespace = true) const;
    /// The normalised, trimmed text of the direct text children only.
    std::string ownText() const;

    std::span<Node* const> childNodes() const noexcept { return {childNodes_.begin(), childNodes_.size()}; }
    std::size_t childNodeSize() const noexcept { return childNodes_.size(); }

    /// Moves `child` (detaching it from any former parent) to the end of the children. Every insertion
    /// refuses a node that is this element or one of its ancestors, a document, or a node of another
    /// document, and then changes nothing.
    Element& appendChild(Node* child);
    Element& prependChild(Node* child);
    /// Inserts `child` at `index` (0..childNodeSize()); raises IllegalArgumentException when out of range.
    Element& insertChild(std::size_t index, Node* child);
    /// Inserts `children`, in order, starting at `index`; a node named twice is refused.
    Element& insertChildren(std::size_t index, std::span<Node* const> children);
    /// Inserts `child` just before `reference`, which must be a child of this element.
    Element& insertChildBefore(Node* child, Node* reference);
    /// Detaches every child.
    Element& empty() noexcept;

    /// Elements of this subtree matching the CSS query (selector engine).
    Elements select(std::string_view query) const;
    /// True when this element matches the CSS query, with its owner document as root (selector engine).
    bool is(std::string_view query) const;

protected:
    Element(NodeKind kind, Document& owner, std::pmr::memory_resource* arena, const Tag* tag, std::string_view baseUri);

private:
    friend class Node;

    // The child pointers, in the document's arena: half the size of a vector, which would carry an
    // allocator of its own, and 32-bit counts like the sibling indexes.
    class ChildList {
    public:
        Node* const* begin() const noexcept { return data_; }
        Node* const* end() const noexcept { return data_ + size_; }
        std::size_t size() const noexcept { return size_; }
        Node* operator[](std::size_t index) const noexcept { return data_[index]; }
        void push_back(std::pmr::memory_resource& arena, Node* node);
        void insert(std::pmr::memory_resource& arena, std::size_t index, std::span<Node* const> nodes);
        void erase(std::size_t index) noexcept;
        void clear() noexcept { size_ = 0; }

    private:
        void reserve(std::pmr::memory_resource& arena, std::size_t capacity);

        Node** data_ = nullptr;
        std::uint32_t size_ = 0;
        std::uint32_t capacity_ = 0;
    };

    /// Raises IllegalArgumentException unless `child` may be inserted here (see appendChild).
    void requireInsertable(const Node* child) const;
    void removeChildAt(std::size_t index) noexcept;
    void renumberFrom(std::size_t index) noexcept;
    void adopt(Node* child) noexcept;

    const Tag* tag_;
    // Held in the element itself: class and id tests read it on every element a walk visits.
    Attributes ownAttributes_;
    ChildList childNodes_;
};

/// A `form` element, which also keeps the list of form-listed controls the parser saw inside it.
class FormElement : public Element {
public:
    FormElement(Document& owner, const Tag* tag, std::string_view baseUri);

    /// The form's controls, in the order they were added.
    Elements elements() const;
    void addElement(Element* control);

private:
    std::pmr::vector<Element*> controls_;
};

inline Element* Node::asElement() noexcept { return isElement() ? static_cast<Element*>(this) : nullptr; }
inline const Element* Node::asElement() const noexcept {
    return isElement() ? static_cast<const Element*>(this) : nullptr;
}

}  // namespace html
