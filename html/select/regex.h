// The regular expressions of `:matches`, `:matchesOwn` and `[key~=regex]`, in ICU syntax.
//
// The pattern is compiled once, when the query is parsed, and each application makes its own matcher,
// so a shared evaluator stays thread-safe. A pattern that does not compile reports itself on every
// application (one line on standard output) and matches nothing: a bad pattern degrades the query
// instead of failing it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <unicode/regex.h>

namespace html {

/// Prefix of the line printed when a pattern does not compile.
inline constexpr std::string_view kInvalidRegexPrefix = "invalid regex: ";

class Regex {
public:
    explicit Regex(std::string_view pattern);

    /// True when the pattern finds a match anywhere in `text`. An invalid pattern prints its error
    /// line and gives false.
    bool find(std::string_view text) const;
    const std::string& pattern() const noexcept { return pattern_; }
    /// True when the pattern compiled.
    bool isValid() const noexcept { return compiled_ != nullptr; }

private:
    std::string pattern_;
    std::unique_ptr<icu::RegexPattern> compiled_;
    UErrorCode error_ = U_ZERO_ERROR;
};

}  // namespace html
