// A book's chapters: the chapter list (book page -> read link -> entry page -> every list page), then
// each chapter's pages in order. One request at a time; the first failure ends the whole call.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site_profile.h"
#include "net/fetch.h"
#include "net/http_client.h"
#include "pages/errors.h"
#include "pages/page.h"
#include "pages/requests.h"

#include <set>
#include <stdexcept>

namespace novawick {
namespace {

constexpr std::string_view kReadClass = "read";
constexpr std::string_view kReadLinkQuery = ".read a";
constexpr std::string_view kListClass = "sso_a";
constexpr std::string_view kListQuery = ".sso_a";
constexpr std::string_view kContentId = "Content";
constexpr std::string_view kNextLinkId = "next_url";
constexpr std::string_view kNextPageLabel = "下一页";
constexpr std::string_view kFastestUpdate = "最快更新";
constexpr std::string_view kContentOpen = "<content>";
constexpr std::string_view kContentClose = "</content>";
// A chapter longer than this is a server that keeps inventing pages, not a chapter.
constexpr std::size_t kMaximumPagesPerChapter = 10'000;

void removeAll(std::string& text, std::string_view marker) {
    std::string kept;
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(marker, start)) != std::string::npos; start = found + marker.size()) {
        kept.append(text, start, found - start);
    }
    if (start == 0) return;
    kept.append(text, start);
    text = std::move(kept);
}

std::vector<Url> listPageUrls(net::Transport& transport, const Url& bookPage) {
    pages::Page book = pages::checkedPage(bookPage, net::plainFetch(transport, bookPage.text()));
    html::Element* readLink = book.body->getElementsByClass(kReadClass).select("a").first();
    if (readLink == nullptr) throw pages::EmptyError(bookPage.text(), pages::missingElementCause(kReadLinkQuery));
    std::optional<Url> entry = site::siteUrl(readLink->attr("href"));
    if (!entry) throw pages::EmptyError(bookPage.text(), std::string(pages::kReadLinkOffSiteCause));

    pages::Page entryPage = pages::checkedPage(*entry, net::plainFetch(transport, entry->text()));
    std::vector<Url> pages;
    for (html::Element* option : entryPage.body->getElementsByClass("text").select("option")) {
        if (std::optional<Url> page = site::siteUrl(option->attr("value"))) pages.push_back(std::move(*page));
    }
    return pages;
}

std::vector<Menu> menusOfListPage(net::Transport& transport, const Url& listPage) {
    pages::Page page = pages::checkedPage(listPage, pages::pageFetch(transport, listPage.text()));
    html::Element* list = page.body->getElementsByClass(kListClass).first();
    if (list == nullptr) throw pages::EmptyError(listPage.text(), pages::missingElementCause(kListQuery));
    std::vector<Menu> menus;
    for (html::Element* entry : list->select("li")) {
        html::Element* link = entry->select("a").first();
        if (link == nullptr) continue;
        std::optional<Url> url = site::siteUrl(link->attr("href"));
        if (!url) continue;
        menus.push_back(Menu{link->text(), std::move(*url)});
    }
    return menus;
}

std::vector<Menu> getMenu(net::Transport& transport, const Url& bookPage, const Progress& progress) {
    std::vector<Url> pages = listPageUrls(transport, bookPage);
    std::vector<Menu> menus;
    for (std::size_t j = 0; j < pages.size(); ++j) {
        std::vector<Menu> pageMenus = menusOfListPage(transport, pages[j]);
        menus.insert(menus.end(), std::make_move_iterator(pageMenus.begin()), std::make_move_iterator(pageMenus.end()));
        if (progress) progress(static_cast<double>(j + 1) / static_cast<double>(pages.size()));
    }
    return menus;
}

// Reads one page's paragraphs into `collected`; returns the next page of the chapter, if any.
std::optional<Url> readChapterPage(net::Transport& transport, const Url& url, std::vector<std::string>& collected) {
    pages::Page page = pages::checkedPage(url, pages::pageFetch(transport, url.text()));
    html::Element* content = page.body->getElementById(kContentId);
    if (content == nullptr) {
        throw pages::EmptyError(url.text(), pages::missingElementCause("#" + std::string(kContentId)));
    }
    for (html::Element* paragraph : content->select("p")) {
        std::string line = paragraph->text();
        removeAll(line, kContentOpen);
        removeAll(line, kContentClose);
        if (line.empty() || line == kFastestUpdate) continue;
        collected.push_back(std::move(line));
    }
    html::Element* next = page.body->getElementById(kNextLinkId);
    if (next == nullptr) {
        throw pages::EmptyError(url.text(), pages::missingElementCause("#" + std::string(kNextLinkId)));
    }
    if (next->text() != kNextPageLabel) return std::nullopt;
    return site::siteUrl(next->attr("href"));
}

std::vector<std::string> getChapterText(net::Transport& transport, const Url& firstPage) {
    std::vector<std::string> collected;
    std::set<std::string> read;
    std::optional<Url> page = firstPage;
    // A loop, not a recursion; a next-page link back to a page already read ends the chapter.
    while (page && read.insert(page->text()).second) {
        if (read.size() > kMaximumPagesPerChapter) {
            throw std::runtime_error("chapter " + firstPage.text() + " runs past " +
                                     std::to_string(kMaximumPagesPerChapter) + " pages");
        }
        page = readChapterPage(transport, *page, collected);
    }
    return collected;
}

Content getChapter(net::Transport& transport, const Menu& menu, ChapterStore& store) {
    return store.keep(menu.title, getChapterText(transport, menu.url));
}

}  // namespace

std::vector<Content> QuilletApi::getContent(const SearchResult& result, const std::optional<std::filesystem::path>& temp,
                                            const Progress& progress) {
    return getContent(net::HttpClient::shared(), result, temp, progress);
}

std::vector<Content> QuilletApi::getContent(net::Transport& transport, const SearchResult& result,
                                            const std::optional<std::filesystem::path>& temp,
                                            const Progress& progress) {
    ChapterStore store = temp ? ChapterStore::spilledInto(*temp) : ChapterStore::inMemory();
    return getContent(transport, result, store, progress);
}

std::vector<Content> QuilletApi::getContent(net::Transport& transport, const SearchResult& result, ChapterStore& store,
                                            const Progress& progress) {
    Progress listProgress;
    if (progress) listProgress = [&progress](double fraction) { progress(fraction * 0.1); };
    std::vector<Menu> menus = getMenu(transport, result.url, listProgress);
    std::vector<Content> chapters;
    chapters.reserve(menus.size());
    for (std::size_t i = 0; i < menus.size(); ++i) {
        chapters.push_back(getChapter(transport, menus[i], store));
        if (progress) progress(static_cast<double>(i + 1) / static_cast<double>(menus.size()) * 0.9 + 0.1);
    }
    return chapters;
}

}  // namespace novawick
