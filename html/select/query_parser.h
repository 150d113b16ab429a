// QueryParser: turns a CSS query into a tree of evaluators.
//
// A query is a chain of compound selectors joined by combinators. Each compound is read into `evals`
// (an AND); at a combinator the text up to the next combinator is parsed as a sub-query of its own and
// joined to what came before, so "a b > c" becomes And(c, ImmediateParent(And(b, Parent(a)))). ","
// binds loosest: a combinator after a group applies only to the group's right-most member.
//
// Nesting is bounded: sub-queries (combinator operands, :has and :not arguments) may nest at most
// `kMaxQueryNesting` deep, and so may the structural evaluators that matching walks through, so a
// hostile query cannot exhaust the stack while it is parsed or applied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "html/select/evaluator.h"
#include "html/select/token_queue.h"

namespace novawick::html {

inline constexpr std::size_t kMaxQueryNesting = 100;

inline constexpr std::string_view kIndexMustBeNumeric = "Index must be numeric";
inline constexpr std::string_view kHasSubselectMustNotBeEmpty = ":has(el) subselect must not be empty";
inline constexpr std::string_view kContainsQueryMustNotBeEmpty = ":contains(text) query must not be empty";
inline constexpr std::string_view kMatchesQueryMustNotBeEmpty = ":matches(regex) query must not be empty";
inline constexpr std::string_view kNotSubselectMustNotBeEmpty = ":not(selector) subselect must not be empty";

/// "Could not parse query <query>: unexpected token at <rest>".
std::string couldNotParseQueryMessage(std::string_view query, std::string_view rest);
/// "Could not parse attribute query '<query>': unexpected token at '<rest>'".
std::string couldNotParseAttributeQueryMessage(std::string_view query, std::string_view rest);
/// "Could not parse nth-index '<argument>': unexpected format".
std::string couldNotParseNthIndexMessage(std::string_view argument);
/// "Unknown combinator: <character>".
std::string unknownCombinatorMessage(std::string_view character);

class QueryParser {
public:
    /// The evaluator for `query`; raises the library's Exception for a malformed query.
    static EvaluatorPtr parse(std::string_view query);

private:
    QueryParser(std::string_view query, std::size_t level);

    EvaluatorPtr parse();
    EvaluatorPtr parseNested(std::string_view subQuery) const;
    void combinator(std::string_view character);
    std::string consumeSubQuery();
    /// Appends to the current compound, refusing evaluators nested past the bound.
    void add(EvaluatorPtr evaluator);

    void findElements();
    bool findPseudoClass();
    bool findChildPseudoClass();
    void byId();
    void byClass();
    void byTag();
    void byAttribute();
    std::uint64_t consumeIndex();
    void has();
    void contains(bool own);
    void matches(bool own);
    void notSelector();
    void cssNthChild(bool backwards, bool ofType);
    [[noreturn]] void unexpectedToken();

    std::string query_;
    TokenQueue tq_;
    std::vector<EvaluatorPtr> evals_;
    std::size_t level_;
};

}  // namespace novawick::html
