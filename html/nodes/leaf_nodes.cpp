// Leaf node storage. A value node's text sits right after the node until it changes or an attribute is
// set on the node; a changed value moves to a block of its own, and once attributes exist the
// attribute list holds it under the node's value key.
#include "html/nodes/leaf_nodes.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/string_util.h"

namespace novawick::html {

std::size_t ValueNode::blockSize(std::string_view value) noexcept {
    const std::size_t kept = value.size() <= kLargestInlineValue ? value.size() : 0;
    return sizeof(ValueNode) + std::max(kept, sizeof(ArenaText*));
}

void ValueNode::initialiseValue(std::pmr::memory_resource& arena, std::string_view value) {
    if (value.size() <= kLargestInlineValue) {
        if (!value.empty()) std::memcpy(inlineValue(), value.data(), value.size());
        setPayload(static_cast<std::uint32_t>(value.size()));
        return;
    }
    auto* external = ::new (arena.allocate(sizeof(ArenaText), alignof(ArenaText))) ArenaText();
    external->assign(arena, value);
    std::memcpy(inlineValue(), &external, sizeof(external));
    setFlag(kExternalValue);
}

ArenaText* ValueNode::externalValue() const noexcept {
    ArenaText* external = nullptr;
    std::memcpy(&external, inlineValue(), sizeof(external));
    return external;
}

std::string_view ValueNode::storedValue() const noexcept {
    if (hasFlag(kHasAttributes)) return arenaOwner().leafAttributes(*this, false)->get(valueKey());
    if (hasFlag(kExternalValue)) return externalValue()->view();
    return {inlineValue(), payload()};
}

ArenaText& ValueNode::moveOut(std::string_view value) {
    std::pmr::memory_resource& arena = *arenaOwner().arena();
    auto* external = ::new (arena.allocate(sizeof(ArenaText), alignof(ArenaText))) ArenaText();
    // `value` may be a view of the inline text, which the pointer is about to overwrite.
    external->assign(arena, value);
    std::memcpy(inlineValue(), &external, sizeof(external));
    setFlag(kExternalValue);
    return *external;
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

void ValueNode::setValue(std::string_view value) {
    if (hasFlag(kHasAttributes)) {
        arenaOwner().leafAttributes(*this, false)->put(valueKey(), value);
    } else if (hasFlag(kExternalValue)) {
        externalValue()->assign(*arenaOwner().arena(), value);
    } else {
        moveOut(value);
    }
}

void ValueNode::appendValue(std::string_view more) {
    if (hasFlag(kHasAttributes)) {
        std::string joined(value());
        joined.append(more);
        setValue(joined);
    } else if (hasFlag(kExternalValue)) {
        externalValue()->append(*arenaOwner().arena(), more);
    } else if (!more.empty()) {
        // Joined first: `more` may be a view of the inline text, which moving out overwrites.
        std::string joined(value());
        joined.append(more);
        moveOut(joined);
    }
}

void ValueNode::setAttribute(std::string_view key, std::string_view value) {
    Document& owner = arenaOwner();
    if (!hasFlag(kHasAttributes)) {
        Attributes* attributes = owner.leafAttributes(*this, true);
        attributes->put(valueKey(), this->value());
        setFlag(kHasAttributes);
    }
    owner.leafAttributes(*this, false)->put(key, value);
}

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

}  // namespace novawick::html
