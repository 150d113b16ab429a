// The novel-site client's face: the four operations through which the program reaches the site and the
// EPUB writer. A type without instances. Each operation comes twice: as the program calls it, through the
// process-wide HTTP client, and with the transport to use first, which tests and the demo hand in; calls
// share nothing but their transport.
#pragma once

#include "QuilletApi/Content/content.h"
#include "QuilletApi/chapter_store.h"
#include "QuilletApi/records/records.h"
#include "base/progress.h"
#include "net/transport.h"

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
    /// The same, through `transport`.
    static std::vector<SearchResult> search(net::Transport& transport, std::string_view name);

    /// A book's introduction, one paragraph per line; for a front end that shows a book before saving it
    /// (the dialogue does not ask for it).
    static std::string getIntro(const SearchResult& from);
    /// The same, through `transport`.
    static std::string getIntro(net::Transport& transport, const SearchResult& from);

    /// Every chapter of a book, in reading order; spilled into `temp` when one is given.
    static std::vector<Content> getContent(const SearchResult& result,
                                           const std::optional<std::filesystem::path>& temp,
                                           const Progress& progress);
    /// The same, through `transport`.
    static std::vector<Content> getContent(net::Transport& transport, const SearchResult& result,
                                           const std::optional<std::filesystem::path>& temp,
                                           const Progress& progress);
    /// Every chapter of a book, in reading order, each kept where `store` keeps it, through `transport`.
    static std::vector<Content> getContent(net::Transport& transport, const SearchResult& result,
                                           ChapterStore& store, const Progress& progress);

    /// Downloads a book and saves it as "<name>.epub" in the folder `at`.
    static void genEpub(const std::filesystem::path& at, const SearchResult& with,
                        const std::optional<std::filesystem::path>& temp, const Progress& progress);
    /// The same, through `transport`: the pages and the cover.
    static void genEpub(net::Transport& transport, const std::filesystem::path& at, const SearchResult& with,
                        const std::optional<std::filesystem::path>& temp, const Progress& progress);
};

}  // namespace novawick
