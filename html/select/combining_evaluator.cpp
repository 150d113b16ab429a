// And / Or groups of evaluators.
#include "html/select/combining_evaluator.h"

#include <algorithm>

#include "html/select/match_context.h"

namespace novawick::html {

CombiningEvaluator::CombiningEvaluator(std::vector<EvaluatorPtr> evaluators) : evaluators_(std::move(evaluators)) {
    refreshNesting();
}

void CombiningEvaluator::refreshNesting() noexcept {
    nesting_ = 0;
    sharesWork_ = false;
    for (const EvaluatorPtr& member : evaluators_) {
        nesting_ = std::max(nesting_, member->nesting());
        sharesWork_ = sharesWork_ || member->sharesWork();
    }
}

EvaluatorPtr CombiningEvaluator::rightMostEvaluator() const {
    return evaluators_.empty() ? nullptr : evaluators_.back();
}

void CombiningEvaluator::replaceRightMostEvaluator(EvaluatorPtr replacement) {
    if (evaluators_.empty()) return;
    evaluators_.back() = std::move(replacement);
    refreshNesting();
}

bool CombiningEvaluator::And::matches(const Element& root, const Element& element) const {
    for (const EvaluatorPtr& member : evaluators_) {
        if (!member->matches(root, element)) return false;
    }
    return true;
}

bool CombiningEvaluator::And::matchesIn(MatchContext& context, const Element& element) const {
    for (const EvaluatorPtr& member : evaluators_) {
        if (!member->matchesIn(context, element)) return false;
    }
    return true;
}

std::string CombiningEvaluator::And::toString() const {
    std::string out;
    for (const EvaluatorPtr& member : evaluators_) out += member->toString();
    return out;
}

void CombiningEvaluator::Or::add(EvaluatorPtr evaluator) {
    nesting_ = std::max(nesting_, evaluator->nesting());
    sharesWork_ = sharesWork_ || evaluator->sharesWork();
    evaluators_.push_back(std::move(evaluator));
}

bool CombiningEvaluator::Or::matches(const Element& root, const Element& element) const {
    for (const EvaluatorPtr& member : evaluators_) {
        if (member->matches(root, element)) return true;
    }
    return false;
}

bool CombiningEvaluator::Or::matchesIn(MatchContext& context, const Element& element) const {
    for (const EvaluatorPtr& member : evaluators_) {
        if (member->matchesIn(context, element)) return true;
    }
    return false;
}

std::string CombiningEvaluator::Or::toString() const {
    std::string out;
    for (const EvaluatorPtr& member : evaluators_) {
        if (!out.empty()) out += ", ";
        out += member->toString();
    }
    return out;
}

}  // namespace novawick::html
