// Nth arguments are found with two regular expressions searched anywhere in the argument, so text
// around a recognisable form is ignored ("x2n+1" reads as 2n+1). The patterns are compiled once per
// process; a matcher is made per call.
#include "html/select/nth_index.h"

#include <limits>
#include <memory>
#include <optional>
#include <string>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include "html/nodes/exception.h"
#include "html/select/query_parser.h"

namespace novawick::html {
namespace {

struct NthPatterns {
    std::unique_ptr<icu::RegexPattern> withStep;
    std::unique_ptr<icu::RegexPattern> offsetOnly;
};

std::unique_ptr<icu::RegexPattern> compile(const char* pattern) {
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
    if (U_FAILURE(status)) compiled.reset();
    return compiled;
}

const NthPatterns& nthPatterns() {
    static const NthPatterns patterns{
        compile(R"(((\+|-)?(\d+)?)n(\s*(\+|-)?\s*\d+)?)"),
        compile(R"((\+|-)?(\d+))"),
    };
    return patterns;
}

[[noreturn]] void unexpectedFormat(std::string_view argument) {
    throw Exception(ExceptionType::SelectorParseException, couldNotParseNthIndexMessage(argument));
}

/// An optional sign and ASCII digits, nothing else, within 64 bits.
std::optional<std::int64_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : std::numeric_limits<std::int64_t>::max();
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (!negative) return static_cast<std::int64_t>(value);
    return value == limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(value);
}

std::string_view withoutLeadingPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    return text;
}

/// Group `group` of the last match, or nullopt when it took no part.
std::optional<std::string> group(icu::RegexMatcher& matcher, int32_t group) {
    UErrorCode status = U_ZERO_ERROR;
    if (matcher.start(group, status) < 0 || U_FAILURE(status)) return std::nullopt;
    std::string text;
    matcher.group(group, status).toUTF8String(text);
    if (U_FAILURE(status)) return std::nullopt;
    return text;
}

std::int64_t integerOrFail(std::string_view text, std::string_view argument) {
    std::optional<std::int64_t> value = parseInteger(withoutLeadingPlus(text));
    if (!value) unexpectedFormat(argument);
    return *value;
}

/// First match of `pattern` in `input`, or nullptr.
std::unique_ptr<icu::RegexMatcher> search(const icu::RegexPattern* pattern, const icu::UnicodeString& input) {
    if (pattern == nullptr) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status) || matcher == nullptr) return nullptr;
    if (!matcher->find(status) || U_FAILURE(status)) return nullptr;
    return matcher;
}

}  // namespace

NthIndex parseNthIndex(std::string_view argument) {
    if (argument == "odd") return {2, 1};
    if (argument == "even") return {2, 0};
    const NthPatterns& patterns = nthPatterns();
    auto length = static_cast<int32_t>(std::min<std::size_t>(argument.size(), std::numeric_limits<int32_t>::max()));
    icu::UnicodeString input = icu::UnicodeString::fromUTF8(icu::StringPiece(argument.data(), length));
    if (auto matcher = search(patterns.withStep.get(), input)) {
        NthIndex index;
        std::optional<std::string> step = group(*matcher, 1);
        if (group(*matcher, 3)) {
            index.a = integerOrFail(*step, argument);
        } else {
            // A bare "n" or "+n" steps by 1; "-n" steps backwards.
            index.a = group(*matcher, 2) == std::optional<std::string>("-") ? -1 : 1;
        }
        std::optional<std::string> offset = group(*matcher, 4);
        index.b = offset ? integerOrFail(*offset, argument) : 0;
        return index;
    }
    if (auto matcher = search(patterns.offsetOnly.get(), input)) {
        std::optional<std::string> number = group(*matcher, 0);
        return {0, integerOrFail(number.value_or(""), argument)};
    }
    unexpectedFormat(argument);
}

}  // namespace novawick::html
