// The active formatting elements' steps: reconstruction and the adoption agency algorithm
// (#adoption-agency-algorithm).
//
// This library's adoption agency keeps the older, bounded shape: at most 8 outer passes, a scan of no
// more than the 64 bottom entries of the stack, at most 3 inner-loop passes, no bookmark (the new
// formatting element is not put back into the list), and a node removed in the inner loop ends the
// walk down the stack for the remaining inner passes. Those bounds keep one end tag's cost constant
// however deep the stack is.
#include <algorithm>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/tag.h"
#include "html/parser/html_tree_builder.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html {
namespace {

void copyAttributesOf(const Element& from, Element& to) {
    // A fresh element has no attributes, so the list is copied whole.
    to.attributes() = from.attributes();
}

// Every element the adoption agency moves on the stack sits in its bottom window, so positions are
// looked up from the bottom rather than from a possibly very deep top.
std::ptrdiff_t positionInWindow(const OpenElementStack& stack, const Element* element) {
    const std::size_t end = std::min(stack.size(), HtmlTreeBuilder::kAdoptionStackWindow + 1);
    for (std::size_t i = 0; i < end; ++i) {
        if (stack.at(i) == element) return static_cast<std::ptrdiff_t>(i);
    }
    return OpenElementStack::kNone;
}

// What a copy made by reconstruction takes: the element and its attributes.
std::size_t reopeningCost(const Element& element) {
    std::size_t cost = sizeof(Element) + sizeof(Attributes::Block);
    for (const Attribute attribute : element.attributes()) {
        cost += Attributes::storedSize(attribute.key(), attribute.value());
    }
    return cost;
}

}  // namespace

// #reconstruct-the-active-formatting-elements
//
// Deliberate difference: the copies are paid from an allowance that grows with the page (a fixed
// amount plus a few bytes per byte of input), and once it is spent nothing more is reopened. The
// standard reopens every entry after the last marker each time, so a page that leaves many distinct
// formatting elements open and then writes short paragraphs has each paragraph copy all of them
// again, attributes included: a few hundred kilobytes ask for gigabytes. Browsers limit only equal
// entries (Noah's Ark) and the tree's depth (Blink and WebKit nest no deeper than 512 open elements),
// which bounds neither the number of copies nor their attributes. Ordinary pages stay far inside the
// allowance, and the html5lib cases never come near it.
void HtmlTreeBuilder::reconstructFormattingElements() {
    const std::size_t size = formattingElements_.size();
    if (size == 0) return;
    const Element* last = formattingElements_.at(size - 1);
    if (last == nullptr || onStack(last) || reopeningAllowance_ == 0) return;
    std::size_t position = size - 1;
    while (position > 0) {
        const Element* entry = formattingElements_.at(position - 1);
        if (entry == nullptr || onStack(entry)) break;
        --position;
    }
    for (; position < size; ++position) {
        const Element* entry = formattingElements_.at(position);
        const std::size_t cost = reopeningCost(*entry);
        if (cost > reopeningAllowance_) {
            reopeningAllowance_ = 0;
            return;
        }
        reopeningAllowance_ -= cost;
        Element* copy = insertStartTag(entry->tagName());
        copyAttributesOf(*entry, *copy);
        formattingElements_.replaceAt(position, copy);
    }
}

Element* HtmlTreeBuilder::activeFormattingElement(TagId id) const noexcept {
    const std::ptrdiff_t position = formattingElements_.lastNamedAfterMarker(id);
    return position == ActiveFormattingElements::kNone ? nullptr
                                                       : formattingElements_.at(static_cast<std::size_t>(position));
}

ModeResult HtmlTreeBuilder::runAdoptionAgency(const EndTagToken& token) {
    const TagId id = token.id();
    for (int pass = 0; pass < kAdoptionOuterPasses; ++pass) {
        bool done = false;
        const ModeResult result = adoptionPass(token, id, done);
        if (done) return result;
    }
    return ModeResult::Handled;
}

// Step 3: walks down from the furthest block, cloning the formatting elements in between and
// chaining the last node into each clone.
void HtmlTreeBuilder::adoptionInnerLoop(Element* formattingElement, Element* furthestBlock, Element*& lastNode) {
    Element* node = furthestBlock;
    for (int pass = 0; pass < kAdoptionInnerPasses; ++pass) {
        const std::ptrdiff_t nodePosition = positionInWindow(stack_, node);
        if (nodePosition > 0) node = stack_.at(static_cast<std::size_t>(nodePosition) - 1);
        if (!isInActiveFormattingElements(node)) {
            const std::ptrdiff_t position = positionInWindow(stack_, node);
            if (position != OpenElementStack::kNone) stack_.eraseAt(static_cast<std::size_t>(position));
            continue;
        }
        if (node == formattingElement) return;
        Element* replacement = doc_->createElement(Tag::valueOf(node->tagName(), *doc_), doc_->baseUri());
        formattingElements_.replaceAt(static_cast<std::size_t>(formattingElements_.positionOf(node)), replacement);
        stack_.replaceAt(static_cast<std::size_t>(positionInWindow(stack_, node)), replacement);
        node = replacement;
        lastNode->remove();
        node->appendChild(lastNode);
        lastNode = node;
    }
}

ModeResult HtmlTreeBuilder::adoptionPass(const EndTagToken& token, TagId id, bool& done) {
    done = true;
    Element* formattingElement = activeFormattingElement(id);
    if (formattingElement == nullptr) return modes::inBodyAnyOtherEndTag(token, *this);
    if (!onStack(formattingElement)) {
        error(state_);
        removeFromActiveFormattingElements(formattingElement);
        return ModeResult::Handled;
    }
    if (!inScope(id)) {
        error(state_);
        return ModeResult::Ignored;
    }
    if (currentElement() != formattingElement) error(state_);

    Element* furthestBlock = nullptr;
    Element* commonAncestor = nullptr;
    bool seenFormattingElement = false;
    for (std::size_t i = 0; i < stack_.size() && i < kAdoptionStackWindow; ++i) {
        Element* element = stack_.at(i);
        if (element == formattingElement) {
            commonAncestor = i > 0 ? stack_.at(i - 1) : nullptr;
            seenFormattingElement = true;
        } else if (seenFormattingElement && isSpecial(*element)) {
            furthestBlock = element;
            break;
        }
    }
    if (furthestBlock == nullptr || commonAncestor == nullptr) {
        while (!stack_.empty() && stack_.pop() != formattingElement) {
        }
        removeFromActiveFormattingElements(formattingElement);
        return ModeResult::Handled;
    }

    Element* lastNode = furthestBlock;
    adoptionInnerLoop(formattingElement, furthestBlock, lastNode);

    // Step 4: the chain goes under the common ancestor, or before the table when that is a table part.
    lastNode->remove();
    if (tags::kTableStructureTags.contains(commonAncestor->tag().builderId())) {
        insertInFosterParent(lastNode);
    } else {
        commonAncestor->appendChild(lastNode);
    }

    // Step 5: a new formatting element takes over the furthest block's children.
    Element* adopter = doc_->createElement(&formattingElement->tag(), doc_->baseUri());
    copyAttributesOf(*formattingElement, *adopter);
    const std::vector<Node*> children(furthestBlock->childNodes().begin(), furthestBlock->childNodes().end());
    furthestBlock->empty();
    for (Node* child : children) adopter->appendChild(child);
    furthestBlock->appendChild(adopter);
    removeFromActiveFormattingElements(formattingElement);
    const std::ptrdiff_t formattingPosition = positionInWindow(stack_, formattingElement);
    if (formattingPosition != OpenElementStack::kNone) {
        stack_.eraseAt(static_cast<std::size_t>(formattingPosition));
    }
    const std::ptrdiff_t blockPosition = positionInWindow(stack_, furthestBlock);
    stack_.insertAt(static_cast<std::size_t>(blockPosition) + 1, adopter);
    done = false;
    return ModeResult::Handled;
}

}  // namespace novawick::html
