#include "epub/cover_image.h"

#include "net/errors.h"
#include "net/fetch.h"

namespace novawick::epub {

std::optional<CoverImage> recogniseCover(std::string bytes) {
    std::string_view head(bytes);
    if (head.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
        return CoverImage{"cover.png", "image/png", std::move(bytes)};
    }
    if (head.substr(0, 3) == "\xFF\xD8\xFF") return CoverImage{"cover.jpg", "image/jpeg", std::move(bytes)};
    if (head.substr(0, 6) == "GIF87a" || head.substr(0, 6) == "GIF89a") {
        return CoverImage{"cover.gif", "image/gif", std::move(bytes)};
    }
    return std::nullopt;
}

bool isUsableCoverAddress(const Url& address) {
    net::UrlOrigin origin = address.origin();
    return (origin.scheme == "https" || origin.scheme == "http") && !origin.host.empty() && !origin.credentials;
}

std::optional<CoverImage> downloadCover(net::Transport& transport, const std::string& url) {
    std::optional<Url> address = Url::parse(url);
    if (!address || !isUsableCoverAddress(*address)) return std::nullopt;
    try {
        net::Response response = net::plainFetch(transport, url);
        if (response.status != 200) return std::nullopt;
        return recogniseCover(std::move(response.body));
    } catch (const net::TransportError&) {
        return std::nullopt;
    }
}

}  // namespace novawick::epub
