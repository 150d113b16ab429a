// A parsed address that keeps the exact text it was made from. Site addresses are built by plain
// text concatenation, so the text (not a normalised form) is what gets requested.
#pragma once

#include "net/url_syntax.h"

#include <optional>
#include <string>
#include <string_view>

namespace novawick {

class Url {
public:
    /// Parses an absolute URL with libcurl's URL API; empty, relative or malformed text gives no value.
    static std::optional<Url> parse(std::string_view text);

    /// The text this URL was made from.
    const std::string& text() const noexcept { return text_; }
    /// Scheme, host and port (the scheme's default when none is written), and whether the address
    /// carries credentials.
    net::UrlOrigin origin() const;

    /// Appends one path text as further segments ("/" stays a separator), percent-encoding what a path
    /// segment may not hold ("?", "#", space, non-ASCII as UTF-8 bytes). A text that begins with "/" is
    /// joined with a single "/".
    Url appendingPathComponent(std::string_view component) const;

    /// The address `reference` names on a page at this address, as a browser reads an "src": blanks and
    /// controls around it dropped, then resolved ("//host/x" takes this address's scheme; an absolute
    /// reference is kept as written). Absent for an empty reference or one that gives no absolute URL.
    std::optional<Url> resolve(std::string_view reference) const;

    friend bool operator==(const Url&, const Url&) = default;

private:
    explicit Url(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

/// Percent-encodes every byte that is neither an ASCII letter or digit nor in `allowed`, as "%XX"
/// with upper-case hexadecimal digits.
std::string percentEncode(std::string_view text, std::string_view allowed);

}  // namespace novawick
