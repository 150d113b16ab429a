#include "mirror/zlibrary.h"

#include "epub/cover_image.h"
#include "mirror/mirror_hosts.h"
#include "net/fetch.h"
#include "net/http_client.h"
#include "net/url.h"
#include "pages/errors.h"
#include "pages/page.h"
#include "pages/requests.h"

namespace novawick {
namespace {

constexpr std::string_view kResultBoxId = "searchResultBox";

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
}

std::optional<SearchResult> buildResult(const Url& mirror, const html::Element& table) {
    html::Element* details = table.getElementsByClass("bookDetailsBox").first();
    if (details == nullptr) return std::nullopt;
    html::Element* format = details->getElementsByClass("property_value").last();
    if (format == nullptr || format->text().find("EPUB") == std::string::npos) return std::nullopt;
    html::Element* link = table.select("a").first();
    if (link == nullptr) return std::nullopt;
    Url url = mirror.appendingPathComponent(link->attr("href"));
    html::Element* image = table.select("img").first();
    if (image == nullptr) return std::nullopt;
    std::string cover = image->attr("data-src");
    replaceAll(cover, "covers100", "covers200");
    std::optional<Url> preview = Url::parse(cover);
    if (!preview || !epub::isUsableCoverAddress(*preview)) return std::nullopt;
    html::Element* heading = table.select("h3").first();
    if (heading == nullptr) return std::nullopt;
    html::Element* authors = table.getElementsByClass("authors").first();
    if (authors == nullptr) return std::nullopt;
    return SearchResult{heading->select("a").text(), authors->select("a").text(), std::move(*preview), std::move(url),
                        ResultType::zlibrary};
}

}  // namespace

const std::vector<std::string>& Zlibrary::mirrorTable() {
    static const std::vector<std::string> table(std::begin(mirror::kMirrorHosts), std::end(mirror::kMirrorHosts));
    return table;
}

std::optional<Url> Zlibrary::availableURL() { return availableURL(net::HttpClient::shared()); }

std::optional<Url> Zlibrary::availableURL(net::Transport& transport) {
    for (const std::string& host : mirrorTable()) {
        std::optional<Url> candidate = Url::parse("https://" + host);
        if (!candidate) continue;
        if (net::plainFetch(transport, candidate->text()).status == 200) return candidate;
    }
    return std::nullopt;
}

std::vector<SearchResult> Zlibrary::search(std::string_view name) {
    return search(net::HttpClient::shared(), name);
}

std::vector<SearchResult> Zlibrary::search(net::Transport& transport, std::string_view name) {
    std::optional<Url> mirror = availableURL(transport);
    if (!mirror) return {};
    Url address = mirror->appendingPathComponent("s").appendingPathComponent(std::string(name) + "?");
    pages::Page page = pages::checkedPage(address, pages::pageFetch(transport, address.text()));
    html::Element* box = page.body->getElementById(kResultBoxId);
    if (box == nullptr) {
        throw pages::EmptyError(address.text(), pages::missingElementCause("#" + std::string(kResultBoxId)));
    }
    std::vector<SearchResult> results;
    for (html::Element* table : box->select("table")) {
        if (!table->hasClass("resItemTable")) continue;
        if (std::optional<SearchResult> result = buildResult(*mirror, *table)) results.push_back(std::move(*result));
    }
    return results;
}

std::string Zlibrary::getIntro(const SearchResult& from) { return getIntro(net::HttpClient::shared(), from); }

std::string Zlibrary::getIntro(net::Transport& transport, const SearchResult& from) {
    pages::Page page = pages::checkedPage(from.url, pages::pageFetch(transport, from.url.text()));
    html::Element* description = page.body->getElementById("bookDescriptionBox");
    return description ? description->text() : std::string();
}

}  // namespace novawick
