// The simple evaluators that test one element by its tag, id, classes, attributes and text.
// Sibling-position evaluators are in position_evaluators.cpp.
//
// Within a selection, :contains and :matches build their candidates' texts one by one, as long as that
// stays cheap (see MatchContext::buildsTextAlone); past that they read each text as a span of the
// root's text, built once (see SubtreeText): :contains finds every place of its search text in the
// lower-case copy once and then answers each candidate with one lookup, and :matches searches the
// span, once per distinct span.
#include "html/select/evaluator.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"
#include "html/select/match_context.h"

namespace novawick::html {
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

// Start of every place where `needle` (not empty) occurs in `text`, overlapping ones included: one
// Knuth-Morris-Pratt pass, linear whatever the two hold.
std::vector<std::uint32_t> placesOf(std::string_view needle, std::string_view text) {
    std::vector<std::size_t> border(needle.size(), 0);
    for (std::size_t i = 1, length = 0; i < needle.size(); ++i) {
        while (length > 0 && needle[i] != needle[length]) length = border[length - 1];
        if (needle[i] == needle[length]) ++length;
        border[i] = length;
    }
    std::vector<std::uint32_t> places;
    for (std::size_t i = 0, matched = 0; i < text.size(); ++i) {
        while (matched > 0 && text[i] != needle[matched]) matched = border[matched - 1];
        if (text[i] == needle[matched]) ++matched;
        if (matched == needle.size()) {
            places.push_back(static_cast<std::uint32_t>(i + 1 - needle.size()));
            matched = border[matched - 1];
        }
    }
    return places;
}

// Where one :contains search text occurs in the selection's lower-case text.
struct Places : MatchContext::State {
    // False when the lower-case copy cannot serve: it is incomplete or too long to index, or the
    // lower-case text of an element alone may differ from its span of the copy (a capital sigma turns
    // into a final or a medial small sigma by its neighbours, and the search text holds one of those).
    // Candidates are then lower-cased one by one.
    bool usable = false;
    std::vector<std::uint32_t> starts;
};

bool holdsSmallSigma(std::string_view text) noexcept {
    return text.find("\xCF\x82") != std::string_view::npos || text.find("\xCF\x83") != std::string_view::npos;
}

// The searches of one :matches pattern in the selection's text, by span.
struct Searches : MatchContext::State {
    Searches(const Regex& regex, std::string_view text) : search(regex, text) {}
    RegexSearch search;
    std::unordered_map<std::uint64_t, bool> found;
};

}  // namespace

bool Evaluator::matchesIn(MatchContext& context, const Element& element) const {
    return matches(context.root(), element);
}

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

Evaluator::ContainsText::ContainsText(std::string_view searchText) : searchText_(toLowerCase(searchText)) {
    sharesWork_ = true;
}

bool Evaluator::ContainsText::matches(const Element&, const Element& element) const {
    return toLowerCase(element.text()).find(searchText_) != std::string::npos;
}

bool Evaluator::ContainsText::matchesIn(MatchContext& context, const Element& element) const {
    if (context.buildsTextAlone(element)) return matches(context.root(), element);
    const std::optional<std::string_view> text = context.text().textOf(element);
    if (!text) return matches(context.root(), element);
    if (searchText_.empty()) return true;
    const LowerCaseText& lower = context.lowerCaseText();
    const Places& places = context.stateOf<Places>(*this, [&] {
        auto made = std::make_unique<Places>();
        made->usable = lower.isComplete() && lower.text().size() < std::numeric_limits<std::uint32_t>::max() &&
                       !(lower.hasCapitalSigma() && holdsSmallSigma(searchText_));
        if (made->usable) made->starts = placesOf(searchText_, lower.text());
        return made;
    });
    if (!places.usable) return toLowerCase(*text).find(searchText_) != std::string::npos;
    const SubtreeText::Span span = *context.text().spanOf(element);
    const std::size_t begin = lower.placeOf(span.begin);
    const std::size_t end = lower.placeOf(span.end);
    const auto first = std::lower_bound(places.starts.begin(), places.starts.end(), begin);
    return first != places.starts.end() && *first + searchText_.size() <= end;
}

Evaluator::ContainsOwnText::ContainsOwnText(std::string_view searchText) : searchText_(toLowerCase(searchText)) {}

bool Evaluator::ContainsOwnText::matches(const Element&, const Element& element) const {
    return toLowerCase(element.ownText()).find(searchText_) != std::string::npos;
}

bool Evaluator::Matches::matches(const Element&, const Element& element) const {
    return pattern_.find(element.text());
}

bool Evaluator::Matches::matchesIn(MatchContext& context, const Element& element) const {
    // An invalid pattern keeps printing its line at every candidate.
    if (!pattern_.isValid() || context.buildsTextAlone(element)) return matches(context.root(), element);
    SubtreeText& text = context.text();
    const std::optional<SubtreeText::Span> span = text.spanOf(element);
    if (!span) return matches(context.root(), element);
    Searches& searches = context.stateOf<Searches>(
        *this, [&] { return std::make_unique<Searches>(pattern_, text.text()); });
    // Nested elements with no text between them share a span.
    const std::uint64_t key = static_cast<std::uint64_t>(span->begin) * (text.text().size() + 1) + span->end;
    if (const auto known = searches.found.find(key); known != searches.found.end()) return known->second;
    const bool found = searches.search.find(span->begin, span->end);
    searches.found.emplace(key, found);
    return found;
}

bool Evaluator::MatchesOwn::matches(const Element&, const Element& element) const {
    return pattern_.find(element.ownText());
}

}  // namespace novawick::html
