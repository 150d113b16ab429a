// Relation tests over the tree. An error raised by an inner evaluator while a descendant or sibling
// is tried counts as "no match" for that candidate, so one bad step never fails a whole selection;
// only an error that ends the selection (see `endsSelection`) passes on.
//
// Each relation is written once, over a test that asks the inner evaluator about one element either
// directly or within a selection's context. :has remembers, for the selection, which elements have a
// match below them: a candidate's answer comes from its children's, each element's inner test runs
// once there, and nested candidates no longer walk the same subtree again and again. A short plain
// walk comes first, which settles most candidates of an ordinary page without noting anything.
#include "html/select/structural_evaluator.h"

#include <vector>

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/pointer_map.h"
#include "html/nodes/traversal.h"
#include "html/select/match_context.h"

namespace novawick::html {
namespace {

/// The inner evaluator asked directly.
auto directly(const Evaluator& inner, const Element& root) {
    return [&inner, &root](const Element& other) { return inner.matches(root, other); };
}

/// The inner evaluator asked within a selection's context.
auto within(const Evaluator& inner, MatchContext& context) {
    return [&inner, &context](const Element& other) { return inner.matchesIn(context, other); };
}

/// `test(element)`, an error that fails only this test counting as no match.
template <class Test>
bool quietly(const Test& test, const Element& element) {
    try {
        return test(element);
    } catch (const Exception& error) {
        if (endsSelection(error)) throw;
        return false;
    }
}

/// The nearest element sibling before `node`, or nullptr.
const Element* previousElementSibling(const Node& node) noexcept {
    for (const Node* sibling = node.previousSibling(); sibling != nullptr; sibling = sibling->previousSibling()) {
        if (sibling->isElement()) return static_cast<const Element*>(sibling);
    }
    return nullptr;
}

template <class Test>
bool anyAncestorMatches(const Element& root, const Element& element, const Test& test) {
    if (&root == &element) return false;
    for (const Element* ancestor = element.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
        if (test(*ancestor)) return true;
        if (ancestor == &root) break;
    }
    return false;
}

template <class Test>
bool parentMatches(const Element& root, const Element& element, const Test& test) {
    if (&root == &element) return false;
    const Element* parent = element.parent();
    return parent != nullptr && test(*parent);
}

template <class Test>
bool anyPreviousSiblingMatches(const Element& root, const Element& element, const Test& test) {
    if (&root == &element) return false;
    for (const Element* sibling = previousElementSibling(element); sibling != nullptr;
         sibling = previousElementSibling(*sibling)) {
        if (quietly(test, *sibling)) return true;
    }
    return false;
}

template <class Test>
bool previousSiblingMatches(const Element& root, const Element& element, const Test& test) {
    if (&root == &element) return false;
    const Element* sibling = previousElementSibling(element);
    return sibling != nullptr && quietly(test, *sibling);
}

// What :has has learnt of each element in one selection.
struct Found : MatchContext::State {
    struct Entry {
        bool below = false;       // some element strictly inside matches the inner evaluator
        bool testedSelf = false;  // `self` holds the inner evaluator's answer for the element itself
        bool self = false;
    };
    PointerMap<Element, Entry> entries;
    std::vector<const Element*> unknown;  // scratch of one candidate
};

}  // namespace

StructuralEvaluator::StructuralEvaluator(EvaluatorPtr evaluator) : evaluator_(std::move(evaluator)) {
    nesting_ = evaluator_->nesting() + 1;
    sharesWork_ = evaluator_->sharesWork();
}

StructuralEvaluator::Has::Has(EvaluatorPtr evaluator) : StructuralEvaluator(std::move(evaluator)) {
    sharesWork_ = true;
}

bool StructuralEvaluator::Has::matches(const Element& root, const Element& element) const {
    MatchContext context(root);
    return matchesIn(context, element);
}

// Most candidates of an ordinary page find a match, or run out of elements, within a few dozen
// elements; for them a plain walk that stops there is cheaper than noting every element.
constexpr std::size_t kHasQuickWalk = 64;

bool StructuralEvaluator::Has::matchesIn(MatchContext& context, const Element& element) const {
    auto& found = context.stateOf<Found>(*this, [] { return std::make_unique<Found>(); });
    if (const Found::Entry* known = found.entries.find(&element)) return known->below;
    const auto test = within(*evaluator_, context);
    std::size_t walked = 0;
    bool matched = false;
    forEachElement(const_cast<Element&>(element), [&](Element& descendant) {
        if (&descendant == &element) return WalkStep::Continue;
        if (++walked > kHasQuickWalk) return WalkStep::Stop;
        matched = quietly(test, descendant);
        return matched ? WalkStep::Stop : WalkStep::Continue;
    });
    if (matched || walked <= kHasQuickWalk) return matched;
    // The candidate's subtree in document order, less the parts already known.
    std::vector<const Element*>& unknown = found.unknown;
    unknown.clear();
    forEachElement(const_cast<Element&>(element), [&](Element& descendant) {
        if (&descendant != &element && found.entries.find(&descendant) != nullptr) return WalkStep::SkipChildren;
        unknown.push_back(&descendant);
        return WalkStep::Continue;
    });
    found.entries.reserve(found.entries.size() + unknown.size());
    // Children before parents: every child has its entry by the time its parent is looked at.
    for (auto it = unknown.rbegin(); it != unknown.rend(); ++it) {
        bool below = false;
        for (const Node* child : (*it)->childNodes()) {
            if (!child->isElement()) continue;
            const auto& childElement = static_cast<const Element&>(*child);
            Found::Entry& entry = *found.entries.find(&childElement);
            if (!entry.testedSelf) {
                entry.self = quietly(test, childElement);
                entry.testedSelf = true;
            }
            if (entry.self || entry.below) {
                below = true;
                break;
            }
        }
        found.entries[*it].below = below;
    }
    return found.entries.find(&element)->below;
}

bool StructuralEvaluator::Not::matches(const Element& root, const Element& element) const {
    return !evaluator_->matches(root, element);
}

bool StructuralEvaluator::Not::matchesIn(MatchContext& context, const Element& element) const {
    return !evaluator_->matchesIn(context, element);
}

bool StructuralEvaluator::Parent::matches(const Element& root, const Element& element) const {
    return anyAncestorMatches(root, element, directly(*evaluator_, root));
}

bool StructuralEvaluator::Parent::matchesIn(MatchContext& context, const Element& element) const {
    return anyAncestorMatches(context.root(), element, within(*evaluator_, context));
}

bool StructuralEvaluator::ImmediateParent::matches(const Element& root, const Element& element) const {
    return parentMatches(root, element, directly(*evaluator_, root));
}

bool StructuralEvaluator::ImmediateParent::matchesIn(MatchContext& context, const Element& element) const {
    return parentMatches(context.root(), element, within(*evaluator_, context));
}

bool StructuralEvaluator::PreviousSibling::matches(const Element& root, const Element& element) const {
    return anyPreviousSiblingMatches(root, element, directly(*evaluator_, root));
}

bool StructuralEvaluator::PreviousSibling::matchesIn(MatchContext& context, const Element& element) const {
    return anyPreviousSiblingMatches(context.root(), element, within(*evaluator_, context));
}

bool StructuralEvaluator::ImmediatePreviousSibling::matches(const Element& root, const Element& element) const {
    return previousSiblingMatches(root, element, directly(*evaluator_, root));
}

bool StructuralEvaluator::ImmediatePreviousSibling::matchesIn(MatchContext& context, const Element& element) const {
    return previousSiblingMatches(context.root(), element, within(*evaluator_, context));
}

}  // namespace novawick::html
