// The cover picture: kept only when its bytes are a format every EPUB reader must show, so that an HTML
// error page served as a cover never ends up in a book.
#pragma once

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

/// Downloads the cover picture with a plain fetch. A status other than 200, a transport failure or bytes
/// of another format give no cover: a book is worth more than its picture.
std::optional<CoverImage> downloadCover(const std::string& url);

}  // namespace novawick::epub
