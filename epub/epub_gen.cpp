#include "epub/epub_gen.h"

#include "epub/book_file.h"
#include "epub/titles.h"
#include "epub/templates/chapter.h"
#include "epub/templates/container.h"
#include "epub/templates/cover.h"
#include "epub/templates/navigation.h"
#include "epub/templates/ncx.h"
#include "epub/templates/package.h"
#include "net/http_client.h"
#include "zip/zip.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace novawick::epub {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) out.close();
    if (!out) throw fs::filesystem_error("cannot write", file, std::error_code(errno ? errno : EIO, std::generic_category()));
}

std::string filled(std::string_view text, const TemplateValues& values) {
    std::string result(text);
    fillTemplate(result, values);
    return result;
}

std::string chapterName(std::size_t number) { return "chapter-" + std::to_string(number); }

std::string escapedBookTitle(const SearchResult& book) { return xmlEscape(bookTitle(book.name)); }

std::string escapedChapterTitle(std::string_view title, std::size_t number) {
    return xmlEscape(chapterTitle(title, number));
}

// A book without chapters still needs one page in its reading order and one entry in each table of
// contents; the navigation document, holding the title, is that page.
constexpr std::string_view kNavigationPage = "navigation.xhtml";

// One generated line per chapter, "N" and the escaped title filled into `pattern`.
template <typename LineFor>
std::string linesPerChapter(std::size_t count, LineFor lineFor) {
    std::string lines;
    for (std::size_t number = 1; number <= count; ++number) {
        lines += lineFor(chapterName(number), number - 1);
        lines += '\n';
    }
    return lines;
}

}  // namespace

EpubGen::EpubGen(std::vector<Content> contents, SearchResult searchResult, std::string uuid)
    : contents_(std::move(contents)), searchResult_(std::move(searchResult)), uuid_(std::move(uuid)) {}

EpubGen::EpubGen(net::Transport& transport, std::vector<Content> contents, SearchResult searchResult,
                 std::string uuid)
    : contents_(std::move(contents)),
      searchResult_(std::move(searchResult)),
      uuid_(std::move(uuid)),
      transport_(&transport) {}

void EpubGen::writeContainer(const fs::path& bookFolder) const {
    fs::create_directories(bookFolder / "META-INF");
    writeFile(bookFolder / "META-INF" / "container.xml", kContainerTemplate);
}

fs::path EpubGen::createContentFolder(const fs::path& bookFolder) const {
    fs::path contentFolder = bookFolder / "OPS";
    fs::create_directories(contentFolder);
    return contentFolder;
}

void EpubGen::writeChapter(const Content& chapter, std::size_t number, const fs::path& contentFolder) const {
    std::string block;
    for (const std::string& line : chapter.content()) block += "<p>" + xmlEscape(line) + "</p>\n";
    writeFile(contentFolder / (chapterName(number) + ".xhtml"),
              filled(kChapterTemplate, {{"chapter-title", escapedChapterTitle(chapter.title(), number)},
                                        {"id", std::to_string(number)},
                                        {"content", std::move(block)}}));
}

void EpubGen::writeNavigation(const std::vector<std::string>& titles, const fs::path& contentFolder) const {
    std::string items = linesPerChapter(titles.size(), [&](const std::string& name, std::size_t index) {
        return "<li><a href=\"" + name + ".xhtml\">" + escapedChapterTitle(titles[index], index + 1) + "</a></li>";
    });
    if (titles.empty()) {
        items = "<li><a href=\"" + std::string(kNavigationPage) + "\">" + escapedBookTitle(searchResult_) + "</a></li>\n";
    }
    writeFile(contentFolder / "navigation.xhtml",
              filled(kNavigationTemplate,
                     {{"book-name", escapedBookTitle(searchResult_)}, {"content", std::move(items)}}));
}

void EpubGen::writePackage(const fs::path& contentFolder, const std::optional<CoverImage>& cover) const {
    std::size_t count = contents_.size();
    std::string manifest = linesPerChapter(count, [](const std::string& name, std::size_t) {
        return "<item id=\"" + name + "\" href=\"" + name + ".xhtml\" media-type=\"application/xhtml+xml\" />";
    });
    std::string spine = linesPerChapter(count, [](const std::string& name, std::size_t) {
        return "<itemref idref=\"" + name + "\" />";
    });
    if (count == 0) spine = "<itemref idref=\"nav\" />\n";
    std::string creator;
    if (hasVisibleText(searchResult_.author)) {
        creator = filled(kCreatorLines, {{"author", xmlEscape(searchResult_.author)}});
    }
    std::string coverItems;
    if (cover) {
        coverItems = filled(kCoverItemLines, {{"cover-file", cover->fileName}, {"cover-type", cover->mediaType}});
        spine.insert(0, kCoverSpineLine);
    }
    writeFile(contentFolder / "book.opf",
              filled(kPackageTemplate, {{"book-name", escapedBookTitle(searchResult_)},
                                        {"uuid", uuid_},
                                        {"creator", std::move(creator)},
                                        {"cover-meta", cover ? std::string(kCoverMetaLine) : std::string()},
                                        {"html", std::move(manifest)},
                                        {"cover-items", std::move(coverItems)},
                                        {"ncx", std::move(spine)},
                                        {"guide", cover ? std::string(kGuideLines) : std::string()}}));
}

void EpubGen::writeNcx(const std::vector<std::string>& titles, const fs::path& contentFolder) const {
    std::string points = linesPerChapter(titles.size(), [&](const std::string& name, std::size_t index) {
        return "<navPoint class=\"h1\" id=\"" + name + "\"><navLabel><text>" +
               escapedChapterTitle(titles[index], index + 1) + "</text></navLabel><content src=\"" + name + ".xhtml#" +
               name + "\" /></navPoint>";
    });
    if (titles.empty()) {
        points = "<navPoint class=\"h1\" id=\"navigation\"><navLabel><text>" + escapedBookTitle(searchResult_) +
                 "</text></navLabel><content src=\"" + std::string(kNavigationPage) + "\" /></navPoint>\n";
    }
    writeFile(contentFolder / "toc.ncx", filled(kNcxTemplate, {{"book-name", escapedBookTitle(searchResult_)},
                                                               {"uuid", uuid_},
                                                               {"author", xmlEscape(searchResult_.author)},
                                                               {"navPoint", std::move(points)}}));
}

std::optional<CoverImage> EpubGen::writeCover(const fs::path& contentFolder) const {
    net::Transport& transport = transport_ ? *transport_ : net::HttpClient::shared();
    std::optional<CoverImage> cover = downloadCover(transport, searchResult_.preview.text());
    if (!cover) return std::nullopt;
    writeFile(contentFolder / cover->fileName, cover->bytes);
    writeFile(contentFolder / "cover.xhtml",
              filled(kCoverTemplate, {{"book-name", escapedBookTitle(searchResult_)}, {"cover-file", cover->fileName}}));
    return cover;
}

void EpubGen::generate(const fs::path& at, const Progress& progress) const {
    checkBookFileCanBeCreated(at, searchResult_.name);
    WorkFolder work(at);
    generate(at, work, progress);
}

void EpubGen::generate(const fs::path& at, const WorkFolder& work, const Progress& progress) const {
    checkBookFileCanBeCreated(at, searchResult_.name);
    fs::path bookFolder = work.path() / "book";
    fs::create_directory(bookFolder);
    writeContainer(bookFolder);
    writeFile(bookFolder / "mimetype", kMimetype);
    fs::path contentFolder = createContentFolder(bookFolder);

    std::vector<std::string> titles;
    titles.reserve(contents_.size());
    for (std::size_t i = 0; i < contents_.size(); ++i) {
        writeChapter(contents_[i], i + 1, contentFolder);
        titles.push_back(contents_[i].title());
        if (progress) progress(static_cast<double>(i + 1) / static_cast<double>(contents_.size()) * 0.9);
    }
    writeNavigation(titles, contentFolder);
    // The package names the cover's format, so the cover is fetched before the package is written.
    std::optional<CoverImage> cover = writeCover(contentFolder);
    writePackage(contentFolder, cover);
    writeNcx(titles, contentFolder);

    fs::path archive = work.path() / "book.zip";
    zip::ProgressCallback packing;
    if (progress) packing = [&progress](double fraction) { progress(fraction * 0.1 + 0.9); };
    fs::path bookFile = bookFileLocation(at, searchResult_.name);
    try {
        zip::Zip::zipFiles({bookFolder / "mimetype", bookFolder / "META-INF", contentFolder}, archive, std::nullopt,
                           zip::ZipCompression::DefaultCompression, packing, {"mimetype"});
    } catch (const zip::ZipException& failure) {
        // The archive is written under a work name; the user looks for the book file.
        throw failure.renamingFile(archive, bookFile);
    }
    moveWithoutReplacing(archive, bookFile);
}

}  // namespace novawick::epub
