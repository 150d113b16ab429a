// The plain fetch over the caller's transport.
#include "net/fetch.h"

namespace novawick::net {

Response plainFetch(Transport& transport, const std::string& url) {
    return transport.send(Request{
        .method = Method::Get,
        .url = url,
        .headers = {},
        .body = std::nullopt,
        .applyProfileTimeout = false,
    });
}

}  // namespace novawick::net
