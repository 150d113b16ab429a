// URL parsing is delegated to libcurl's URL API so that what the program accepts is exactly what its
// HTTP client can request; the text itself is kept unchanged.
#include "QuilletApi/url.h"

#include <curl/curl.h>

#include <memory>

namespace novawick {
namespace {

struct CurlUrlDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;

struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};

CurlUrl parseHandle(const std::string& text) {
    CurlUrl handle(curl_url());
    if (!handle) throw std::bad_alloc();
    // No default scheme: only absolute addresses are URLs here.
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return nullptr;
    return handle;
}

std::string part(const std::string& text, CURLUPart which, unsigned flags) {
    CurlUrl handle = parseHandle(text);
    if (!handle) return {};
    char* raw = nullptr;
    if (curl_url_get(handle.get(), which, &raw, flags) != CURLUE_OK) return {};
    std::unique_ptr<char, CurlStringDeleter> owned(raw);
    return std::string(raw);
}

// Characters a path segment may hold unescaped (RFC 3986 pchar less "%"), plus "/" as separator.
constexpr std::string_view kPathAllowed = "-._~!$&'()*+,;=:@/";

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
    std::string owned(text);
    if (!parseHandle(owned)) return std::nullopt;
    return Url(std::move(owned));
}

Url Url::fromFilePath(const std::filesystem::path& path) {
    std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    return Url("file://" + percentEncode(absolute, kPathAllowed));
}

std::string Url::scheme() const { return part(text_, CURLUPART_SCHEME, 0); }

std::filesystem::path Url::filePath() const { return part(text_, CURLUPART_PATH, CURLU_URLDECODE); }

Url Url::appendingPathComponent(std::string_view component) const {
    std::string base = text_;
    while (!component.empty() && component.front() == '/') component.remove_prefix(1);
    if (base.empty() || base.back() != '/') base += '/';
    return Url(base + percentEncode(component, kPathAllowed));
}

std::string percentEncode(std::string_view text, std::string_view allowed) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char byte : text) {
        bool alphanumeric = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
        if (alphanumeric || (byte < 0x80 && allowed.find(static_cast<char>(byte)) != std::string_view::npos)) {
            out += static_cast<char>(byte);
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

}  // namespace novawick
