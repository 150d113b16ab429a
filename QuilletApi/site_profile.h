// The novel site's addresses and its search profile. The page profile, the form encoding and the checks
// every answer passes are shared with the mirror client, in pages/.
#pragma once

#include "net/transport.h"
#include "net/url.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::site {

/// "https://" + the site's host: no path, no trailing slash.
const std::string& siteBase();

/// True when `url` has exactly the site's scheme, host and port, and no user name or password.
bool isOnSite(const Url& url);

/// The site base followed directly by `path` as text; absent when that does not form a URL, or forms one
/// that leaves the site (another scheme, host or port, or a user name: "@host/x" would join to
/// "https://<site>@host/x").
std::optional<Url> siteUrl(std::string_view path);

/// The search profile's fourteen header fields, in order.
std::vector<net::HeaderField> searchProfile();

}  // namespace novawick::site
