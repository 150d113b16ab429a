// The regular expressions of `:matches`, `:matchesOwn` and `[key~=regex]`, in ICU syntax.
//
// The pattern is compiled once, when the query is parsed, and each application makes its own matcher,
// so a shared evaluator stays thread-safe. A pattern that does not compile reports itself on every
// application (one line on standard output) and matches nothing: a bad pattern degrades the query
// instead of failing it. A search that runs past ICU's time limit, on the other hand, fails the whole
// selection: a pattern that backtracks without end on one element would do so on the next one too,
// and matching nothing would hide why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <unicode/regex.h>
#include <unicode/utext.h>

namespace novawick::html {

/// Prefix of the line printed when a pattern does not compile.
inline constexpr std::string_view kInvalidRegexPrefix = "invalid regex: ";
/// Prefix of the error raised when a search runs past its time limit; the pattern follows.
inline constexpr std::string_view kRegexTimeLimitPrefix = "Regular expression ran past its time limit: ";
/// Steps of ICU's match engine one search may take (each about ten thousand backtracking points; a
/// fifth of a second on the machine this was tuned on). Scanning text without backtracking is not
/// counted, so only a pattern that backtracks heavily ever reaches it.
inline constexpr std::int32_t kRegexTimeLimit = 1000;

class Regex {
public:
    explicit Regex(std::string_view pattern);

    /// True when the pattern finds a match anywhere in `text`. An invalid pattern prints its error
    /// line and gives false; a search past the time limit raises RegexTimeoutException.
    bool find(std::string_view text) const;
    const std::string& pattern() const noexcept { return pattern_; }
    /// True when the pattern compiled.
    bool isValid() const noexcept { return compiled_ != nullptr; }

private:
    friend class RegexSearch;

    std::string pattern_;
    std::unique_ptr<icu::RegexPattern> compiled_;
    UErrorCode error_ = U_ZERO_ERROR;
};

/// Searches of one valid pattern in parts of one UTF-8 text, through one matcher.
class RegexSearch {
public:
    /// `text` must outlive the search.
    RegexSearch(const Regex& regex, std::string_view text);

    /// True when the pattern finds a match in text[begin, end) taken as a text of its own (anchors,
    /// word boundaries and look-around see nothing outside it). Raises RegexTimeoutException as
    /// `Regex::find` does.
    bool find(std::size_t begin, std::size_t end);

private:
    struct CloseText {
        void operator()(UText* text) const noexcept { utext_close(text); }
    };

    const Regex& regex_;
    std::string_view whole_;
    std::unique_ptr<UText, CloseText> text_;  // the part being searched; outlives the matcher
    std::unique_ptr<icu::RegexMatcher> matcher_;
};

}  // namespace novawick::html
