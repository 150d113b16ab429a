// Nodes without children: text, script and style data, comments, the doctype and XML declarations.
//
// Text, data and comment nodes keep their value right after the node, in the same block, so a short
// text costs the node and its bytes and nothing else; the payload word holds its length. A value
// longer than kLargestInlineValue, or one changed after the node was made, lives in a block of its own
// and the node holds its address instead. They answer attribute lookups for their value key ("text",
// "data", "comment") from the value; attribute storage is created (by the document, beside the node)
// only when an attribute is set on them, and the value then moves into it.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <string>
#include <string_view>

#include "html/nodes/arena.h"
#include "html/nodes/node.h"

namespace novawick::html {

/// Shared storage of the single-valued leaf nodes.
class ValueNode : public Node {
public:
    /// Values up to this many bytes are kept in the node's own block.
    static constexpr std::size_t kLargestInlineValue = 224;

    /// Sets an attribute, creating attribute storage that takes over the node's value.
    void setAttribute(std::string_view key, std::string_view value);

protected:
    std::string_view value() const noexcept {
        if (flags() == 0) return {inlineValue(), payload()};
        return storedValue();
    }
    void setValue(std::string_view value);
    void appendValue(std::string_view more);
    std::string_view valueKey() const noexcept;

private:
    friend class Document;
    friend class Node;
    friend class TextNode;
    friend class DataNode;
    friend class Comment;

    ValueNode(NodeKind kind, std::uint16_t baseUri) noexcept : Node(kind, baseUri) {}

    /// Bytes a node holding `value` takes: the node, then the value when it is kept inline (at least a
    /// pointer's room, so that a later change can move it out).
    static std::size_t blockSize(std::string_view value) noexcept;
    /// Puts `value` in place; the node was allocated with `blockSize(value)` bytes.
    void initialiseValue(std::pmr::memory_resource& arena, std::string_view value);

    const char* inlineValue() const noexcept { return reinterpret_cast<const char*>(this) + sizeof(ValueNode); }
    char* inlineValue() noexcept { return reinterpret_cast<char*>(this) + sizeof(ValueNode); }
    ArenaText* externalValue() const noexcept;
    /// Moves the value into a block of its own, holding `value` (which may be a view of the old one).
    ArenaText& moveOut(std::string_view value);
    std::string_view storedValue() const noexcept;
};

static_assert(sizeof(ValueNode) == sizeof(Node), "the value follows the node");
static_assert(sizeof(ValueNode) + ValueNode::kLargestInlineValue <= Arena::kLargestInPage,
              "a node with its value fits in a page");

class TextNode : public ValueNode {
public:
    /// The raw text as parsed (character references decoded, whitespace untouched).
    std::string_view getWholeText() const noexcept { return value(); }
    /// The raw text with each whitespace run collapsed to one space.
    std::string text() const;
    void setText(std::string_view text) { setValue(text); }
    /// Appends to the raw text.
    void appendText(std::string_view more) { appendValue(more); }
    /// True when the text is empty or only whitespace.
    bool isBlank() const noexcept;

private:
    friend class Document;
    explicit TextNode(std::uint16_t baseUri) noexcept : ValueNode(NodeKind::Text, baseUri) {}
};

/// Raw contents of `script` and `style`; never part of `Element::text`.
class DataNode : public ValueNode {
public:
    std::string_view getWholeData() const noexcept { return value(); }
    void setWholeData(std::string_view data) { setValue(data); }
    void appendData(std::string_view more) { appendValue(more); }

private:
    friend class Document;
    explicit DataNode(std::uint16_t baseUri) noexcept : ValueNode(NodeKind::Data, baseUri) {}
};

class Comment : public ValueNode {
public:
    std::string_view getData() const noexcept { return value(); }
    void appendData(std::string_view more) { appendValue(more); }

private:
    friend class Document;
    explicit Comment(std::uint16_t baseUri) noexcept : ValueNode(NodeKind::Comment, baseUri) {}
};

static_assert(sizeof(TextNode) == sizeof(ValueNode) && sizeof(DataNode) == sizeof(ValueNode) &&
                  sizeof(Comment) == sizeof(ValueNode),
              "the value kinds add nothing to the node before their value");

class DocumentType : public Node {
public:
    std::string_view name() const noexcept { return name_; }
    std::string_view publicId() const noexcept { return publicId_; }
    std::string_view systemId() const noexcept { return systemId_; }

private:
    friend class Document;
    // The texts are copies in the document's arena.
    DocumentType(std::uint16_t baseUri, std::string_view name, std::string_view publicId,
                 std::string_view systemId) noexcept
        : Node(NodeKind::DocumentType, baseUri), name_(name), publicId_(publicId), systemId_(systemId) {}

    std::string_view name_;
    std::string_view publicId_;
    std::string_view systemId_;
};

/// An XML declaration or processing instruction (`<?xml ...?>`, `<!...>`), kept as written.
class XmlDeclaration : public Node {
public:
    std::string_view name() const noexcept { return name_; }
    bool isProcessingInstruction() const noexcept { return isProcessingInstruction_; }

private:
    friend class Document;
    // The name is a copy in the document's arena.
    XmlDeclaration(std::uint16_t baseUri, std::string_view name, bool isProcessingInstruction) noexcept
        : Node(NodeKind::XmlDeclaration, baseUri), name_(name), isProcessingInstruction_(isProcessingInstruction) {}

    std::string_view name_;
    bool isProcessingInstruction_;
};

}  // namespace novawick::html
