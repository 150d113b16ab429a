// ICU-backed pattern search for the regex evaluators.
#include "html/select/regex.h"

#include <algorithm>
#include <cstdio>

#include <unicode/unistr.h>

#include "html/nodes/exception.h"

namespace novawick::html {
namespace {

// ICU measures strings in int32_t; longer input is cut rather than wrapped to a negative length.
icu::UnicodeString toUnicode(std::string_view text) {
    auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), length));
}

// Runs one search under the time limit.
bool findWithin(icu::RegexMatcher& matcher, const std::string& pattern) {
    UErrorCode status = U_ZERO_ERROR;
    const bool found = matcher.find(status);
    if (status == U_REGEX_TIME_OUT) {
        throw Exception(ExceptionType::RegexTimeoutException, std::string(kRegexTimeLimitPrefix) + pattern);
    }
    return U_SUCCESS(status) && found;
}

}  // namespace

Regex::Regex(std::string_view pattern) : pattern_(pattern) {
    UParseError parseError{};
    icu::UnicodeString source = toUnicode(pattern_);
    compiled_.reset(icu::RegexPattern::compile(source, 0, parseError, error_));
    if (U_FAILURE(error_)) compiled_.reset();
}

bool Regex::find(std::string_view text) const {
    if (compiled_ == nullptr) {
        std::string line(kInvalidRegexPrefix);
        line += u_errorName(error_);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        return false;
    }
    icu::UnicodeString input = toUnicode(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled_->matcher(input, status));
    if (U_FAILURE(status) || matcher == nullptr) return false;
    matcher->setTimeLimit(kRegexTimeLimit, status);
    return findWithin(*matcher, pattern_);
}

RegexSearch::RegexSearch(const Regex& regex, std::string_view text) : regex_(regex), whole_(text) {
    UErrorCode status = U_ZERO_ERROR;
    if (regex.compiled_ == nullptr) return;
    matcher_.reset(regex.compiled_->matcher(status));
    if (U_FAILURE(status)) {
        matcher_.reset();
        return;
    }
    matcher_->setTimeLimit(kRegexTimeLimit, status);
}

bool RegexSearch::find(std::size_t begin, std::size_t end) {
    if (matcher_ == nullptr) return false;
    UErrorCode status = U_ZERO_ERROR;
    // The part opened as a text of its own: ICU's region bounds would still let look-behind see the
    // bytes before it.
    text_.reset(utext_openUTF8(text_.release(), whole_.data() + begin, static_cast<int64_t>(end - begin), &status));
    if (U_FAILURE(status)) return false;
    matcher_->reset(text_.get());
    return findWithin(*matcher_, regex_.pattern());
}

}  // namespace novawick::html
