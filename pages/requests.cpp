// The request kinds: fixed header sets and settings over the caller's transport.
#include "pages/requests.h"

#include "net/url.h"

namespace novawick::pages {
namespace {

// RFC 3986 query characters less the three that separate a form body.
constexpr std::string_view kFormValueAllowed = "!$'()*,-./:;?@_~";

}  // namespace

net::Response pageFetch(net::Transport& transport, const std::string& url) {
    return transport.send(net::Request{
        .method = net::Method::Get,
        .url = url,
        .headers = {{"User-Agent", std::string(kPageUserAgent)}},
        .body = std::nullopt,
        .applyProfileTimeout = true,
    });
}

net::Response searchPost(net::Transport& transport, const std::string& url, std::string body,
                         std::vector<net::HeaderField> profileHeaders) {
    return transport.send(net::Request{
        .method = net::Method::Post,
        .url = url,
        .headers = std::move(profileHeaders),
        .body = std::move(body),
        .applyProfileTimeout = true,
    });
}

std::string queryParameterString(const FormTable& table) {
    std::string encoded;
    for (const auto& [key, value] : table) {
        if (!encoded.empty()) encoded += '&';
        encoded += percentEncode(key, kFormValueAllowed);
        encoded += '=';
        encoded += percentEncode(value, kFormValueAllowed);
    }
    return encoded;
}

}  // namespace novawick::pages
