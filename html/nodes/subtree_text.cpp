// One walk builds the root's text exactly as `Element::text` does and notes where each element's part
// ends. Besides, every element whose own text is still white space only sits in one of five groups, by
// what its own accumulation holds at that point (see `Lead`). A text node or a separation moves whole
// groups at once, and the first byte that is not white space settles every waiting element together,
// so the bookkeeping costs a constant per element and per node.
#include "html/nodes/subtree_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "base/utf8.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/string_util.h"
#include "html/nodes/text_accumulator.h"
#include "html/nodes/traversal.h"

namespace novawick::html {
namespace {

std::size_t firstNonWhitespaceByte(std::string_view text) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isWhitespaceByte(text[i])) return i;
    }
    return std::string_view::npos;
}

}  // namespace

SubtreeText::SubtreeText(const Element& root) {
    std::vector<std::size_t> open;
    traverse(
        const_cast<Element&>(root),
        [&](Node& node, std::size_t) {
            enter(node);
            if (node.isElement()) open.push_back(records_.size() - 1);
        },
        [&](Node& node, std::size_t) {
            if (!node.isElement()) return;
            records_[open.back()].end = accumulator_.text.size();
            open.pop_back();
        });

    text_ = std::move(accumulator_.text);
    exact_ = text_.size() < static_cast<std::size_t>(INT32_MAX) && novawick::utf8::isValid(text_);
    if (exact_) spans_.assign(records_.size(), Span{kNone, kNone});
}

SubtreeText::Span SubtreeText::spanFor(const Record& record) {
    if (record.content == std::string::npos || record.content >= record.end) return Span{record.end, record.end};
    std::size_t begin = record.content;
    if (record.before == Before::OneSpace || record.before == Before::EndsWithSpace) {
        // The ancestors' text always has that space too, just before the same byte; were it not there,
        // the element would have no span (kNone again).
        if (begin == 0 || text_[begin - 1] != ' ') return Span{kNone, kNone};
        --begin;
    }
    // White space longer than one space starts with a character that sets trimming off.
    const bool stripping = record.before == Before::EndsWithSpace || record.before == Before::EndsWithOtherWhitespace;
    return trimmed(begin, record.end, stripping);
}

std::optional<SubtreeText::Span> SubtreeText::spanOf(const Element& element) {
    if (!exact_) return std::nullopt;
    const std::size_t* record = index_.find(&element);
    if (record == nullptr) return std::nullopt;
    Span& span = spans_[*record];
    if (span.begin == kNone) span = spanFor(records_[*record]);
    if (span.begin == kNone) return std::nullopt;
    return span;
}

std::optional<std::string_view> SubtreeText::textOf(const Element& element) {
    const std::optional<Span> span = spanOf(element);
    if (!span) return std::nullopt;
    return std::string_view(text_).substr(span->begin, span->end - span->begin);
}

// The steps of `Element::text`, plus what each one does to the waiting elements.
void SubtreeText::enter(const Node& node) {
    switch (node.kind()) {
    case NodeKind::Text: {
        const auto& textNode = static_cast<const TextNode&>(node);
        const std::string_view raw = textNode.getWholeText();
        const std::size_t position = accumulator_.text.size();
        if (detail::keepsWhitespace(textNode.parentNode())) {
            accumulator_.appendRaw(raw);
            piece(raw, position, false, true);
            return;
        }
        const bool stripLeading = endsWithSpaceCharacter(accumulator_.text);
        appendNormalisedWhitespace(accumulator_.text, raw, stripLeading);
        // A leading run of white space comes out as one space unless the text so far ends with one; an
        // element's own accumulation decides that for itself.
        const bool leadingRun = whitespaceLengthAt(raw, 0) > 0;
        const std::size_t shared = position + (leadingRun && !stripLeading ? 1 : 0);
        piece(std::string_view(accumulator_.text).substr(shared), shared, leadingRun, false);
        return;
    }
    case NodeKind::Element:
    case NodeKind::Document:
    case NodeKind::FormElement: {
        const auto& element = static_cast<const Element&>(node);
        if (detail::separatesText(element)) {
            if (!accumulator_.isEmpty()) accumulator_.separate();
            separate();
        }
        index_[&element] = records_.size();
        records_.push_back(Record{});
        const std::size_t record = records_.size() - 1;
        append(pending_[static_cast<std::size_t>(Lead::Empty)], record, record);
        return;
    }
    case NodeKind::Data:
    case NodeKind::Comment:
    case NodeKind::DocumentType:
    case NodeKind::XmlDeclaration: return;
    }
}

// A block or `br`: an accumulation that holds anything and does not end with a space gains one.
void SubtreeText::separate() {
    const auto move = [this](Lead from, Lead to) {
        Group& group = pending_[static_cast<std::size_t>(from)];
        append(pending_[static_cast<std::size_t>(to)], group.head, group.tail);
        group = Group{};
    };
    move(Lead::PieceOnly, Lead::OneSpace);
    move(Lead::EndsWithOtherWhitespace, Lead::EndsWithSpace);
}

// Text appended for one node: `rest` at `restPosition`, which every waiting element gets too, after a
// space of its own when `leadingSpace` (the node began with white space) and it does not end with one.
// Text kept as written counts as a piece even when empty.
void SubtreeText::piece(std::string_view rest, std::size_t restPosition, bool leadingSpace, bool kept) {
    const std::size_t content = firstNonWhitespaceByte(rest);
    const std::size_t white = content == std::string_view::npos ? rest.size() : content;
    std::array<Group, kLeads> moved{};
    for (std::size_t lead = 0; lead < kLeads; ++lead) {
        Group& group = pending_[lead];
        if (group.head == kNone) continue;
        const auto current = static_cast<Lead>(lead);
        const bool holdsSome = current != Lead::Empty && current != Lead::PieceOnly;
        const bool endsWithSpace = current == Lead::OneSpace || current == Lead::EndsWithSpace;
        // What this element's own accumulation gains before `content`: maybe a space, then rest's start.
        const bool ownSpace = leadingSpace && !endsWithSpace;
        const std::size_t gained = (ownSpace ? 1 : 0) + white;
        const bool gainsOneSpace = gained == 1 && (ownSpace || rest[0] == ' ');
        const bool nowEndsWithSpace = gained == 0 ? endsWithSpace : white == 0 || rest[white - 1] == ' ';
        Lead next = current;
        if (gained > 0) {
            if (!holdsSome && gainsOneSpace) {
                next = Lead::OneSpace;
            } else {
                next = nowEndsWithSpace ? Lead::EndsWithSpace : Lead::EndsWithOtherWhitespace;
            }
        } else if (kept && current == Lead::Empty) {
            next = Lead::PieceOnly;
        }
        if (content == std::string_view::npos) {
            append(moved[static_cast<std::size_t>(next)], group.head, group.tail);
            continue;
        }
        Before before = Before::Nothing;
        if (next == Lead::OneSpace) {
            before = Before::OneSpace;
        } else if (next == Lead::EndsWithSpace) {
            before = Before::EndsWithSpace;
        } else if (next == Lead::EndsWithOtherWhitespace) {
            before = Before::EndsWithOtherWhitespace;
        }
        settle(group.head, restPosition + content, before);
    }
    pending_ = moved;
}

void SubtreeText::settle(std::size_t head, std::size_t content, Before before) {
    for (std::size_t record = head; record != kNone;) {
        const std::size_t next = records_[record].next;
        records_[record].content = content;
        records_[record].before = before;
        records_[record].next = kNone;
        record = next;
    }
}

void SubtreeText::append(Group& group, std::size_t head, std::size_t tail) {
    if (head == kNone) return;
    if (group.head == kNone) {
        group.head = head;
    } else {
        records_[group.tail].next = head;
    }
    group.tail = tail;
}

// `trim` applied to text_[begin, end), or its stripping alone when `stripping` (the element's own
// text had white space before `begin` that set it off), with long stretches taken from the runs.
SubtreeText::Span SubtreeText::trimmed(std::size_t begin, std::size_t end, bool stripping) {
    const std::string_view view = std::string_view(text_).substr(begin, end - begin);
    if (!stripping && !trimTouchesEnds(view)) return Span{begin, end};
    // Past a run's last character, a mark outside the view no longer joins it; at the view's start,
    // no prepended mark before it does. Either way one more character may go.
    std::size_t front = std::min(forwardStop(begin), end);
    while (front < end) {
        const std::size_t length = trimmableLengthAt(view, front - begin);
        if (length == 0) break;
        front += length;
    }
    std::size_t back = std::max(backwardStop(end), front);
    while (back > front) {
        const std::size_t length = trimmableLengthBefore(view, front - begin, back - begin);
        if (length == 0) break;
        back -= length;
    }
    return Span{front, back};
}

// Where stripping from the front, starting at `position`, stops in the whole text.
std::size_t SubtreeText::forwardStop(std::size_t position) {
    if (auto after = forwardRuns_.upper_bound(position); after != forwardRuns_.begin()) {
        if (const auto& [start, stop] = *std::prev(after); position < stop) return stop;
    }
    std::size_t at = position;
    while (at < text_.size()) {
        if (const auto known = forwardRuns_.find(at); known != forwardRuns_.end()) {
            at = known->second;
            break;
        }
        const std::size_t length = trimmableLengthAt(text_, at);
        if (length == 0) break;
        at += length;
    }
    if (at > position) forwardRuns_.emplace(position, at);
    return at;
}

// Where stripping from the back, starting at `position`, stops in the whole text.
std::size_t SubtreeText::backwardStop(std::size_t position) {
    if (const auto known = backwardRuns_.lower_bound(position); known != backwardRuns_.end()) {
        if (known->second < position) return known->second;
    }
    std::size_t at = position;
    while (at > 0) {
        if (const auto known = backwardRuns_.find(at); known != backwardRuns_.end()) {
            at = known->second;
            break;
        }
        const std::size_t length = trimmableLengthBefore(text_, 0, at);
        if (length == 0) break;
        at -= length;
    }
    if (at < position) backwardRuns_.emplace(position, at);
    return at;
}

}  // namespace novawick::html
