// Saving a book: the chapters are downloaded (first half of the progress), then written and packed by the
// EPUB writer (second half). The save folder is made and the book file's name is checked before the
// download, so that hours of downloading are not spent on a book that could not be saved. One private
// work folder serves the whole run: chapters past the memory budget wait there, and the book is written
// there. Whatever ends the run early takes back the work folder, then the folders made for the save folder.
#include "QuilletApi/quillet_api.h"
#include "base/uuid.h"
#include "epub/book_file.h"
#include "epub/epub_gen.h"
#include "epub/save_folder.h"
#include "epub/work_folder.h"
#include "net/http_client.h"

namespace novawick {

void QuilletApi::genEpub(const std::filesystem::path& at, const SearchResult& with,
                         const std::optional<std::filesystem::path>& temp, const Progress& progress) {
    genEpub(net::HttpClient::shared(), at, with, temp, progress);
}

void QuilletApi::genEpub(net::Transport& transport, const std::filesystem::path& at, const SearchResult& with,
                         const std::optional<std::filesystem::path>& temp, const Progress& progress) {
    epub::SaveFolder saveFolder(at);
    epub::checkBookFileCanBeCreated(saveFolder.path(), with.name);
    epub::removeAbandonedWorkFolders(saveFolder.path());
    // Declared after the save folder, so that it goes first.
    epub::WorkFolder work(saveFolder.path());

    Progress download;
    if (progress) download = [&progress](double fraction) { progress(fraction * 0.5); };
    // A caller's temporary folder takes every chapter, as asked; otherwise chapters past the budget wait in
    // the work folder, so that memory does not grow with the book.
    ChapterStore store =
        temp ? ChapterStore::spilledInto(*temp) : ChapterStore::withinBudget(kChapterMemoryBudget, work.path());
    std::vector<Content> chapters = getContent(transport, with, store, download);

    epub::EpubGen book(transport, std::move(chapters), with, newUuidString());
    Progress writing;
    if (progress) writing = [&progress](double fraction) { progress(fraction * 0.5 + 0.5); };
    book.generate(saveFolder.path(), work, writing);
    saveFolder.keep();
    if (progress) progress(1.0);
}

}  // namespace novawick
