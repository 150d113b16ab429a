// Wiring of the demo site: one handler per page address, all rendered on demand from the book model, and
// the search form. The server threads only read the model; the fault table is the one shared, changing
// state and sits behind a mutex.
#include "demo/demo_site.h"

#include "QuilletApi/site.h"
#include "demo/cover_picture.h"
#include "demo/demo_pages.h"

namespace novawick::demo {
namespace {

constexpr std::string_view kSearchPath = "/search/";
constexpr std::string_view kServerErrorPage = "<html><body><h1>500 Internal Server Error</h1></body></html>";

// Answers 500 when the page was told to; true when it has.
bool answeredServerError(std::optional<Fault> fault, loopback::SiteResponse& response) {
    if (fault != Fault::ServerError) return false;
    response.status = 500;
    response.body = kServerErrorPage;
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] != '%') {
            decoded += text[i];
        } else {
            if (i + 2 >= text.size()) return std::nullopt;
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return decoded;
}

}  // namespace

std::optional<std::string> formField(std::string_view body, std::string_view key) {
    while (!body.empty()) {
        std::size_t end = body.find('&');
        std::string_view pair = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
        std::size_t equals = pair.find('=');
        std::optional<std::string> name = percentDecode(pair.substr(0, equals));
        if (!name || *name != key) continue;
        return percentDecode(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
    }
    return std::nullopt;
}

std::vector<const SampleBook*> findBooks(std::string_view term) {
    std::vector<const SampleBook*> hits;
    for (const SampleBook& book : sampleBooks()) {
        // Byte search is character search here: a UTF-8 sequence never matches inside another one.
        if (book.title.find(term) != std::string::npos || book.author.find(term) != std::string::npos) {
            hits.push_back(&book);
        }
    }
    return hits;
}

DemoSite::DemoSite() : server_({std::string(site::kHost)}) {
    for (const SampleBook& book : sampleBooks()) covers_.push_back(coverPicture(book));
    addSearch();
    for (std::size_t index = 0; index < sampleBooks().size(); ++index) addBook(index);
}

DemoSite::~DemoSite() {
    std::lock_guard lock(faultMutex_);
    closed_ = true;
    closing_.notify_all();
}

void DemoSite::injectFault(std::string path, Fault fault) {
    std::lock_guard lock(faultMutex_);
    faults_.insert_or_assign(std::move(path), fault);
}

std::optional<Fault> DemoSite::faultAt(const std::string& path) const {
    std::lock_guard lock(faultMutex_);
    if (auto found = faults_.find(path); found != faults_.end()) return found->second;
    return std::nullopt;
}

void DemoSite::addPage(const std::string& path, std::function<std::string(std::optional<Fault>)> render) {
    server_.get(path, [this, path, render = std::move(render)](const loopback::SiteRequest&,
                                                                loopback::SiteResponse& response) {
        std::optional<Fault> fault = faultAt(path);
        if (fault == Fault::Stall) {
            std::unique_lock lock(faultMutex_);
            closing_.wait(lock, [this] { return closed_; });
            fault = Fault::ServerError;
        }
        if (answeredServerError(fault, response)) return;
        response.body = render(fault);
    });
}

void DemoSite::addBook(std::size_t bookIndex) {
    const SampleBook& book = sampleBooks()[bookIndex];
    addPage(bookPath(book), [&book](std::optional<Fault>) { return bookPage(book); });
    for (std::size_t listIndex = 0; listIndex < listPageCount(book); ++listIndex) {
        addPage(listPagePath(book, listIndex), [&book, listIndex](std::optional<Fault>) {
            return listPage(book, listIndex);
        });
    }
    for (std::size_t chapter = 0; chapter < book.chapters.size(); ++chapter) {
        for (std::size_t page = 0; page < book.chapters[chapter].pages.size(); ++page) {
            addPage(chapterPagePath(book, chapter, page), [&book, chapter, page](std::optional<Fault> fault) {
                return chapterPage(book, chapter, page, fault != Fault::MissingNextLink);
            });
        }
    }
    std::string coverAddress = coverPath(book);
    server_.get(coverAddress, [this, bookIndex, coverAddress](const loopback::SiteRequest&,
                                                              loopback::SiteResponse& response) {
        if (answeredServerError(faultAt(coverAddress), response)) return;
        response.contentType = "image/png";
        response.body = covers_[bookIndex];
    });
}

void DemoSite::addSearch() {
    server_.post(std::string(kSearchPath), [this](const loopback::SiteRequest& request,
                                                  loopback::SiteResponse& response) {
        if (answeredServerError(faultAt(std::string(kSearchPath)), response)) return;
        std::optional<std::string> term = formField(request.body, "searchkey");
        if (!term) {
            response.status = 400;
            response.body = "<html><body><h1>400 Bad Request</h1></body></html>";
            return;
        }
        response.body = searchResultsPage(findBooks(*term), *term);
    });
}

}  // namespace novawick::demo
