// The simple evaluators that test one element by its tag, id, classes, attributes and text.
// Sibling-position evaluators are in position_evaluators.cpp.
#include "html/select/evaluator.h"

#include "html/nodes/attributes.h"
#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"

namespace html {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) noexcept {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isQuotedWith(std::string_view text, char quote) noexcept {
    // Two characters at least: a lone quote is a value of its own, not an empty quoted one.
    return text.size() >= 2 && text.front() == quote && text.back() == quote;
}

}  // namespace

Evaluator::Tag::Tag(std::string_view tagName) : tagName_(toLowerCase(tagName)) {}

bool Evaluator::Tag::matches(const Element&, const Element& element) const {
    return element.tagNameNormal() == tagName_;
}

bool Evaluator::TagEndsWith::matches(const Element&, const Element& element) const {
    return endsWith(element.tagName(), suffix_);
}

bool Evaluator::Id::matches(const Element&, const Element& element) const { return element.id() == id_; }

bool Evaluator::Class::matches(const Element&, const Element& element) const {
    return element.hasClass(className_);
}

bool Evaluator::Attribute::matches(const Element&, const Element& element) const {
    return element.hasAttr(key_);
}

Evaluator::AttributeStarting::AttributeStarting(std::string_view keyPrefix) {
    requireNotEmpty(keyPrefix);
    keyPrefix_ = toLowerCase(keyPrefix);
}

bool Evaluator::AttributeStarting::matches(const Element&, const Element& element) const {
    for (const html::Attribute& attribute : element.attributes()) {
        if (startsWith(toLowerCase(attribute.key()), keyPrefix_)) return true;
    }
    return false;
}

Evaluator::AttributeKeyPair::AttributeKeyPair(std::string_view key, std::string_view value) {
    requireNotEmpty(key);
    requireNotEmpty(value);
    key_ = toLowerCase(trim(key));
    if (isQuotedWith(value, '"') || isQuotedWith(value, '\'')) value = value.substr(1, value.size() - 2);
    value_ = toLowerCase(trim(value));
}

bool Evaluator::AttributeWithValue::matches(const Element&, const Element& element) const {
    return element.hasAttr(key_) && equalsIgnoreCase(value_, trim(element.attr(key_)));
}

bool Evaluator::AttributeWithValueNot::matches(const Element&, const Element& element) const {
    return !equalsIgnoreCase(value_, element.attr(key_));
}

bool Evaluator::AttributeWithValueStarting::matches(const Element&, const Element& element) const {
    return element.hasAttr(key_) && startsWith(toLowerCase(element.attr(key_)), value_);
}

bool Evaluator::AttributeWithValueEnding::matches(const Element&, const Element& element) const {
    return element.hasAttr(key_) && endsWith(toLowerCase(element.attr(key_)), value_);
}

bool Evaluator::AttributeWithValueContaining::matches(const Element&, const Element& element) const {
    return element.hasAttr(key_) && toLowerCase(element.attr(key_)).find(value_) != std::string::npos;
}

Evaluator::AttributeWithValueMatching::AttributeWithValueMatching(std::string_view key, std::string_view pattern)
    : key_(toLowerCase(trim(key))), pattern_(pattern) {}

bool Evaluator::AttributeWithValueMatching::matches(const Element&, const Element& element) const {
    return element.hasAttr(key_) && pattern_.find(element.attr(key_));
}

bool Evaluator::AllElements::matches(const Element&, const Element&) const { return true; }

Evaluator::ContainsText::ContainsText(std::string_view searchText) : searchText_(toLowerCase(searchText)) {}

bool Evaluator::ContainsText::matches(const Element&, const Element& element) const {
    return toLowerCase(element.text()).find(searchText_) != std::string::npos;
}

Evaluator::ContainsOwnText::ContainsOwnText(std::string_view searchText) : searchText_(toLowerCase(searchText)) {}

bool Evaluator::ContainsOwnText::matches(const Element&, const Element& element) const {
    return toLowerCase(element.ownText()).find(searchText_) != std::string::npos;
}

bool Evaluator::Matches::matches(const Element&, const Element& element) const {
    return pattern_.find(element.text());
}

bool Evaluator::MatchesOwn::matches(const Element&, const Element& element) const {
    return pattern_.find(element.ownText());
}

}  // namespace html
