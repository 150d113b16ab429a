// URL syntax by libcurl's URL API, so that what the program accepts as an address is exactly what its
// HTTP client can request. Kept here because net/ is the only place that sees libcurl.
#pragma once

#include <optional>
#include <string>

namespace novawick::net {

/// Whom an absolute URL reaches, and whether it carries credentials.
struct UrlOrigin {
    std::string scheme;  // lower case
    std::string host;    // as written; empty when there is none
    std::string port;    // the scheme's default when none is written
    bool credentials = false;  // a user name, a password or login options
};

/// True when `text` is an absolute URL with a scheme libcurl knows.
bool isAbsoluteUrl(const std::string& text);

/// The scheme of an absolute URL in lower case; absent when the text is not one.
std::optional<std::string> urlScheme(const std::string& text);

/// The origin of an absolute URL; absent when the text is not one.
std::optional<UrlOrigin> urlOrigin(const std::string& text);

/// `reference` resolved against the absolute URL `base` (RFC 3986; characters a URL cannot hold are
/// percent-encoded); absent when either does not parse.
std::optional<std::string> resolveUrl(const std::string& base, const std::string& reference);

}  // namespace novawick::net
