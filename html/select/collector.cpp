// One iterative depth-first walk per collection; see traversal.h for why it needs no stack. When the
// evaluator shares work between candidates, the walk carries a context for it; otherwise each element
// is tested directly. The two walks are written out as separate functions: scraper queries take the
// direct one on every page, and any layer shared with the other walk costs its loop instructions.
#include "html/select/collector.h"

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/traversal.h"
#include "html/select/match_context.h"

namespace novawick::html {
// External linkage on purpose: as internal functions the compiler gives the direct walk's loop a
// worse register allocation.
namespace collector_detail {
Elements collectDirectly(const Evaluator& evaluator, const Element& root);
Elements collectSharingWork(const Evaluator& evaluator, const Element& root);

Elements collectDirectly(const Evaluator& evaluator, const Element& root) {
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

Elements collectSharingWork(const Evaluator& evaluator, const Element& root) {
    Elements found;
    MatchContext context(root);
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

}  // namespace collector_detail

Elements Collector::collect(const Evaluator& evaluator, const Element& root) {
    using namespace collector_detail;
    return evaluator.sharesWork() ? collectSharingWork(evaluator, root) : collectDirectly(evaluator, root);
}

}  // namespace novawick::html
