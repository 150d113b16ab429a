// Structural evaluators: tests of an element's relation to others (ancestors, siblings,
// descendants), each wrapping an inner evaluator. The combinators " ", ">", "~" and "+" and the
// pseudo-classes :has and :not compile to these.
//
// Every relation is walked with a loop, never by recursion over the document; the only recursion is
// through the evaluator tree itself, whose depth the parser bounds (see `nesting()`).
#pragma once

#include <string>

#include "html/select/evaluator.h"

namespace novawick::html {

class StructuralEvaluator : public Evaluator {
public:
    class Root;
    class Has;
    class Not;
    class Parent;
    class ImmediateParent;
    class PreviousSibling;
    class ImmediatePreviousSibling;

    const Evaluator& inner() const noexcept { return *evaluator_; }

protected:
    explicit StructuralEvaluator(EvaluatorPtr evaluator);

    EvaluatorPtr evaluator_;
};

/// The element is the query root itself (a query that starts with a combinator).
class StructuralEvaluator::Root final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override { return &root == &element; }
    std::string toString() const override { return ""; }
};

/// Some element strictly below the candidate matches the inner evaluator.
class StructuralEvaluator::Has final : public StructuralEvaluator {
public:
    explicit Has(EvaluatorPtr evaluator);
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return ":has(" + evaluator_->toString() + ")"; }
};

/// The inner evaluator does not match the candidate.
class StructuralEvaluator::Not final : public StructuralEvaluator {
public:
    explicit Not(EvaluatorPtr evaluator) : StructuralEvaluator(std::move(evaluator)) {}
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return ":not(" + evaluator_->toString() + ")"; }
};

/// Descendant combinator: some ancestor, up to and including the root, matches.
class StructuralEvaluator::Parent final : public StructuralEvaluator {
public:
    explicit Parent(EvaluatorPtr evaluator) : StructuralEvaluator(std::move(evaluator)) {}
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return evaluator_->toString() + " "; }
};

/// Child combinator ">": the parent matches.
class StructuralEvaluator::ImmediateParent final : public StructuralEvaluator {
public:
    explicit ImmediateParent(EvaluatorPtr evaluator) : StructuralEvaluator(std::move(evaluator)) {}
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return evaluator_->toString() + " > "; }
};

/// General sibling combinator "~": some earlier element sibling matches.
class StructuralEvaluator::PreviousSibling final : public StructuralEvaluator {
public:
    explicit PreviousSibling(EvaluatorPtr evaluator) : StructuralEvaluator(std::move(evaluator)) {}
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return evaluator_->toString() + " ~ "; }
};

/// Adjacent sibling combinator "+": the nearest earlier element sibling matches.
class StructuralEvaluator::ImmediatePreviousSibling final : public StructuralEvaluator {
public:
    explicit ImmediatePreviousSibling(EvaluatorPtr evaluator) : StructuralEvaluator(std::move(evaluator)) {}
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return evaluator_->toString() + " + "; }
};

}  // namespace novawick::html
