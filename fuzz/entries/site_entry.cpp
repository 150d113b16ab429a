// Fuzz entry of the novel-site client's scrapers: one page, as a hostile site would serve it, answers every
// request of a search, a book's introduction and a whole chapter download (book page, chapter-list entry
// page, list pages, chapter pages and their next pages). A page that holds all those structures at once
// drives every scraper over the same bytes. The site may refuse a page (EmptyError) and the transport may
// give up; anything else is a finding, as is an address taken from the page that leaves the site.
//
// Requests are capped, since the list of chapters comes from the page too: each list entry is one more
// chapter request, and a hostile page can name thousands.
#include "fuzz/entries/fuzz_entries.h"

#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site_profile.h"
#include "net/errors.h"
#include "net/transport.h"
#include "net/url.h"
#include "pages/errors.h"

#include <optional>
#include <string>

namespace novawick::fuzz {
namespace {

constexpr std::string_view kName = "site_pages";
constexpr std::size_t kMostRequests = 48;

// Serves the same answer to every request, until the cap.
class OnePageSite final : public net::Transport {
public:
    explicit OnePageSite(std::string_view page) : page_(page) {}

    net::Response send(const net::Request& request) override {
        if (++requests_ > kMostRequests) {
            throw net::TransportError(net::TransportFailure::OtherFailure, request.url, "request cap of the fuzz site");
        }
        // By origin, not by prefix: "https://<site>@elsewhere/" starts like the site and is not it.
        const std::optional<Url> url = Url::parse(request.url);
        if (!url || !site::isOnSite(*url)) invariantBroken(kName, "a request left the site");
        return net::Response{200, std::string(page_), request.url};
    }

private:
    std::string_view page_;
    std::size_t requests_ = 0;
};

template <typename Operation>
void expectingSiteErrors(Operation operation) {
    try {
        operation();
    } catch (const pages::EmptyError&) {
    } catch (const net::TransportError&) {
    }
}

}  // namespace

void fuzzSitePages(std::string_view input) {
    std::optional<Url> book = site::siteUrl("/book/1/");
    if (!book) invariantBroken(kName, "the site's own book address does not parse");
    const SearchResult hit{"book", "author", *book, *book, ResultType::vorune};

    OnePageSite searchSite(input);
    expectingSiteErrors([&] {
        for (const SearchResult& found : QuilletApi::search(searchSite, "term")) {
            if (!site::isOnSite(found.url)) invariantBroken(kName, "a hit's address leaves the site");
        }
    });
    OnePageSite introductionSite(input);
    expectingSiteErrors([&] { QuilletApi::getIntro(introductionSite, hit); });
    OnePageSite bookSite(input);
    expectingSiteErrors([&] { QuilletApi::getContent(bookSite, hit, std::nullopt, {}); });
}

}  // namespace novawick::fuzz
