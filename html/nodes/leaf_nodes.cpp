// Leaf node storage. A value node's text sits in its own arena string until an attribute is set on
// the node; from then on the attribute list holds it under the node's value key.
#include "html/nodes/leaf_nodes.h"

#include <new>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/string_util.h"

namespace html {

ValueNode::ValueNode(NodeKind kind, Document& owner, std::string_view value, std::string_view baseUri)
    : Node(kind, owner, baseUri) {
    value_.assign(*owner.arena(), value);
}

std::string_view ValueNode::valueKey() const noexcept {
    switch (kind()) {
    case NodeKind::Text: return "text";
    case NodeKind::Data: return "data";
    case NodeKind::Comment: return "comment";
    case NodeKind::Element:
    case NodeKind::Document:
    case NodeKind::FormElement:
    case NodeKind::DocumentType:
    case NodeKind::XmlDeclaration: break;
    }
    return "value";
}

std::string_view ValueNode::value() const noexcept {
    const Attributes* attributes = Node::attributes();
    return attributes != nullptr ? attributes->get(valueKey()) : value_.view();
}

void ValueNode::setValue(std::string_view value) {
    if (Attributes* attributes = Node::attributes()) {
        attributes->put(valueKey(), value);
    } else {
        value_.assign(*arenaOwner().arena(), value);
    }
}

void ValueNode::appendValue(std::string_view more) {
    if (Node::attributes() != nullptr) {
        std::string joined(value());
        joined.append(more);
        setValue(joined);
    } else {
        value_.append(*arenaOwner().arena(), more);
    }
}

void ValueNode::setAttribute(std::string_view key, std::string_view value) {
    if (Node::attributes() == nullptr) {
        std::pmr::memory_resource* arena = arenaOwner().arena();
        void* memory = arena->allocate(sizeof(Attributes), alignof(Attributes));
        auto* attributes = ::new (memory) Attributes(arena);
        attributes->put(valueKey(), value_.view());
        value_.clear();
        setAttributes(attributes);
    }
    Node::attributes()->put(key, value);
}

TextNode::TextNode(Document& owner, std::string_view text, std::string_view baseUri)
    : ValueNode(NodeKind::Text, owner, text, baseUri) {}

std::string TextNode::text() const { return normaliseWhitespace(getWholeText()); }

bool TextNode::isBlank() const noexcept {
    std::string_view text = getWholeText();
    for (std::size_t index = 0; index < text.size();) {
        std::size_t white = whitespaceLengthAt(text, index);
        if (white == 0) return false;
        index += white;
    }
    return true;
}

DataNode::DataNode(Document& owner, std::string_view data, std::string_view baseUri)
    : ValueNode(NodeKind::Data, owner, data, baseUri) {}

Comment::Comment(Document& owner, std::string_view data, std::string_view baseUri)
    : ValueNode(NodeKind::Comment, owner, data, baseUri) {}

DocumentType::DocumentType(Document& owner, std::string_view name, std::string_view publicId,
                           std::string_view systemId, std::string_view baseUri)
    : Node(NodeKind::DocumentType, owner, baseUri),
      name_(name, owner.arena()),
      publicId_(publicId, owner.arena()),
      systemId_(systemId, owner.arena()) {}

XmlDeclaration::XmlDeclaration(Document& owner, std::string_view name, bool isProcessingInstruction,
                               std::string_view baseUri)
    : Node(NodeKind::XmlDeclaration, owner, baseUri),
      name_(name, owner.arena()),
      isProcessingInstruction_(isProcessingInstruction) {}

}  // namespace html
