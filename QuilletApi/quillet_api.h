// The novel-site client's face: the four operations through which the program reaches the site and the
// EPUB writer. A type without instances; calls share nothing but the process-wide HTTP client.
#pragma once

#include "QuilletApi/Content/content.h"
#include "QuilletApi/chapter_store.h"
#include "QuilletApi/records/records.h"
#include "base/progress.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick {

class QuilletApi {
public:
    QuilletApi() = delete;

    /// The site's hits for a search term, in page order.
    static std::vector<SearchResult> search(std::string_view name);
    /// A book's introduction, one paragraph per line; for a front end that shows a book before saving it
    /// (the dialogue does not ask for it).
    static std::string getIntro(const SearchResult& from);
    /// Every chapter of a book, in reading order; spilled into `temp` when one is given.
    static std::vector<Content> getContent(const SearchResult& result,
                                           const std::optional<std::filesystem::path>& temp,
                                           const Progress& progress);
    /// Every chapter of a book, in reading order, each kept where `store` keeps it.
    static std::vector<Content> getContent(const SearchResult& result, ChapterStore& store, const Progress& progress);
    /// Downloads a book and saves it as "<name>.epub" in the folder `at`.
    static void genEpub(const std::filesystem::path& at, const SearchResult& with,
                        const std::optional<std::filesystem::path>& temp, const Progress& progress);
};

}  // namespace novawick
