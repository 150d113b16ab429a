// The cover picture: kept only when its bytes are a format every EPUB reader must show, so that an HTML
// error page served as a cover never ends up in a book. Covers often live on image hosts, so any http or
// https host will do; but the address is the site's text, so it may not carry credentials.
#pragma once

#include "net/transport.h"
#include "net/url.h"

#include <optional>
#include <string>
#include <string_view>

namespace novawick::epub {

struct CoverImage {
    std::string fileName;   // "cover.png", "cover.jpg" or "cover.gif"
    std::string mediaType;  // "image/png", "image/jpeg" or "image/gif"
    std::string bytes;
};

/// The cover for `bytes` by their signature; absent for anything but PNG, JPEG and GIF.
std::optional<CoverImage> recogniseCover(std::string bytes);

/// True for an http or https address with a host and without a user name, password or login options.
bool isUsableCoverAddress(const Url& address);

/// Downloads the cover picture with a plain fetch through `transport`. An address that is not usable, a
/// status other than 200, a transport failure or bytes of another format give no cover: a book is worth
/// more than its picture.
std::optional<CoverImage> downloadCover(net::Transport& transport, const std::string& url);

}  // namespace novawick::epub
