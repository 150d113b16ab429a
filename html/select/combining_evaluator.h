// `And` and `Or`: ordered groups of evaluators. Members are tested in order and the test stops at the
// first decisive one, so the parser's order (simple selector before structural test) is also the cost
// order. While a query is parsed the right-most member of an `Or` may be replaced, which is how ","
// comes to bind loosest; after parsing a group never changes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "html/select/evaluator.h"

namespace novawick::html {

class CombiningEvaluator : public Evaluator {
public:
    class And;
    class Or;

    const std::vector<EvaluatorPtr>& evaluators() const noexcept { return evaluators_; }
    /// Number of members.
    std::size_t num() const noexcept { return evaluators_.size(); }
    /// The last member, or nullptr when there is none.
    EvaluatorPtr rightMostEvaluator() const;
    /// Overwrites the last member (no-op when there is none).
    void replaceRightMostEvaluator(EvaluatorPtr replacement);

protected:
    explicit CombiningEvaluator(std::vector<EvaluatorPtr> evaluators);
    void refreshNesting() noexcept;

    std::vector<EvaluatorPtr> evaluators_;
};

/// Matches when every member matches (an empty group matches everything).
class CombiningEvaluator::And final : public CombiningEvaluator {
public:
    explicit And(std::vector<EvaluatorPtr> evaluators) : CombiningEvaluator(std::move(evaluators)) {}
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override;
};

/// Matches when any member matches (an empty group matches nothing).
class CombiningEvaluator::Or final : public CombiningEvaluator {
public:
    Or() : CombiningEvaluator({}) {}
    explicit Or(std::vector<EvaluatorPtr> evaluators) : CombiningEvaluator(std::move(evaluators)) {}
    void add(EvaluatorPtr evaluator);
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override;
};

}  // namespace novawick::html
