// URL syntax by libcurl's URL API, so that what the program accepts as an address is exactly what its
// HTTP client can request. Kept here because net/ is the only place that sees libcurl.
#pragma once

#include <optional>
#include <string>

namespace novawick::net {

enum class UrlPart { scheme, decodedPath };

/// True when `text` is an absolute URL with a scheme libcurl knows.
bool isAbsoluteUrl(const std::string& text);

/// One part of an absolute URL; absent when the text is not one or has no such part.
std::optional<std::string> urlPart(const std::string& text, UrlPart part);

}  // namespace novawick::net
