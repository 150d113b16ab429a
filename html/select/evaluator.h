// Evaluators: the compiled form of a CSS query. Each one answers whether a candidate element matches,
// given the element the query runs from (the root). They are immutable once the parser hands them
// out, hold no per-selection state, and may be shared between threads.
//
// The simple evaluators, which look at one element and its siblings, are nested in `Evaluator` so that
// their names read as the query language does (`Evaluator::Tag`, `Evaluator::IsNthChild`); the
// combining and structural families live in their own headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "html/nodes/exception.h"
#include "html/select/regex.h"

namespace novawick::html {

class Element;
class MatchContext;

class Evaluator {
public:
    Evaluator() = default;
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;
    virtual ~Evaluator() = default;

    /// True when `element` matches, the query running from `root`.
    virtual bool matches(const Element& root, const Element& element) const = 0;
    /// `matches` within a selection from `context.root()`: evaluators that would walk or rebuild the
    /// candidate's subtree share that work through the context. By default, plain `matches`.
    virtual bool matchesIn(MatchContext& context, const Element& element) const;
    /// True when this evaluator or one inside it shares work through a context (:has, :contains,
    /// :matches); the others are tested directly, at no cost for a context.
    bool sharesWork() const noexcept { return sharesWork_; }
    /// A readable form, close to the query text it came from.
    virtual std::string toString() const = 0;
    /// How many structural evaluators are stacked inside this one (bounds matching depth).
    std::size_t nesting() const noexcept { return nesting_; }

    class Tag;
    class TagEndsWith;
    class Id;
    class Class;
    class Attribute;
    class AttributeStarting;
    class AttributeKeyPair;
    class AttributeWithValue;
    class AttributeWithValueNot;
    class AttributeWithValueStarting;
    class AttributeWithValueEnding;
    class AttributeWithValueContaining;
    class AttributeWithValueMatching;
    class AllElements;
    class IndexEvaluator;
    class IndexLessThan;
    class IndexGreaterThan;
    class IndexEquals;
    class IsFirstChild;
    class IsLastChild;
    class CssNthEvaluator;
    class IsNthChild;
    class IsNthLastChild;
    class IsNthOfType;
    class IsNthLastOfType;
    class IsFirstOfType;
    class IsLastOfType;
    class IsOnlyChild;
    class IsOnlyOfType;
    class IsEmpty;
    class IsRoot;
    class ContainsText;
    class ContainsOwnText;
    class Matches;
    class MatchesOwn;

protected:
    std::size_t nesting_ = 0;
    bool sharesWork_ = false;
};

using EvaluatorPtr = std::shared_ptr<Evaluator>;

/// True for an error that ends a whole selection, where others only fail one candidate's test.
inline bool endsSelection(const Exception& error) noexcept {
    return error.type() == ExceptionType::RegexTimeoutException;
}

/// The tag's normal name equals the lower-cased name.
class Evaluator::Tag final : public Evaluator {
public:
    explicit Tag(std::string_view tagName);
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return tagName_; }

private:
    std::string tagName_;
};

/// The tag name ends with the suffix (namespace wildcard `*|x` matching `ns:x`).
class Evaluator::TagEndsWith final : public Evaluator {
public:
    explicit TagEndsWith(std::string_view suffix) : suffix_(suffix) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return suffix_; }

private:
    std::string suffix_;
};

/// The id equals the given one exactly.
class Evaluator::Id final : public Evaluator {
public:
    explicit Id(std::string_view id) : id_(id) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return "#" + id_; }

private:
    std::string id_;
};

/// The element has the class, ignoring case.
class Evaluator::Class final : public Evaluator {
public:
    explicit Class(std::string_view className) : className_(className) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return "." + className_; }

private:
    std::string className_;
};

/// The element has the attribute (key ignoring case).
class Evaluator::Attribute final : public Evaluator {
public:
    explicit Attribute(std::string_view key) : key_(key) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return "[" + key_ + "]"; }

private:
    std::string key_;
};

/// Some attribute key begins with the prefix, ignoring case.
class Evaluator::AttributeStarting final : public Evaluator {
public:
    /// Raises "String must not be empty" for an empty prefix.
    explicit AttributeStarting(std::string_view keyPrefix);
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return "[^" + keyPrefix_ + "]"; }

private:
    std::string keyPrefix_;
};

/// Base of the attribute-value evaluators: the key and value, prepared once.
class Evaluator::AttributeKeyPair : public Evaluator {
protected:
    /// Both must be non-empty; the key is trimmed and lower-cased, the value unquoted, trimmed and
    /// lower-cased.
    AttributeKeyPair(std::string_view key, std::string_view value);
    std::string render(std::string_view operatorText) const { return "[" + key_ + std::string(operatorText) + value_ + "]"; }

    std::string key_;
    std::string value_;
};

class Evaluator::AttributeWithValue final : public AttributeKeyPair {
public:
    AttributeWithValue(std::string_view key, std::string_view value) : AttributeKeyPair(key, value) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return render("="); }
};

class Evaluator::AttributeWithValueNot final : public AttributeKeyPair {
public:
    AttributeWithValueNot(std::string_view key, std::string_view value) : AttributeKeyPair(key, value) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return render("!="); }
};

class Evaluator::AttributeWithValueStarting final : public AttributeKeyPair {
public:
    AttributeWithValueStarting(std::string_view key, std::string_view value) : AttributeKeyPair(key, value) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return render("^="); }
};

class Evaluator::AttributeWithValueEnding final : public AttributeKeyPair {
public:
    AttributeWithValueEnding(std::string_view key, std::string_view value) : AttributeKeyPair(key, value) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return render("$="); }
};

class Evaluator::AttributeWithValueContaining final : public AttributeKeyPair {
public:
    AttributeWithValueContaining(std::string_view key, std::string_view value) : AttributeKeyPair(key, value) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return render("*="); }
};

/// The element has the attribute and the regular expression finds a match in its value.
class Evaluator::AttributeWithValueMatching final : public Evaluator {
public:
    AttributeWithValueMatching(std::string_view key, std::string_view pattern);
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return "[" + key_ + "~=" + pattern_.pattern() + "]"; }

private:
    std::string key_;
    Regex pattern_;
};

class Evaluator::AllElements final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return "*"; }
};

/// Compares the element's position among its parent's element children with an index.
class Evaluator::IndexEvaluator : public Evaluator {
protected:
    explicit IndexEvaluator(std::uint64_t index) : index_(index) {}
    std::uint64_t index_;
};

class Evaluator::IndexLessThan final : public IndexEvaluator {
public:
    explicit IndexLessThan(std::uint64_t index) : IndexEvaluator(index) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":lt(" + std::to_string(index_) + ")"; }
};

class Evaluator::IndexGreaterThan final : public IndexEvaluator {
public:
    explicit IndexGreaterThan(std::uint64_t index) : IndexEvaluator(index) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":gt(" + std::to_string(index_) + ")"; }
};

class Evaluator::IndexEquals final : public IndexEvaluator {
public:
    explicit IndexEquals(std::uint64_t index) : IndexEvaluator(index) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":eq(" + std::to_string(index_) + ")"; }
};

class Evaluator::IsFirstChild final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":first-child"; }
};

class Evaluator::IsLastChild final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":last-child"; }
};

/// The `an+b` family: the element's 1-based position p (counted as the subclass says) matches when
/// a = 0 and p = b, or when (p - b) / a is a whole number that is not negative.
class Evaluator::CssNthEvaluator : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override;
    std::int64_t a() const noexcept { return a_; }
    std::int64_t b() const noexcept { return b_; }

protected:
    CssNthEvaluator(std::int64_t a, std::int64_t b) : a_(a), b_(b) {}
    /// The 1-based position of `element` among the siblings this evaluator counts.
    virtual std::uint64_t position(const Element& element, const Element& parent) const = 0;
    virtual std::string_view pseudoClass() const = 0;

private:
    std::int64_t a_;
    std::int64_t b_;
};

class Evaluator::IsNthChild final : public CssNthEvaluator {
public:
    IsNthChild(std::int64_t a, std::int64_t b) : CssNthEvaluator(a, b) {}

protected:
    std::uint64_t position(const Element& element, const Element& parent) const override;
    std::string_view pseudoClass() const override { return "nth-child"; }
};

class Evaluator::IsNthLastChild final : public CssNthEvaluator {
public:
    IsNthLastChild(std::int64_t a, std::int64_t b) : CssNthEvaluator(a, b) {}

protected:
    std::uint64_t position(const Element& element, const Element& parent) const override;
    std::string_view pseudoClass() const override { return "nth-last-child"; }
};

class Evaluator::IsNthOfType : public CssNthEvaluator {
public:
    IsNthOfType(std::int64_t a, std::int64_t b) : CssNthEvaluator(a, b) {}

protected:
    std::uint64_t position(const Element& element, const Element& parent) const override;
    std::string_view pseudoClass() const override { return "nth-of-type"; }
};

class Evaluator::IsNthLastOfType : public CssNthEvaluator {
public:
    IsNthLastOfType(std::int64_t a, std::int64_t b) : CssNthEvaluator(a, b) {}

protected:
    std::uint64_t position(const Element& element, const Element& parent) const override;
    std::string_view pseudoClass() const override { return "nth-last-of-type"; }
};

class Evaluator::IsFirstOfType final : public IsNthOfType {
public:
    IsFirstOfType() : IsNthOfType(0, 1) {}
    std::string toString() const override { return ":first-of-type"; }
};

class Evaluator::IsLastOfType final : public IsNthLastOfType {
public:
    IsLastOfType() : IsNthLastOfType(0, 1) {}
    std::string toString() const override { return ":last-of-type"; }
};

class Evaluator::IsOnlyChild final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":only-child"; }
};

class Evaluator::IsOnlyOfType final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":only-of-type"; }
};

/// Every child node is a comment, XML declaration or doctype; any text, even blank, counts.
class Evaluator::IsEmpty final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":empty"; }
};

/// The query root itself, or the first child element when the root is a document.
class Evaluator::IsRoot final : public Evaluator {
public:
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":root"; }
};

class Evaluator::ContainsText final : public Evaluator {
public:
    explicit ContainsText(std::string_view searchText);
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return ":contains(" + searchText_ + ")"; }

private:
    std::string searchText_;
};

class Evaluator::ContainsOwnText final : public Evaluator {
public:
    explicit ContainsOwnText(std::string_view searchText);
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":containsOwn(" + searchText_ + ")"; }

private:
    std::string searchText_;
};

class Evaluator::Matches final : public Evaluator {
public:
    explicit Matches(std::string_view pattern) : pattern_(pattern) { sharesWork_ = true; }
    bool matches(const Element& root, const Element& element) const override;
    bool matchesIn(MatchContext& context, const Element& element) const override;
    std::string toString() const override { return ":matches(" + pattern_.pattern() + ")"; }

private:
    Regex pattern_;
};

class Evaluator::MatchesOwn final : public Evaluator {
public:
    explicit MatchesOwn(std::string_view pattern) : pattern_(pattern) {}
    bool matches(const Element& root, const Element& element) const override;
    std::string toString() const override { return ":matchesOwn(" + pattern_.pattern() + ")"; }

private:
    Regex pattern_;
};

}  // namespace novawick::html
