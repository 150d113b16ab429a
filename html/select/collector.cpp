// One iterative depth-first walk per collection; see traversal.h for why it needs no stack.
#include "html/select/collector.h"

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/traversal.h"

namespace html {

Elements Collector::collect(const Evaluator& evaluator, const Element& root) {
    Elements found;
    // The walk only reads; Elements hands out mutable pointers as the document's own lists do.
    forEachElement(const_cast<Element&>(root), [&](Element& element) {
        bool matched = false;
        try {
            matched = evaluator.matches(root, element);
        } catch (const Exception& error) {
            if (endsSelection(error)) throw;
            matched = false;
        }
        if (matched) found.add(&element);
    });
    return found;
}

}  // namespace html
