// Selection entry points, including the Element and Elements members declared by the document model.
#include "html/select/selector.h"

#include <unordered_set>

#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"
#include "html/select/collector.h"
#include "html/select/query_parser.h"

namespace novawick::html {

Elements select(const Element& root, std::string_view query) {
    std::string_view trimmed = trim(query);
    requireNotEmpty(trimmed);
    EvaluatorPtr evaluator = QueryParser::parse(trimmed);
    return Collector::collect(*evaluator, root);
}

Elements select(const Elements& roots, std::string_view query) {
    requireNotEmpty(query);
    EvaluatorPtr evaluator = QueryParser::parse(query);
    Elements result;
    // Identity set instead of a scan of the result: same order and content, linear time.
    std::unordered_set<const Element*> seen;
    for (const Element* root : roots) {
        for (Element* found : Collector::collect(*evaluator, *root)) {
            if (seen.insert(found).second) result.add(found);
        }
    }
    return result;
}

Elements select(const Evaluator& evaluator, const Element& root) { return Collector::collect(evaluator, root); }

bool is(const Element& element, std::string_view query) {
    EvaluatorPtr evaluator = QueryParser::parse(query);
    return is(element, *evaluator);
}

bool is(const Element& element, const Evaluator& evaluator) {
    const Node* top = &element;
    while (top->parentNode() != nullptr) top = top->parentNode();
    if (top->kind() != NodeKind::Document) return false;
    try {
        return evaluator.matches(*top->asElement(), element);
    } catch (const Exception& error) {
        if (endsSelection(error)) throw;
        return false;
    }
}

Elements Element::select(std::string_view query) const { return html::select(*this, query); }

bool Element::is(std::string_view query) const { return html::is(*this, query); }

Elements Elements::select(std::string_view query) const { return html::select(*this, query); }

}  // namespace novawick::html
