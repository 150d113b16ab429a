#include "pages/page.h"

#include "base/utf8.h"
#include "html/parser/parser.h"
#include "pages/errors.h"

namespace novawick::pages {

Page checkedPage(const Url& address, const net::Response& response) {
    if (response.status != 200) throw EmptyError(address.text(), statusCause(response.status));
    // The parser is handed the validated text, so it does not check the body a second time.
    const std::optional<utf8::ValidText> text = utf8::validate(response.body);
    if (!text) throw EmptyError(address.text(), std::string(kNotUtf8Cause));
    Page page;
    page.document = html::parse(*text);
    page.body = page.document->body();
    if (page.body == nullptr) throw EmptyError(address.text(), std::string(kNoBodyCause));
    return page;
}

}  // namespace novawick::pages
