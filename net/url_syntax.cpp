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

CurlUrl parse(const std::string& text) {
    CurlUrl handle(curl_url());
    if (!handle) throw std::bad_alloc();
    // No default scheme: only absolute addresses count.
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return nullptr;
    return handle;
}

}  // namespace

bool isAbsoluteUrl(const std::string& text) { return parse(text) != nullptr; }

std::optional<std::string> urlPart(const std::string& text, UrlPart part) {
    CurlUrl handle = parse(text);
    if (!handle) return std::nullopt;
    char* raw = nullptr;
    CURLUcode code = part == UrlPart::scheme ? curl_url_get(handle.get(), CURLUPART_SCHEME, &raw, 0)
                                             : curl_url_get(handle.get(), CURLUPART_PATH, &raw, CURLU_URLDECODE);
    if (code != CURLUE_OK) return std::nullopt;
    std::unique_ptr<char, CurlStringDeleter> owned(raw);
    return std::string(raw);
}

}  // namespace novawick::net
