// What a book and its chapters are called in the book and on disk. Names are the site's text and may
// show nothing at all (a chapter link "<a href="/c/1"></a>", a name of blanks), which would give a
// package without a title, a table of contents with an empty entry and a file named "   .epub". Such a
// name gets a visible fallback instead; any other name is kept exactly as the site sent it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace novawick::epub {

/// The book's title and file name when its name shows nothing.
inline constexpr std::string_view kUntitledBook = "book";

/// The book's title: its name, or `kUntitledBook` when the name shows nothing once escaped.
std::string bookTitle(std::string_view name);

/// A chapter's title: its own, or its number in the reader's language ("第12章") when that shows nothing.
std::string chapterTitle(std::string_view title, std::size_t number);

}  // namespace novawick::epub
