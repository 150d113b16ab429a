// The two request kinds of the site clients, over the caller's transport: the page fetch with the page
// profile, and the post of a form with the caller's profile. They return the raw answer, which
// checkedPage (pages/page.h) then judges.
#pragma once

#include "net/transport.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace novawick::pages {

/// The page profile's single header value.
inline constexpr std::string_view kPageUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:102.0) Gecko/20100101 Firefox/102.0";

/// GET with the page profile (the one "User-Agent" field) and the profile's inactivity limit.
net::Response pageFetch(net::Transport& transport, const std::string& url);

/// POST of a form body with the caller's profile headers, in order, and the profile's inactivity limit.
net::Response searchPost(net::Transport& transport, const std::string& url, std::string body,
                         std::vector<net::HeaderField> profileHeaders);

/// A form table in a fixed key order: pairs are encoded as given.
using FormTable = std::vector<std::pair<std::string, std::string>>;

/// "key=value" pairs joined by "&", keys and values percent-encoded with the query-allowed set, except
/// that "&", "=" and "+" are encoded too: in a form body they are separators (a server reads "+" as a
/// space), so leaving them would corrupt a term such as "C++ & 你".
std::string queryParameterString(const FormTable& table);

}  // namespace novawick::pages
