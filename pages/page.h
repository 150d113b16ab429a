// The checks every page of a site passes before a scraper reads it: status 200, strict UTF-8, an HTML
// parse, a body element. Both site clients read pages this way, so an unusable answer fails alike in each.
#pragma once

#include "html/nodes/document.h"
#include "net/transport.h"
#include "net/url.h"

#include <memory>

namespace novawick::pages {

/// A page that passed the checks; the document lives as long as the page.
struct Page {
    std::unique_ptr<html::Document> document;
    html::Element* body = nullptr;
};

/// Status exactly 200, strict UTF-8, parse, body element; otherwise `EmptyError` naming `address`, the
/// page that was asked for.
Page checkedPage(const Url& address, const net::Response& response);

}  // namespace novawick::pages
