// Small documents for selector tests, written as strict markup so that a test shows its tree at a
// glance: <tag key="value" flag>...</tag>, <tag/> for an empty element, <!--c--> for a comment,
// everything else text. No entities, no implied tags: the tree is exactly what is written, built with
// the document model's factories (independent of the HTML parser).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "html/nodes/nodes.h"

namespace selector_test {

/// A document whose top-level nodes are those of `markup`. Malformed markup fails the calling test.
std::unique_ptr<novawick::html::Document> buildTree(std::string_view markup);

/// A compact description of a result: each element's id, or its tag name when it has none, joined
/// by single spaces.
std::string describe(const novawick::html::Elements& elements);

}  // namespace selector_test
