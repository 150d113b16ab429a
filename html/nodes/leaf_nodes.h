// Nodes without children: text, script and style data, comments, the doctype and XML declarations.
// Text, data and comment nodes keep their value in a field of their own and answer attribute lookups
// for their value key ("text", "data", "comment") from it; attribute storage is created only when an
// attribute is set on them, and the value then moves into it.
#pragma once

#include <memory_resource>
#include <string>
#include <string_view>

#include "html/nodes/arena.h"
#include "html/nodes/node.h"

namespace html {

/// Shared storage of the single-valued leaf nodes.
class ValueNode : public Node {
public:
    /// Sets an attribute, creating attribute storage that takes over the node's value.
    void setAttribute(std::string_view key, std::string_view value);

protected:
    ValueNode(NodeKind kind, Document& owner, std::string_view value, std::string_view baseUri);

    std::string_view value() const noexcept;
    void setValue(std::string_view value);
    void appendValue(std::string_view more);
    std::string_view valueKey() const noexcept;

private:
    friend class Node;
    ArenaText value_;
};

class TextNode : public ValueNode {
public:
    TextNode(Document& owner, std::string_view text, std::string_view baseUri);

    /// The raw text as parsed (character references decoded, whitespace untouched).
    std::string_view getWholeText() const noexcept { return value(); }
    /// The raw text with each whitespace run collapsed to one space.
    std::string text() const;
    void setText(std::string_view text) { setValue(text); }
    /// Appends to the raw text (the parser merges adjacent character runs this way).
    void appendText(std::string_view more) { appendValue(more); }
    /// True when the text is empty or only whitespace.
    bool isBlank() const noexcept;
};

/// Raw contents of `script` and `style`; never part of `Element::text`.
class DataNode : public ValueNode {
public:
    DataNode(Document& owner, std::string_view data, std::string_view baseUri);

    std::string_view getWholeData() const noexcept { return value(); }
    void setWholeData(std::string_view data) { setValue(data); }
    void appendData(std::string_view more) { appendValue(more); }
};

class Comment : public ValueNode {
public:
    Comment(Document& owner, std::string_view data, std::string_view baseUri);

    std::string_view getData() const noexcept { return value(); }
    void appendData(std::string_view more) { appendValue(more); }
};

class DocumentType : public Node {
public:
    DocumentType(Document& owner, std::string_view name, std::string_view publicId, std::string_view systemId,
                 std::string_view baseUri);

    std::string_view name() const noexcept { return name_; }
    std::string_view publicId() const noexcept { return publicId_; }
    std::string_view systemId() const noexcept { return systemId_; }

private:
    std::pmr::string name_;
    std::pmr::string publicId_;
    std::pmr::string systemId_;
};

/// An XML declaration or processing instruction (`<?xml ...?>`, `<!...>`), kept as written.
class XmlDeclaration : public Node {
public:
    XmlDeclaration(Document& owner, std::string_view name, bool isProcessingInstruction, std::string_view baseUri);

    std::string_view name() const noexcept { return name_; }
    bool isProcessingInstruction() const noexcept { return isProcessingInstruction_; }

private:
    std::pmr::string name_;
    bool isProcessingInstruction_;
};

}  // namespace html
