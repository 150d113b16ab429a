// The novel site's addresses, its two request profiles, the form encoding of the search form and the
// checks every answer passes before it is read: status 200, strict UTF-8, an HTML parse, a body element.
#pragma once

#include "net/url.h"
#include "html/nodes/document.h"
#include "net/http_client.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

/// A form table in a fixed key order: pairs are encoded as given.
using FormTable = std::vector<std::pair<std::string, std::string>>;

/// "key=value" pairs joined by "&", keys and values percent-encoded with the query-allowed set, except
/// that "&", "=" and "+" are encoded too: in a form body they are separators (a server reads "+" as a
/// space), so leaving them would corrupt a term such as "C++ & 你".
std::string queryParameterString(const FormTable& table);

/// A page that passed the checks; the document lives as long as the page.
struct Page {
    std::unique_ptr<html::Document> document;
    html::Element* body = nullptr;
};

/// Status exactly 200, strict UTF-8, parse, body element; otherwise `EmptyError` naming `address`, the
/// page that was asked for.
Page checkedPage(const Url& address, const net::Response& response);

}  // namespace novawick::site
