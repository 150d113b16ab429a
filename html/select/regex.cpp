// ICU-backed pattern search for the regex evaluators.
#include "html/select/regex.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include <unicode/unistr.h>

namespace html {
namespace {

// ICU measures strings in int32_t; longer input is cut rather than wrapped to a negative length.
icu::UnicodeString toUnicode(std::string_view text) {
    auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), length));
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
    bool found = matcher->find(status);
    return U_SUCCESS(status) && found;
}

}  // namespace html
