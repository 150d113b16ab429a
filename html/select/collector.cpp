// One iterative depth-first walk per collection; see traversal.h for why it needs no stack. The walk's
// context lets the evaluators share what they learn of the subtree between candidates.
#include "html/select/collector.h"

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/traversal.h"
#include "html/select/match_context.h"

namespace html {

Elements Collector::collect(const Evaluator& evaluator, const Element& root) {
    Elements found;
    MatchContext context(root, MatchContext::Scope::WholeSubtree);
    // The walk only reads; Elements hands out mutable pointers as the document's own lists do.
    forEachElement(const_cast<Element&>(root), [&](Element& element) {
        bool matched = false;
        try {
            matched = evaluator.matchesIn(context, element);
        } catch (const Exception& error) {
            if (endsSelection(error)) throw;
            matched = false;
        }
        if (matched) found.add(&element);
    });
    return found;
}

}  // namespace html
