// The plain fetch over HttpClient::shared().
#include "net/fetch.h"

namespace novawick::net {

Response plainFetch(const std::string& url) {
    return HttpClient::shared().send(Request{
        .method = Method::get,
        .url = url,
        .headers = {},
        .body = std::nullopt,
        .applyProfileTimeout = false,
    });
}

}  // namespace novawick::net
