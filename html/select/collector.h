// Collector: applies an evaluator to every element of a subtree, in document order.
#pragma once

#include "html/nodes/elements.h"
#include "html/select/evaluator.h"

namespace novawick::html {

class Element;

class Collector {
public:
    /// Every element of `root`'s subtree, `root` first, that `evaluator` matches with `root` as the
    /// query root. A matching step that raises the library's error counts as no match, except an
    /// error that ends the selection (a regular expression past its time limit), which passes on.
    static Elements collect(const Evaluator& evaluator, const Element& root);
};

}  // namespace novawick::html
