// A URL keeps the text it was made from; parsing is libcurl's (url_syntax), so that what the program accepts
// as an address is exactly what its client can request.
#include "net/url.h"

namespace novawick {
namespace {

// Characters a path segment may hold unescaped (RFC 3986 pchar less "%"), plus "/" as separator.
constexpr std::string_view kPathAllowed = "-._~!$&'()*+,;=:@/";

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
    std::string owned(text);
    if (!net::isAbsoluteUrl(owned)) return std::nullopt;
    return Url(std::move(owned));
}

net::UrlOrigin Url::origin() const { return net::urlOrigin(text_).value_or(net::UrlOrigin{}); }

Url Url::appendingPathComponent(std::string_view component) const {
    std::string base = text_;
    while (!component.empty() && component.front() == '/') component.remove_prefix(1);
    if (base.empty() || base.back() != '/') base += '/';
    return Url(base + percentEncode(component, kPathAllowed));
}

std::optional<Url> Url::resolve(std::string_view reference) const {
    // What a browser strips from both ends of a URL: C0 controls and the space.
    auto blankOrControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!reference.empty() && blankOrControl(reference.front())) reference.remove_prefix(1);
    while (!reference.empty() && blankOrControl(reference.back())) reference.remove_suffix(1);
    if (reference.empty()) return std::nullopt;
    if (std::optional<Url> absolute = parse(reference)) return absolute;
    if (reference.find('\0') != std::string_view::npos) return std::nullopt;
    std::optional<std::string> resolved = net::resolveUrl(text_, std::string(reference));
    if (!resolved) return std::nullopt;
    return parse(*resolved);
}

std::string percentEncode(std::string_view text, std::string_view allowed) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
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
