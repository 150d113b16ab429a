// Search: post the site's search form and turn every usable list item of the answer into a hit. An item
// that lacks its title, link, cover or author line is dropped without a trace.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site_profile.h"
#include "QuilletApi/text_units.h"
#include "net/fetch.h"

namespace novawick {
namespace {

constexpr std::string_view kSearchPath = "/search/";
constexpr std::size_t kAuthorLabelLength = 3;  // the "作者：" label before the author's name

std::optional<SearchResult> buildHit(const html::Element& item) {
    html::Element* title = item.select("strong").first();
    if (title == nullptr) return std::nullopt;
    html::Element* link = item.select("a").first();
    if (link == nullptr) return std::nullopt;
    std::optional<Url> url = site::siteUrl(link->attr("href"));
    if (!url) return std::nullopt;
    html::Element* cover = item.select("img").first();
    if (cover == nullptr) return std::nullopt;
    std::optional<Url> preview = Url::parse(cover->attr("src"));
    if (!preview) return std::nullopt;
    html::Element* authorLine = item.select("span").first();
    if (authorLine == nullptr) return std::nullopt;
    // A line shorter than its label gives an empty author rather than dropping the book.
    std::string author = dropLeadingCharacters(authorLine->text(), kAuthorLabelLength);
    return SearchResult{title->text(), std::move(author), std::move(*preview), std::move(*url), ResultType::vorune};
}

}  // namespace

std::vector<SearchResult> QuilletApi::search(std::string_view name) {
    std::optional<Url> address = site::siteUrl(kSearchPath);
    if (!address) return {};
    site::FormTable form = {{"show", "writer,title"}, {"searchkey", std::string(name)}, {"Submit22", "搜索"}};
    site::Page page = site::checkedPage(
        *address, net::searchPost(address->text(), site::queryParameterString(form), site::searchProfile()));
    std::vector<SearchResult> hits;
    for (html::Element* item : page.body->select("li")) {
        if (std::optional<SearchResult> hit = buildHit(*item)) hits.push_back(std::move(*hit));
    }
    return hits;
}

}  // namespace novawick
