// Builds small trees by hand for the document-model tests (the parser is tested elsewhere):
// `el(doc, "p", {txt(doc, "a"), el(doc, "b", {...})})`.
#pragma once

#include <initializer_list>
#include <string_view>

#include "html/nodes/nodes.h"

namespace html::test {

inline Node* txt(Document& doc, std::string_view text) { return doc.createText(text); }

inline Node* data(Document& doc, std::string_view text) { return doc.createData(text); }

inline Element* el(Document& doc, std::string_view tag, std::initializer_list<Node*> children = {}) {
    Element* element = doc.createElement(tag);
    for (Node* child : children) element->appendChild(child);
    return element;
}

/// Every child's parent link and sibling index agree with its position.
inline bool consistent(const Element& parent) {
    auto children = parent.childNodes();
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->parentNode() != &parent || children[i]->siblingIndex() != i) return false;
    }
    return true;
}

}  // namespace html::test
