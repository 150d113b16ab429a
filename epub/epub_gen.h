// One book while it is written: its chapters, its search hit and its identifier. `generate` lays the
// book out in a private work folder inside the save folder, packs it (an uncompressed "mimetype" first,
// as readers require), and moves the archive to "<book>.epub" only if no such file exists. Nothing of the
// user's is replaced, and nothing of the work is left behind, whether the call succeeds or fails.
#pragma once

#include "QuilletApi/Content/content.h"
#include "QuilletApi/records/records.h"
#include "base/progress.h"
#include "epub/cover_image.h"
#include "epub/work_folder.h"
#include "epub/xml_text.h"
#include "net/transport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace novawick::epub {

class EpubGen {
public:
    /// A book whose cover comes through the program's shared HTTP client.
    EpubGen(std::vector<Content> contents, SearchResult searchResult, std::string uuid);
    /// A book whose cover comes through `transport`, which must outlive it.
    EpubGen(net::Transport& transport, std::vector<Content> contents, SearchResult searchResult, std::string uuid);

    const std::vector<Content>& contents() const noexcept { return contents_; }
    const SearchResult& searchResult() const noexcept { return searchResult_; }
    const std::string& uuid() const noexcept { return uuid_; }

    /// Writes "<save folder>/<book>.epub". Chapter files report (i + 1) / n × 0.9, packing 0.9 to 1.0.
    void generate(const std::filesystem::path& at, const Progress& progress) const;
    /// The same, writing in a work folder the caller already has inside `at`.
    void generate(const std::filesystem::path& at, const WorkFolder& work, const Progress& progress) const;

    void writeContainer(const std::filesystem::path& bookFolder) const;
    std::filesystem::path createContentFolder(const std::filesystem::path& bookFolder) const;
    void writeChapter(const Content& chapter, std::size_t number, const std::filesystem::path& contentFolder) const;
    void writeNavigation(const std::vector<std::string>& titles, const std::filesystem::path& contentFolder) const;
    void writePackage(const std::filesystem::path& contentFolder, const std::optional<CoverImage>& cover) const;
    void writeNcx(const std::vector<std::string>& titles, const std::filesystem::path& contentFolder) const;
    /// Downloads the cover and writes the picture and the cover page; absent when there is no usable cover.
    std::optional<CoverImage> writeCover(const std::filesystem::path& contentFolder) const;

    static void fillTemplate(std::string& text, const TemplateValues& values) { epub::fillTemplate(text, values); }

private:
    std::vector<Content> contents_;
    SearchResult searchResult_;
    std::string uuid_;
    net::Transport* transport_ = nullptr;  // null: the shared client, made at the first request
};

/// Exactly the 20 bytes of the "mimetype" file.
inline constexpr std::string_view kMimetype = "application/epub+zip";

}  // namespace novawick::epub
