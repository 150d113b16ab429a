// The entry points of the selector engine: run a CSS query over one element or over a list of them,
// and test a single element. `Element::select`, `Element::is` and `Elements::select` forward here.
//
// Every call parses its query again; nothing is cached between selections.
#pragma once

#include <string_view>

#include "html/nodes/elements.h"
#include "html/select/evaluator.h"

namespace novawick::html {

class Element;

/// Elements of `root`'s subtree matching `query`, in document order. The query is trimmed first; an
/// empty one raises "String must not be empty".
Elements select(const Element& root, std::string_view query);
/// Matches of `query` under each root in turn, each element listed once at its first position. The
/// query is not trimmed and must not be empty.
Elements select(const Elements& roots, std::string_view query);
/// Elements of `root`'s subtree matching `evaluator`.
Elements select(const Evaluator& evaluator, const Element& root);
/// True when `element` matches `query` with its document as the root; false outside a document.
/// Like a selection, raises RegexTimeoutException when a regular expression runs past its limit.
bool is(const Element& element, std::string_view query);
bool is(const Element& element, const Evaluator& evaluator);

/// The same operations under the names the query language's documentation uses.
class CssSelector {
public:
    static Elements select(std::string_view query, const Element& root) { return html::select(root, query); }
    static Elements select(const Evaluator& evaluator, const Element& root) { return html::select(evaluator, root); }
    static Elements select(std::string_view query, const Elements& roots) { return html::select(roots, query); }
};

}  // namespace novawick::html
