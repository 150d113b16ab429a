// A document printed in the html5lib tree format, for the builder's tests and the conformance suite:
// one node per line, "| " and two spaces per level, attributes sorted by name on the lines after their
// element, text in quotes, "<!-- x -->" comments, "<!DOCTYPE name>" doctypes.
//
// Adjacent text nodes are printed merged into one (script and style data count as text), because the
// html5lib trees come from a parser that merges text while this builder keeps one node per character
// token. The walk is iterative, so a document of any depth can be printed.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"

namespace novawick::testing {

namespace tree_dump_detail {

inline bool isTextLike(const html::Node& node) {
    return node.kind() == html::NodeKind::Text || node.kind() == html::NodeKind::Data;
}

inline std::string_view textOf(const html::Node& node) {
    if (node.kind() == html::NodeKind::Text) return static_cast<const html::TextNode&>(node).getWholeText();
    return static_cast<const html::DataNode&>(node).getWholeData();
}

inline void appendLine(std::string& out, std::size_t depth, std::string_view text) {
    out.append("| ");
    out.append(depth * 2, ' ');
    out.append(text);
    out.push_back('\n');
}

inline void appendElement(std::string& out, std::size_t depth, const html::Element& element) {
    appendLine(out, depth, "<" + std::string(element.tagName()) + ">");
    std::vector<std::pair<std::string, std::string>> attributes;
    for (const html::Attribute& attribute : element.attributes()) {
        attributes.emplace_back(std::string(attribute.key()), std::string(attribute.value()));
    }
    std::sort(attributes.begin(), attributes.end());
    for (const auto& [key, value] : attributes) appendLine(out, depth + 1, key + "=\"" + value + "\"");
}

inline void appendLeaf(std::string& out, std::size_t depth, const html::Node& node) {
    switch (node.kind()) {
        case html::NodeKind::Comment:
            appendLine(out, depth, "<!-- " + std::string(static_cast<const html::Comment&>(node).getData()) + " -->");
            return;
        case html::NodeKind::DocumentType: {
            const auto& doctype = static_cast<const html::DocumentType&>(node);
            std::string line = "<!DOCTYPE " + std::string(doctype.name());
            if (!doctype.publicId().empty() || !doctype.systemId().empty()) {
                line += " \"" + std::string(doctype.publicId()) + "\" \"" + std::string(doctype.systemId()) + "\"";
            }
            appendLine(out, depth, line + ">");
            return;
        }
        case html::NodeKind::XmlDeclaration:
            appendLine(out, depth, "<?" + std::string(static_cast<const html::XmlDeclaration&>(node).name()) + ">");
            return;
        case html::NodeKind::Element:
        case html::NodeKind::Document:
        case html::NodeKind::FormElement:
        case html::NodeKind::Text:
        case html::NodeKind::Data: return;
    }
}

}  // namespace tree_dump_detail

/// The children of `root` (a document or element) in the html5lib format, one line each, each ending in "\n".
inline std::string dumpTree(const html::Element& root) {
    using namespace tree_dump_detail;
    struct Frame {
        const html::Element* element;
        const html::Node* next;  // the next child to dump
    };
    std::string out;
    std::vector<Frame> frames{{&root, root.firstChild()}};
    while (!frames.empty()) {
        Frame& frame = frames.back();
        if (frame.next == nullptr) {
            frames.pop_back();
            continue;
        }
        const std::size_t depth = frames.size() - 1;
        const html::Node& node = *frame.next;
        frame.next = node.nextSibling();
        if (isTextLike(node)) {
            std::string text(textOf(node));
            while (frame.next != nullptr && isTextLike(*frame.next)) {
                text += textOf(*frame.next);
                frame.next = frame.next->nextSibling();
            }
            appendLine(out, depth, "\"" + text + "\"");
        } else if (const html::Element* element = node.asElement()) {
            appendElement(out, depth, *element);
            frames.push_back(Frame{element, element->firstChild()});
        } else {
            appendLeaf(out, depth, node);
        }
    }
    return out;
}

}  // namespace novawick::testing
