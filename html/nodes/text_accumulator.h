// The accumulator behind `Element::text` and `Element::ownText`, shared with `SubtreeText`, which must
// build exactly the same text. Internal to the document model.
#pragma once

#include <string>
#include <string_view>

#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/string_util.h"

namespace novawick::html::detail {

/// Text keeps its whitespace inside a preserving element or an element directly within one.
inline bool keepsWhitespace(const Element* parent) noexcept {
    if (parent == nullptr) return false;
    if (parent->tag().preserveWhitespace()) return true;
    const Element* grandparent = parent->parentNode();
    return grandparent != nullptr && grandparent->tag().preserveWhitespace();
}

/// Block elements and `br` put a space between the text before them and their own.
inline bool separatesText(const Element& element) noexcept { return element.isBlock() || element.tagName() == "br"; }

/// Accumulates text the way a list of appended pieces would: "empty" means no piece yet, even an
/// empty one, which the byte length alone cannot tell.
struct TextAccumulator {
    std::string text;
    bool anyPiece = false;

    bool isEmpty() const noexcept { return !anyPiece && text.empty(); }

    void appendRaw(std::string_view raw) {
        text.append(raw);
        anyPiece = true;
    }

    void appendText(const TextNode& node) {
        std::string_view raw = node.getWholeText();
        if (keepsWhitespace(node.parentNode())) {
            appendRaw(raw);
        } else {
            appendNormalisedWhitespace(text, raw, endsWithSpaceCharacter(text));
        }
    }

    void separate() {
        if (!endsWithSpaceCharacter(text)) text.push_back(' ');
    }
};

}  // namespace novawick::html::detail
