// A book's introduction: the paragraphs of the page's "content" container, one per line.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site_profile.h"
#include "net/http_client.h"
#include "pages/page.h"
#include "pages/requests.h"

namespace novawick {

std::string QuilletApi::getIntro(const SearchResult& from) { return getIntro(net::HttpClient::shared(), from); }

std::string QuilletApi::getIntro(net::Transport& transport, const SearchResult& from) {
    pages::Page page = pages::checkedPage(from.url, pages::pageFetch(transport, from.url.text()));
    html::Element* container = page.body->getElementById("content");
    if (container == nullptr) return {};
    std::string introduction;
    for (html::Element* paragraph : container->select("p")) {
        introduction += paragraph->text();
        introduction += '\n';
    }
    // Every paragraph ends its line; the last line end goes. A container without paragraphs gives "".
    if (!introduction.empty()) introduction.pop_back();
    return introduction;
}

}  // namespace novawick
