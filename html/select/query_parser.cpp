// Query parsing: the combinator loop and the simple selectors. The simple selectors are tried in a
// fixed order and the first whose prefix matches (ignoring case) wins, which is why ":containsOwn("
// is only reached because ":contains(" needs a "(" right after "contains".
#include "html/select/query_parser.h"

#include <array>
#include <memory>
#include <optional>

#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"
#include "html/select/combining_evaluator.h"
#include "html/select/nth_index.h"
#include "html/select/structural_evaluator.h"

namespace novawick::html {
namespace {

const std::vector<std::string_view> kCombinators = {",", ">", "+", "~", " "};
const std::vector<std::string_view> kAttributeOperators = {"=", "!=", "^=", "$=", "*=", "~="};

enum class Combinator : std::uint8_t { Group, Child, Descendant, AdjacentSibling, GeneralSibling };

std::optional<Combinator> combinatorFor(std::string_view character) {
    if (character == ",") return Combinator::Group;
    if (character == ">") return Combinator::Child;
    if (character == " ") return Combinator::Descendant;
    if (character == "+") return Combinator::AdjacentSibling;
    if (character == "~") return Combinator::GeneralSibling;
    return std::nullopt;
}

/// `current` joined to the new operand `next` by `combinator`.
EvaluatorPtr combine(Combinator combinator, EvaluatorPtr current, EvaluatorPtr next) {
    using And = CombiningEvaluator::And;
    switch (combinator) {
    case Combinator::Child:
        return std::make_shared<And>(std::vector<EvaluatorPtr>{
            std::move(next), std::make_shared<StructuralEvaluator::ImmediateParent>(std::move(current))});
    case Combinator::Descendant:
        return std::make_shared<And>(std::vector<EvaluatorPtr>{
            std::move(next), std::make_shared<StructuralEvaluator::Parent>(std::move(current))});
    case Combinator::AdjacentSibling:
        return std::make_shared<And>(std::vector<EvaluatorPtr>{
            std::move(next), std::make_shared<StructuralEvaluator::ImmediatePreviousSibling>(std::move(current))});
    case Combinator::GeneralSibling:
        return std::make_shared<And>(std::vector<EvaluatorPtr>{
            std::move(next), std::make_shared<StructuralEvaluator::PreviousSibling>(std::move(current))});
    case Combinator::Group:
        if (auto group = std::dynamic_pointer_cast<CombiningEvaluator::Or>(current)) {
            group->add(std::move(next));
            return group;
        }
        return std::make_shared<CombiningEvaluator::Or>(std::vector<EvaluatorPtr>{std::move(current), std::move(next)});
    }
    return current;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

[[noreturn]] void illegalArgument(std::string_view message) {
    throw Exception(ExceptionType::IllegalArgumentException, std::string(message));
}

}  // namespace

std::string couldNotParseQueryMessage(std::string_view query, std::string_view rest) {
    return "Could not parse query " + std::string(query) + ": unexpected token at " + std::string(rest);
}

std::string couldNotParseAttributeQueryMessage(std::string_view query, std::string_view rest) {
    return "Could not parse attribute query '" + std::string(query) + "': unexpected token at '" + std::string(rest) + "'";
}

std::string couldNotParseNthIndexMessage(std::string_view argument) {
    return "Could not parse nth-index '" + std::string(argument) + "': unexpected format";
}

std::string unknownCombinatorMessage(std::string_view character) {
    return "Unknown combinator: " + std::string(character);
}

EvaluatorPtr QueryParser::parse(std::string_view query) { return QueryParser(query, 0).parse(); }

QueryParser::QueryParser(std::string_view query, std::size_t level) : query_(query), tq_(query), level_(level) {
    if (level_ > kMaxQueryNesting) {
        throw Exception(ExceptionType::SelectorParseException, couldNotParseQueryMessage(query_, query_));
    }
}

EvaluatorPtr QueryParser::parseNested(std::string_view subQuery) const {
    return QueryParser(subQuery, level_ + 1).parse();
}

EvaluatorPtr QueryParser::parse() {
    tq_.consumeWhitespace();
    if (tq_.matchesAny(kCombinators)) {
        // A leading combinator relates to the element the query runs from.
        evals_.push_back(std::make_shared<StructuralEvaluator::Root>());
        combinator(tq_.consume());
    } else {
        findElements();
    }
    while (!tq_.isEmpty()) {
        bool seenWhitespace = tq_.consumeWhitespace();
        if (tq_.matchesAny(kCombinators)) {
            combinator(tq_.consume());
        } else if (seenWhitespace) {
            combinator(" ");
        } else {
            findElements();
        }
    }
    if (evals_.size() == 1) return evals_.front();
    return std::make_shared<CombiningEvaluator::And>(evals_);
}

void QueryParser::combinator(std::string_view character) {
    tq_.consumeWhitespace();
    std::string subQuery = consumeSubQuery();
    EvaluatorPtr next = parseNested(subQuery);

    EvaluatorPtr root;
    EvaluatorPtr current;
    std::shared_ptr<CombiningEvaluator::Or> rightMostOf;
    if (evals_.size() == 1) {
        root = current = evals_.front();
        auto group = std::dynamic_pointer_cast<CombiningEvaluator::Or>(root);
        if (group != nullptr && character != ",") {
            // "," binds loosest: only the group's last member takes part in this combinator.
            current = group->rightMostEvaluator();
            rightMostOf = std::move(group);
        }
    } else {
        root = current = std::make_shared<CombiningEvaluator::And>(evals_);
    }
    evals_.clear();

    std::optional<Combinator> kind = combinatorFor(character);
    if (!kind) throw Exception(ExceptionType::SelectorParseException, unknownCombinatorMessage(character));
    current = combine(*kind, std::move(current), std::move(next));
    if (rightMostOf != nullptr) {
        rightMostOf->replaceRightMostEvaluator(std::move(current));
    } else {
        root = std::move(current);
    }
    add(std::move(root));
}

std::string QueryParser::consumeSubQuery() {
    std::string subQuery;
    while (!tq_.isEmpty()) {
        if (tq_.matches("(")) {
            subQuery += "(" + tq_.chompBalanced('(', ')') + ")";
        } else if (tq_.matches("[")) {
            subQuery += "[" + tq_.chompBalanced('[', ']') + "]";
        } else if (tq_.matchesAny(kCombinators)) {
            break;
        } else {
            subQuery += tq_.consume();
        }
    }
    return subQuery;
}

void QueryParser::add(EvaluatorPtr evaluator) {
    if (evaluator->nesting() > kMaxQueryNesting) unexpectedToken();
    evals_.push_back(std::move(evaluator));
}

void QueryParser::unexpectedToken() {
    throw Exception(ExceptionType::SelectorParseException, couldNotParseQueryMessage(query_, tq_.remainder()));
}

void QueryParser::findElements() {
    if (tq_.matchChomp("#")) {
        byId();
    } else if (tq_.matchChomp(".")) {
        byClass();
    } else if (tq_.matchesWord() || tq_.matches("*|")) {
        byTag();
    } else if (tq_.matches("[")) {
        byAttribute();
    } else if (tq_.matchChomp("*")) {
        add(std::make_shared<Evaluator::AllElements>());
    } else if (!findPseudoClass()) {
        unexpectedToken();
    }
}

bool QueryParser::findPseudoClass() {
    if (tq_.matchChomp(":lt(")) {
        add(std::make_shared<Evaluator::IndexLessThan>(consumeIndex()));
    } else if (tq_.matchChomp(":gt(")) {
        add(std::make_shared<Evaluator::IndexGreaterThan>(consumeIndex()));
    } else if (tq_.matchChomp(":eq(")) {
        add(std::make_shared<Evaluator::IndexEquals>(consumeIndex()));
    } else if (tq_.matches(":has(")) {
        has();
    } else if (tq_.matches(":contains(")) {
        contains(false);
    } else if (tq_.matches(":containsOwn(")) {
        contains(true);
    } else if (tq_.matches(":matches(")) {
        matches(false);
    } else if (tq_.matches(":matchesOwn(")) {
        matches(true);
    } else if (tq_.matches(":not(")) {
        notSelector();
    } else {
        return findChildPseudoClass();
    }
    return true;
}

bool QueryParser::findChildPseudoClass() {
    if (tq_.matchChomp(":nth-child(")) {
        cssNthChild(false, false);
    } else if (tq_.matchChomp(":nth-last-child(")) {
        cssNthChild(true, false);
    } else if (tq_.matchChomp(":nth-of-type(")) {
        cssNthChild(false, true);
    } else if (tq_.matchChomp(":nth-last-of-type(")) {
        cssNthChild(true, true);
    } else if (tq_.matchChomp(":first-child")) {
        add(std::make_shared<Evaluator::IsFirstChild>());
    } else if (tq_.matchChomp(":last-child")) {
        add(std::make_shared<Evaluator::IsLastChild>());
    } else if (tq_.matchChomp(":first-of-type")) {
        add(std::make_shared<Evaluator::IsFirstOfType>());
    } else if (tq_.matchChomp(":last-of-type")) {
        add(std::make_shared<Evaluator::IsLastOfType>());
    } else if (tq_.matchChomp(":only-child")) {
        add(std::make_shared<Evaluator::IsOnlyChild>());
    } else if (tq_.matchChomp(":only-of-type")) {
        add(std::make_shared<Evaluator::IsOnlyOfType>());
    } else if (tq_.matchChomp(":empty")) {
        add(std::make_shared<Evaluator::IsEmpty>());
    } else if (tq_.matchChomp(":root")) {
        add(std::make_shared<Evaluator::IsRoot>());
    } else {
        return false;
    }
    return true;
}

void QueryParser::byId() {
    std::string id = tq_.consumeCssIdentifier();
    requireNotEmpty(id);
    add(std::make_shared<Evaluator::Id>(id));
}

void QueryParser::byClass() {
    std::string className = tq_.consumeCssIdentifier();
    requireNotEmpty(className);
    add(std::make_shared<Evaluator::Class>(trim(className)));
}

void QueryParser::byTag() {
    std::string tagName = tq_.consumeElementSelector();
    requireNotEmpty(tagName);
    if (tagName.starts_with("*|")) {
        // Any namespace: the plain name, or any "ns:name".
        std::string plainName = toLowerCase(trim(std::string_view(tagName).substr(2)));
        std::string suffix = toLowerCase(trim(replaceAll(tagName, "*|", ":")));
        add(std::make_shared<CombiningEvaluator::Or>(std::vector<EvaluatorPtr>{
            std::make_shared<Evaluator::Tag>(plainName), std::make_shared<Evaluator::TagEndsWith>(suffix)}));
    } else {
        add(std::make_shared<Evaluator::Tag>(trim(replaceAll(tagName, "|", ":"))));
    }
}

void QueryParser::byAttribute() {
    TokenQueue cq(tq_.chompBalanced('[', ']'));
    std::string key = cq.consumeToAny(kAttributeOperators);
    requireNotEmpty(key);
    cq.consumeWhitespace();
    if (cq.isEmpty()) {
        if (key.starts_with("^")) {
            add(std::make_shared<Evaluator::AttributeStarting>(std::string_view(key).substr(1)));
        } else {
            add(std::make_shared<Evaluator::Attribute>(key));
        }
    } else if (cq.matchChomp("=")) {
        add(std::make_shared<Evaluator::AttributeWithValue>(key, cq.remainder()));
    } else if (cq.matchChomp("!=")) {
        add(std::make_shared<Evaluator::AttributeWithValueNot>(key, cq.remainder()));
    } else if (cq.matchChomp("^=")) {
        add(std::make_shared<Evaluator::AttributeWithValueStarting>(key, cq.remainder()));
    } else if (cq.matchChomp("$=")) {
        add(std::make_shared<Evaluator::AttributeWithValueEnding>(key, cq.remainder()));
    } else if (cq.matchChomp("*=")) {
        add(std::make_shared<Evaluator::AttributeWithValueContaining>(key, cq.remainder()));
    } else if (cq.matchChomp("~=")) {
        add(std::make_shared<Evaluator::AttributeWithValueMatching>(key, cq.remainder()));
    } else {
        throw Exception(ExceptionType::SelectorParseException, couldNotParseAttributeQueryMessage(query_, cq.remainder()));
    }
}

std::uint64_t QueryParser::consumeIndex() {
    std::string chomped = tq_.chompTo(")");
    std::string_view index = trim(chomped);
    if (index.empty()) illegalArgument(kIndexMustBeNumeric);
    constexpr std::uint64_t kLargest = static_cast<std::uint64_t>(INT64_MAX);
    std::uint64_t value = 0;
    for (char c : index) {
        if (c < '0' || c > '9') illegalArgument(kIndexMustBeNumeric);
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kLargest - digit) / 10) illegalArgument(kIndexMustBeNumeric);
        value = value * 10 + digit;
    }
    return value;
}

void QueryParser::has() {
    tq_.consume(":has");
    std::string subQuery = tq_.chompBalanced('(', ')');
    if (subQuery.empty()) illegalArgument(kHasSubselectMustNotBeEmpty);
    add(std::make_shared<StructuralEvaluator::Has>(parseNested(subQuery)));
}

void QueryParser::contains(bool own) {
    tq_.consume(own ? ":containsOwn" : ":contains");
    std::string searchText = TokenQueue::unescape(tq_.chompBalanced('(', ')'));
    if (searchText.empty()) illegalArgument(kContainsQueryMustNotBeEmpty);
    if (own) {
        add(std::make_shared<Evaluator::ContainsOwnText>(searchText));
    } else {
        add(std::make_shared<Evaluator::ContainsText>(searchText));
    }
}

void QueryParser::matches(bool own) {
    tq_.consume(own ? ":matchesOwn" : ":matches");
    std::string pattern = tq_.chompBalanced('(', ')');
    if (pattern.empty()) illegalArgument(kMatchesQueryMustNotBeEmpty);
    if (own) {
        add(std::make_shared<Evaluator::MatchesOwn>(pattern));
    } else {
        add(std::make_shared<Evaluator::Matches>(pattern));
    }
}

void QueryParser::notSelector() {
    tq_.consume(":not");
    std::string subQuery = tq_.chompBalanced('(', ')');
    if (subQuery.empty()) illegalArgument(kNotSubselectMustNotBeEmpty);
    add(std::make_shared<StructuralEvaluator::Not>(parseNested(subQuery)));
}

void QueryParser::cssNthChild(bool backwards, bool ofType) {
    std::string argument = toLowerCase(trim(tq_.chompTo(")")));
    NthIndex index = parseNthIndex(argument);
    if (ofType) {
        if (backwards) {
            add(std::make_shared<Evaluator::IsNthLastOfType>(index.a, index.b));
        } else {
            add(std::make_shared<Evaluator::IsNthOfType>(index.a, index.b));
        }
    } else if (backwards) {
        add(std::make_shared<Evaluator::IsNthLastChild>(index.a, index.b));
    } else {
        add(std::make_shared<Evaluator::IsNthChild>(index.a, index.b));
    }
}

}  // namespace novawick::html
