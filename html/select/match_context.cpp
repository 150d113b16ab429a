// The shared text of a selection, its lower-case copy, and when to build it.
#include "html/select/match_context.h"

#include <algorithm>

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/edits.h>

#include "base/utf8.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/string_util.h"
#include "html/nodes/traversal.h"

namespace novawick::html {

LowerCaseText::LowerCaseText(std::string_view text) {
    if (novawick::utf8::isAscii(text)) {
        lower_ = toLowerCase(text);
        return;
    }
    hasCapitalSigma_ = text.find("\xCE\xA3") != std::string_view::npos;
    // The same mapping as `toLowerCase` (root locale, full mappings), with the edits it made.
    icu::StringByteSink<std::string> sink(&lower_, static_cast<int32_t>(text.size()));
    icu::Edits edits;
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8ToLower("", 0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink, &edits,
                              status);
    icu::Edits::Iterator change = edits.getFineChangesIterator();
    while (change.next(status)) {
        if (change.oldLength() == change.newLength()) continue;
        const auto end = static_cast<std::size_t>(change.sourceIndex() + change.oldLength());
        const auto shift = static_cast<std::ptrdiff_t>(change.destinationIndex() + change.newLength()) -
                           static_cast<std::ptrdiff_t>(end);
        shifts_.emplace_back(end, shift);
    }
    complete_ = U_SUCCESS(status);
}

std::size_t LowerCaseText::placeOf(std::size_t position) const noexcept {
    auto after = std::upper_bound(shifts_.begin(), shifts_.end(), position,
                                  [](std::size_t value, const auto& shift) { return value < shift.first; });
    if (after == shifts_.begin()) return position;
    return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(position) + std::prev(after)->second);
}

bool MatchContext::buildsTextAlone(const Element& element) {
    if (textAloneLeft_ == 0) return false;
    std::size_t cost = 0;
    forEachNode(const_cast<Element&>(element), [&](Node& node) {
        cost += 1 + (node.kind() == NodeKind::Text ? static_cast<const TextNode&>(node).getWholeText().size() : 0);
        return cost > textAloneLeft_ ? WalkStep::Stop : WalkStep::Continue;
    });
    if (cost > textAloneLeft_) {
        textAloneLeft_ = 0;
        return false;
    }
    textAloneLeft_ -= cost;
    return true;
}

SubtreeText& MatchContext::text() {
    if (text_ == nullptr) text_ = std::make_unique<SubtreeText>(root_);
    return *text_;
}

const LowerCaseText& MatchContext::lowerCaseText() {
    if (lowerCaseText_ == nullptr) lowerCaseText_ = std::make_unique<LowerCaseText>(text().text());
    return *lowerCaseText_;
}

}  // namespace novawick::html
