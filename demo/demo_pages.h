// The demo site's addresses and pages, in the structures the site client reads: a search answer of
// `li` items (strong, a, img, span "作者：…"), book pages with a `.read a` link and an `id="content"`
// introduction, a chapter-list entry page whose `.text option` values name the list pages, list pages
// with `.sso_a li a`, and chapter pages with `id="Content"` paragraphs and an `id="next_url"` link that
// reads "下一页" while the chapter goes on. Everything taken from a book is HTML-escaped.
#pragma once

#include "demo/sample_books.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::demo {

/// Chapters listed on one chapter-list page.
inline constexpr std::size_t kChaptersPerListPage = 8;

/// "/book/<slug>/": the book page.
std::string bookPath(const SampleBook& book);
/// The chapter-list page at this index; index 0 is the entry page, which lists the first chapters too.
std::string listPagePath(const SampleBook& book, std::size_t listPageIndex);
/// How many chapter-list pages the book has (at least one).
std::size_t listPageCount(const SampleBook& book);
/// The page at `pageIndex` of the chapter at `chapterIndex` (both from 0).
std::string chapterPagePath(const SampleBook& book, std::size_t chapterIndex, std::size_t pageIndex);
/// "/cover/<slug>.png", as the search answer gives it.
std::string coverPath(const SampleBook& book);
/// The cover's absolute address on the site's host, as the book page gives it.
std::string coverUrl(const SampleBook& book);

/// Text with &, <, >, " and ' written as character references.
std::string escapeHtml(std::string_view text);

/// The search answer listing these books (none: a page saying so, with no result items).
std::string searchResultsPage(const std::vector<const SampleBook*>& hits, std::string_view term);
/// The book page: cover, title, author, read link and introduction.
std::string bookPage(const SampleBook& book);
/// A chapter-list page: its chapters and the page selector naming every list page.
std::string listPage(const SampleBook& book, std::size_t listPageIndex);
/// A chapter page; without `withNextLink` the navigation link is missing (a broken page, for tests).
std::string chapterPage(const SampleBook& book, std::size_t chapterIndex, std::size_t pageIndex,
                        bool withNextLink = true);

}  // namespace novawick::demo
