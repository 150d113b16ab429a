// Evaluators that look at an element's place among its siblings: the index tests (:lt, :gt, :eq),
// the child tests (:first-child, :only-of-type, ...), the an+b family, :empty and :root.
//
// Positions are counted by walking the sibling links each time, as nothing caches element positions;
// the nth arithmetic is done on magnitudes so that no coefficient can overflow.
#include <cstdint>

#include "html/nodes/element.h"
#include "html/select/evaluator.h"

namespace novawick::html {
namespace {

/// The parent when it is an element other than the document; the child tests need one.
const Element* elementParent(const Element& element) noexcept {
    const Element* parent = element.parent();
    if (parent == nullptr || parent->kind() == NodeKind::Document) return nullptr;
    return parent;
}

std::uint64_t magnitude(std::int64_t value) noexcept {
    return value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
}

/// Whether position p (1-based) is selected by a·n + b for some n ≥ 0.
bool isNthPosition(std::int64_t a, std::int64_t b, std::uint64_t p) noexcept {
    // p - b as a sign and a magnitude: p and |b| are both below 2^63, so the sum cannot wrap.
    bool differenceNegative = false;
    std::uint64_t difference = 0;
    if (b < 0) {
        difference = p + magnitude(b);
    } else if (p >= static_cast<std::uint64_t>(b)) {
        difference = p - static_cast<std::uint64_t>(b);
    } else {
        differenceNegative = true;
        difference = static_cast<std::uint64_t>(b) - p;
    }
    if (a == 0) return difference == 0;
    if (difference == 0) return true;
    if (differenceNegative != (a < 0)) return false;
    return difference % magnitude(a) == 0;
}

bool hasElementSiblingAfter(const Element& element) noexcept {
    for (const Node* sibling = element.nextSibling(); sibling != nullptr; sibling = sibling->nextSibling()) {
        if (sibling->isElement()) return true;
    }
    return false;
}

/// Element siblings after `element` (with `element`'s tag only when `sameTag`).
std::uint64_t elementSiblingsAfter(const Element& element, bool sameTag) noexcept {
    std::uint64_t after = 0;
    for (const Node* sibling = element.nextSibling(); sibling != nullptr; sibling = sibling->nextSibling()) {
        if (sibling->isElement() && (!sameTag || static_cast<const Element*>(sibling)->tag() == element.tag())) ++after;
    }
    return after;
}

}  // namespace

bool Evaluator::IndexLessThan::matches(const Element&, const Element& element) const {
    return element.elementSiblingIndex() < index_;
}

bool Evaluator::IndexGreaterThan::matches(const Element&, const Element& element) const {
    return element.elementSiblingIndex() > index_;
}

bool Evaluator::IndexEquals::matches(const Element&, const Element& element) const {
    return element.elementSiblingIndex() == index_;
}

bool Evaluator::IsFirstChild::matches(const Element&, const Element& element) const {
    return elementParent(element) != nullptr && element.elementSiblingIndex() == 0;
}

bool Evaluator::IsLastChild::matches(const Element&, const Element& element) const {
    return elementParent(element) != nullptr && !hasElementSiblingAfter(element);
}

bool Evaluator::CssNthEvaluator::matches(const Element&, const Element& element) const {
    const Element* parent = elementParent(element);
    if (parent == nullptr) return false;
    return isNthPosition(a_, b_, position(element, *parent));
}

std::string Evaluator::CssNthEvaluator::toString() const {
    std::string out = ":";
    out += pseudoClass();
    out += '(';
    if (a_ == 0) {
        out += std::to_string(b_);
    } else {
        out += std::to_string(a_) + "n";
        if (b_ > 0) out += "+";
        if (b_ != 0) out += std::to_string(b_);
    }
    out += ')';
    return out;
}

std::uint64_t Evaluator::IsNthChild::position(const Element& element, const Element&) const {
    return element.elementSiblingIndex() + 1;
}

std::uint64_t Evaluator::IsNthLastChild::position(const Element& element, const Element&) const {
    return elementSiblingsAfter(element, false) + 1;
}

std::uint64_t Evaluator::IsNthOfType::position(const Element& element, const Element&) const {
    std::uint64_t before = 0;
    for (const Node* sibling = element.previousSibling(); sibling != nullptr; sibling = sibling->previousSibling()) {
        if (sibling->isElement() && static_cast<const Element*>(sibling)->tag() == element.tag()) ++before;
    }
    return before + 1;
}

std::uint64_t Evaluator::IsNthLastOfType::position(const Element& element, const Element&) const {
    return elementSiblingsAfter(element, true) + 1;
}

bool Evaluator::IsOnlyChild::matches(const Element&, const Element& element) const {
    const Element* parent = elementParent(element);
    if (parent == nullptr) return false;
    for (const Node* sibling : parent->childNodes()) {
        if (sibling != &element && sibling->isElement()) return false;
    }
    return true;
}

bool Evaluator::IsOnlyOfType::matches(const Element&, const Element& element) const {
    const Element* parent = elementParent(element);
    if (parent == nullptr) return false;
    for (const Node* sibling : parent->childNodes()) {
        if (sibling != &element && sibling->isElement() && static_cast<const Element*>(sibling)->tag() == element.tag()) {
            return false;
        }
    }
    return true;
}

bool Evaluator::IsEmpty::matches(const Element&, const Element& element) const {
    for (const Node* child : element.childNodes()) {
        switch (child->kind()) {
        case NodeKind::Comment:
        case NodeKind::XmlDeclaration:
        case NodeKind::DocumentType: break;
        case NodeKind::Element:
        case NodeKind::Document:
        case NodeKind::FormElement:
        case NodeKind::Text:
        case NodeKind::Data: return false;
        }
    }
    return true;
}

bool Evaluator::IsRoot::matches(const Element& root, const Element& element) const {
    if (root.kind() != NodeKind::Document) return &element == &root;
    for (const Node* child : root.childNodes()) {
        if (child->isElement()) return child == &element;
    }
    return false;
}

}  // namespace novawick::html
