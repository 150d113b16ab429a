// Relation tests over the tree. An error raised by an inner evaluator while a descendant or sibling
// is tried counts as "no match" for that candidate, so one bad step never fails a whole selection;
// only an error that ends the selection (see `endsSelection`) passes on.
#include "html/select/structural_evaluator.h"

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/traversal.h"

namespace html {
namespace {

bool matchesQuietly(const Evaluator& evaluator, const Element& root, const Element& element) {
    try {
        return evaluator.matches(root, element);
    } catch (const Exception& error) {
        if (endsSelection(error)) throw;
        return false;
    }
}

/// The nearest element sibling before `element`, or nullptr.
const Element* previousElementSibling(const Element& element, std::size_t& index) noexcept {
    const Element* parent = element.parent();
    if (parent == nullptr) return nullptr;
    auto siblings = parent->childNodes();
    while (index > 0) {
        --index;
        if (siblings[index]->isElement()) return static_cast<const Element*>(siblings[index]);
    }
    return nullptr;
}

}  // namespace

StructuralEvaluator::StructuralEvaluator(EvaluatorPtr evaluator) : evaluator_(std::move(evaluator)) {
    nesting_ = evaluator_->nesting() + 1;
}

bool StructuralEvaluator::Has::matches(const Element& root, const Element& element) const {
    bool found = false;
    forEachElement(const_cast<Element&>(element), [&](Element& candidate) {
        if (&candidate == &element) return WalkStep::Continue;
        if (matchesQuietly(*evaluator_, root, candidate)) {
            found = true;
            return WalkStep::Stop;
        }
        return WalkStep::Continue;
    });
    return found;
}

bool StructuralEvaluator::Not::matches(const Element& root, const Element& element) const {
    return !evaluator_->matches(root, element);
}

bool StructuralEvaluator::Parent::matches(const Element& root, const Element& element) const {
    if (&root == &element) return false;
    for (const Element* ancestor = element.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
        if (evaluator_->matches(root, *ancestor)) return true;
        if (ancestor == &root) break;
    }
    return false;
}

bool StructuralEvaluator::ImmediateParent::matches(const Element& root, const Element& element) const {
    if (&root == &element) return false;
    const Element* parent = element.parent();
    return parent != nullptr && evaluator_->matches(root, *parent);
}

bool StructuralEvaluator::PreviousSibling::matches(const Element& root, const Element& element) const {
    if (&root == &element) return false;
    std::size_t index = element.siblingIndex();
    for (const Element* sibling = previousElementSibling(element, index); sibling != nullptr;
         sibling = previousElementSibling(element, index)) {
        if (matchesQuietly(*evaluator_, root, *sibling)) return true;
    }
    return false;
}

bool StructuralEvaluator::ImmediatePreviousSibling::matches(const Element& root, const Element& element) const {
    if (&root == &element) return false;
    std::size_t index = element.siblingIndex();
    const Element* sibling = previousElementSibling(element, index);
    return sibling != nullptr && matchesQuietly(*evaluator_, root, *sibling);
}

}  // namespace html
