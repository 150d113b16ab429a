// Relation tests over the tree. An error raised by an inner evaluator while a descendant or sibling
// is tried counts as "no match" for that candidate, so one bad step never fails a whole selection;
// only an error that ends the selection (see `endsSelection`) passes on.
//
// :has remembers, for the selection, which elements have a match below them: a candidate's answer
// comes from its children's, each element's inner test runs once, and nested candidates no longer
// walk the same subtree again and again.
#include "html/select/structural_evaluator.h"

#include <unordered_map>
#include <vector>

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/traversal.h"
#include "html/select/match_context.h"

namespace html {
namespace {

bool matchesQuietly(const Evaluator& evaluator, MatchContext& context, const Element& element) {
    try {
        return evaluator.matchesIn(context, element);
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

// What :has has learnt of each element in one selection.
struct Found : MatchContext::State {
    struct Entry {
        bool below = false;       // some element strictly inside matches the inner evaluator
        bool testedSelf = false;  // `self` holds the inner evaluator's answer for the element itself
        bool self = false;
    };
    std::unordered_map<const Element*, Entry> entries;
};

}  // namespace

StructuralEvaluator::StructuralEvaluator(EvaluatorPtr evaluator) : evaluator_(std::move(evaluator)) {
    nesting_ = evaluator_->nesting() + 1;
}

bool StructuralEvaluator::Has::matches(const Element& root, const Element& element) const {
    MatchContext context(root, MatchContext::Scope::OneCandidate);
    return matchesIn(context, element);
}

bool StructuralEvaluator::Has::matchesIn(MatchContext& context, const Element& element) const {
    auto& found = context.stateOf<Found>(*this, [] { return std::make_unique<Found>(); });
    if (const auto known = found.entries.find(&element); known != found.entries.end()) return known->second.below;
    // The candidate's subtree in document order, less the parts already known.
    std::vector<const Element*> unknown;
    forEachElement(const_cast<Element&>(element), [&](Element& descendant) {
        if (&descendant != &element && found.entries.contains(&descendant)) return WalkStep::SkipChildren;
        unknown.push_back(&descendant);
        return WalkStep::Continue;
    });
    // Children before parents.
    for (auto it = unknown.rbegin(); it != unknown.rend(); ++it) {
        bool below = false;
        for (const Node* child : (*it)->childNodes()) {
            if (!child->isElement()) continue;
            Found::Entry& entry = found.entries[static_cast<const Element*>(child)];
            if (!entry.testedSelf) {
                entry.self = matchesQuietly(*evaluator_, context, *static_cast<const Element*>(child));
                entry.testedSelf = true;
            }
            if (entry.self || entry.below) {
                below = true;
                break;
            }
        }
        found.entries[*it].below = below;
    }
    return found.entries[&element].below;
}

bool StructuralEvaluator::Not::matches(const Element& root, const Element& element) const {
    MatchContext context(root, MatchContext::Scope::OneCandidate);
    return matchesIn(context, element);
}

bool StructuralEvaluator::Not::matchesIn(MatchContext& context, const Element& element) const {
    return !evaluator_->matchesIn(context, element);
}

bool StructuralEvaluator::Parent::matches(const Element& root, const Element& element) const {
    MatchContext context(root, MatchContext::Scope::OneCandidate);
    return matchesIn(context, element);
}

bool StructuralEvaluator::Parent::matchesIn(MatchContext& context, const Element& element) const {
    const Element& root = context.root();
    if (&root == &element) return false;
    for (const Element* ancestor = element.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
        if (evaluator_->matchesIn(context, *ancestor)) return true;
        if (ancestor == &root) break;
    }
    return false;
}

bool StructuralEvaluator::ImmediateParent::matches(const Element& root, const Element& element) const {
    MatchContext context(root, MatchContext::Scope::OneCandidate);
    return matchesIn(context, element);
}

bool StructuralEvaluator::ImmediateParent::matchesIn(MatchContext& context, const Element& element) const {
    if (&context.root() == &element) return false;
    const Element* parent = element.parent();
    return parent != nullptr && evaluator_->matchesIn(context, *parent);
}

bool StructuralEvaluator::PreviousSibling::matches(const Element& root, const Element& element) const {
    MatchContext context(root, MatchContext::Scope::OneCandidate);
    return matchesIn(context, element);
}

bool StructuralEvaluator::PreviousSibling::matchesIn(MatchContext& context, const Element& element) const {
    if (&context.root() == &element) return false;
    std::size_t index = element.siblingIndex();
    for (const Element* sibling = previousElementSibling(element, index); sibling != nullptr;
         sibling = previousElementSibling(element, index)) {
        if (matchesQuietly(*evaluator_, context, *sibling)) return true;
    }
    return false;
}

bool StructuralEvaluator::ImmediatePreviousSibling::matches(const Element& root, const Element& element) const {
    MatchContext context(root, MatchContext::Scope::OneCandidate);
    return matchesIn(context, element);
}

bool StructuralEvaluator::ImmediatePreviousSibling::matchesIn(MatchContext& context, const Element& element) const {
    if (&context.root() == &element) return false;
    std::size_t index = element.siblingIndex();
    const Element* sibling = previousElementSibling(element, index);
    return sibling != nullptr && matchesQuietly(*evaluator_, context, *sibling);
}

}  // namespace html
