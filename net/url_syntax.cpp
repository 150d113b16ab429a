#include "net/url_syntax.h"

#include <curl/curl.h>

#include <memory>
#include <new>

namespace novawick::net {
namespace {

struct CurlUrlDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

CurlUrl parse(const std::string& text) {
    CurlUrl handle(curl_url());
    if (!handle) throw std::bad_alloc();
    // No default scheme: only absolute addresses count.
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return nullptr;
    return handle;
}

std::optional<std::string> get(CURLU* handle, CURLUPart part, unsigned int flags) {
    char* raw = nullptr;
    if (curl_url_get(handle, part, &raw, flags) != CURLUE_OK) return std::nullopt;
    CurlString owned(raw);
    return std::string(raw);
}

}  // namespace

bool isAbsoluteUrl(const std::string& text) { return parse(text) != nullptr; }

std::optional<std::string> urlScheme(const std::string& text) {
    CurlUrl handle = parse(text);
    if (!handle) return std::nullopt;
    return get(handle.get(), CURLUPART_SCHEME, 0);
}

std::optional<UrlOrigin> urlOrigin(const std::string& text) {
    CurlUrl handle = parse(text);
    if (!handle) return std::nullopt;
    UrlOrigin origin;
    origin.scheme = get(handle.get(), CURLUPART_SCHEME, 0).value_or("");
    origin.host = get(handle.get(), CURLUPART_HOST, 0).value_or("");
    origin.port = get(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).value_or("");
    origin.credentials = get(handle.get(), CURLUPART_USER, 0) || get(handle.get(), CURLUPART_PASSWORD, 0) ||
                         get(handle.get(), CURLUPART_OPTIONS, 0);
    return origin;
}

std::optional<std::string> resolveUrl(const std::string& base, const std::string& reference) {
    CurlUrl handle = parse(base);
    if (!handle) return std::nullopt;
    // Setting a URL on a handle that holds one resolves it against that one.
    if (curl_url_set(handle.get(), CURLUPART_URL, reference.c_str(), 0) != CURLUE_OK) return std::nullopt;
    return get(handle.get(), CURLUPART_URL, 0);
}

}  // namespace novawick::net
