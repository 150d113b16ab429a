// The three request kinds the scrapers use, over the shared client. They return the raw answer;
// the status, UTF-8 and parse checks belong to the site client, which knows what an unusable page is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/http_client.h"

namespace novawick::net {

/// The page profile's single header value.
inline constexpr std::string_view pageUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:102.0) Gecko/20100101 Firefox/102.0";

/// GET with the page profile (the one "User-Agent" field) and the profile's inactivity limit.
Response pageFetch(const std::string& url);

/// GET with no header set by the program and the client's default settings.
Response plainFetch(const std::string& url);

/// POST of a form body with the caller's profile headers, in order, and the profile's inactivity limit.
Response searchPost(const std::string& url, std::string body, std::vector<HeaderField> profileHeaders);

}  // namespace novawick::net
