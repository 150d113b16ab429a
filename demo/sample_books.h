// The demo site's library: a handful of books written for this project, so the demo and the end-to-end
// tests never touch anyone's text. Long books are generated deterministically from a few dozen
// hand-written sentences, so the tests can ask this model what the site served and compare it with what
// ended up in the EPUB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace novawick::demo {

/// One chapter as the site serves it: its pages, each an ordered list of paragraphs.
struct SampleChapter {
    std::string title;
    std::vector<std::vector<std::string>> pages;

    /// Every paragraph of every page, in reading order.
    std::vector<std::string> paragraphs() const;
};

/// One book: what the search, book, list and chapter pages show of it.
struct SampleBook {
    std::string slug;  // ASCII name used in the site's addresses
    std::string title;
    std::string author;
    std::vector<std::string> introduction;
    std::vector<SampleChapter> chapters;
    std::uint32_t coverColour = 0;  // 0xRRGGBB background of the cover picture
    std::uint32_t accentColour = 0;  // 0xRRGGBB of the band and the disc on it
};

/// The sample books in the order the search lists them; built once, never changed.
const std::vector<SampleBook>& sampleBooks();

/// A paragraph the site adds to pages as furniture; the client drops it, so it is not book text.
inline constexpr const char* kSiteNoiseParagraph = "最快更新";

}  // namespace novawick::demo
