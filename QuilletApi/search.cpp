// Search: post the site's search form and turn every usable list item of the answer into a hit. An item
// that lacks its title, link, cover or author line is dropped without a trace. A cover address is read
// as a browser reads an image's: relative to the answer's own address, so a site that serves its covers
// as "/cover/1.jpg" or from an image host as "//img.example/1.jpg" still lists its books.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site_profile.h"
#include "QuilletApi/text_units.h"
#include "epub/cover_image.h"
#include "net/http_client.h"
#include "pages/page.h"
#include "pages/requests.h"

namespace novawick {
namespace {

constexpr std::string_view kSearchPath = "/search/";
constexpr std::size_t kAuthorLabelLength = 3;  // the "作者：" label before the author's name

std::optional<Url> coverUrl(const Url& answer, std::string_view source) {
    std::optional<Url> cover = answer.resolve(source);
    if (!cover || !epub::isUsableCoverAddress(*cover)) return std::nullopt;
    return cover;
}

std::optional<SearchResult> buildHit(const html::Element& item, const Url& answer) {
    html::Element* title = item.select("strong").first();
    if (title == nullptr) return std::nullopt;
    html::Element* link = item.select("a").first();
    if (link == nullptr) return std::nullopt;
    std::optional<Url> url = site::siteUrl(link->attr("href"));
    if (!url) return std::nullopt;
    html::Element* cover = item.select("img").first();
    if (cover == nullptr) return std::nullopt;
    std::optional<Url> preview = coverUrl(answer, cover->attr("src"));
    if (!preview) return std::nullopt;
    html::Element* authorLine = item.select("span").first();
    if (authorLine == nullptr) return std::nullopt;
    // A line shorter than its label gives an empty author rather than dropping the book.
    std::string author = dropLeadingCharacters(authorLine->text(), kAuthorLabelLength);
    return SearchResult{title->text(), std::move(author), std::move(*preview), std::move(*url), ResultType::vorune};
}

}  // namespace

std::vector<SearchResult> QuilletApi::search(std::string_view name) {
    return search(net::HttpClient::shared(), name);
}

std::vector<SearchResult> QuilletApi::search(net::Transport& transport, std::string_view name) {
    std::optional<Url> address = site::siteUrl(kSearchPath);
    if (!address) return {};
    pages::FormTable form = {{"show", "writer,title"}, {"searchkey", std::string(name)}, {"Submit22", "搜索"}};
    net::Response response =
        pages::searchPost(transport, address->text(), pages::queryParameterString(form), site::searchProfile());
    // Covers are relative to where the answer came from, after any redirect.
    Url answer = Url::parse(response.effectiveUrl).value_or(*address);
    pages::Page page = pages::checkedPage(*address, response);
    std::vector<SearchResult> hits;
    for (html::Element* item : page.body->select("li")) {
        if (std::optional<SearchResult> hit = buildHit(*item, answer)) hits.push_back(std::move(*hit));
    }
    return hits;
}

}  // namespace novawick
