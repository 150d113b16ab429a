#include "pages/page.h"

#include "html/parser/parser.h"
#include "net/utf8.h"
#include "pages/errors.h"

namespace novawick::pages {

Page checkedPage(const Url& address, const net::Response& response) {
    if (response.status != 200) throw EmptyError(address.text(), statusCause(response.status));
    if (!net::isValidUtf8(response.body)) throw EmptyError(address.text(), std::string(kNotUtf8Cause));
    Page page;
    page.document = html::parse(response.body);
    page.body = page.document->body();
    if (page.body == nullptr) throw EmptyError(address.text(), std::string(kNoBodyCause));
    return page;
}

}  // namespace novawick::pages
