// Request kinds of the scrapers: fixed header sets and settings over HttpClient::shared().
#include "net/fetch.h"

#include <utility>

namespace novawick::net {

Response pageFetch(const std::string& url) {
    return HttpClient::shared().send(Request{
        .method = Method::get,
        .url = url,
        .headers = {{"User-Agent", std::string(pageUserAgent)}},
        .body = std::nullopt,
        .applyProfileTimeout = true,
    });
}

Response plainFetch(const std::string& url) {
    return HttpClient::shared().send(Request{
        .method = Method::get,
        .url = url,
        .headers = {},
        .body = std::nullopt,
        .applyProfileTimeout = false,
    });
}

Response searchPost(const std::string& url, std::string body, std::vector<HeaderField> profileHeaders) {
    return HttpClient::shared().send(Request{
        .method = Method::post,
        .url = url,
        .headers = std::move(profileHeaders),
        .body = std::move(body),
        .applyProfileTimeout = true,
    });
}

}  // namespace novawick::net
