// Cover pictures for the sample books, drawn at start-up rather than committed: a plain PNG (a coloured
// page, a band and a disc) is enough for a reader to show, and keeps binary files out of the tree.
#pragma once

#include "demo/sample_books.h"

#include <cstdint>
#include <string>

namespace novawick::demo {

inline constexpr std::uint32_t kCoverWidth = 120;
inline constexpr std::uint32_t kCoverHeight = 160;

/// The PNG file of a book's cover: 8-bit RGB, one IDAT chunk; the same bytes on every call.
std::string coverPicture(const SampleBook& book);

}  // namespace novawick::demo
