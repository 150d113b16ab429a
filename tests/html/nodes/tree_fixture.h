// Builds small trees by hand for the document-model tests (the parser is tested elsewhere):
// `el(doc, "p", {txt(doc, "a"), el(doc, "b", {...})})`.
#pragma once

#include <initializer_list>
#include <string_view>

#include "html/nodes/nodes.h"

namespace novawick::html::test {

inline Node* txt(Document& doc, std::string_view text) { return doc.createText(text); }

inline Node* data(Document& doc, std::string_view text) { return doc.createData(text); }

inline Element* el(Document& doc, std::string_view tag, std::initializer_list<Node*> children = {}) {
    Element* element = doc.createElement(tag);
    for (Node* child : children) element->appendChild(child);
    return element;
}

/// Every child's parent link, sibling links and sibling index agree with its position.
inline bool consistent(const Element& parent) {
    std::size_t index = 0;
    const Node* previous = nullptr;
    for (const Node* child : parent.childNodes()) {
        if (child->parentNode() != &parent || child->previousSibling() != previous || child->siblingIndex() != index) {
            return false;
        }
        previous = child;
        ++index;
    }
    return parent.lastChild() == previous && parent.childNodeSize() == index;
}

}  // namespace novawick::html::test
