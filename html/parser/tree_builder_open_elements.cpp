// The indexed stack of open elements; see the header for why positions are indexed.
#include "html/parser/tree_builder_open_elements.h"

#include <algorithm>

#include "html/nodes/element.h"

namespace html {
namespace {

using std::uint32_t;

constexpr std::array<TagSet, kStackKindCount> kKindMembers = {
    tags::kDefaultScopeStops,
    tags::kDefaultScopeStops | tags::kListItemScopeExtras,
    tags::kDefaultScopeStops | tags::kButtonScopeExtras,
    tags::kTableScopeStops,
    TagSet{},  // SelectScopeStop is "not optgroup or option", decided in kindsOf
    tags::kSpecialTags,
    tags::kSpecialTags.without(tags::kListWalkExceptions),
    tags::kResetModeTags,
};

// Bit i set when an element with this id belongs to StackKind i.
constexpr std::array<std::uint8_t, kTagIdCount> makeKindTable() {
    std::array<std::uint8_t, kTagIdCount> table{};
    for (std::size_t id = 0; id < kTagIdCount; ++id) {
        const auto tag = static_cast<TagId>(id);
        std::uint8_t bits = 0;
        for (std::size_t kind = 0; kind < kStackKindCount; ++kind) {
            if (kKindMembers[kind].contains(tag)) bits |= static_cast<std::uint8_t>(1U << kind);
        }
        if (!tags::kSelectScopeTags.contains(tag)) {
            bits |= static_cast<std::uint8_t>(1U << static_cast<unsigned>(StackKind::SelectScopeStop));
        }
        table[id] = bits;
    }
    return table;
}
constexpr std::array<std::uint8_t, kTagIdCount> kKindsOf = makeKindTable();

std::ptrdiff_t backOf(const std::vector<uint32_t>& positions) noexcept {
    return positions.empty() ? OpenElementStack::kNone : static_cast<std::ptrdiff_t>(positions.back());
}

}  // namespace

OpenElementStack::OpenElementStack() { entries_.reserve(64); }

std::vector<uint32_t>& OpenElementStack::positionsOfName(std::size_t position) {
    const Entry& entry = entries_[position];
    if (entry.id != TagId::Other) return byId_[static_cast<std::size_t>(entry.id)];
    return byOtherName_[entry.element->tagName()];
}

void OpenElementStack::index(std::size_t position) {
    const auto value = static_cast<uint32_t>(position);
    positionsOfName(position).push_back(value);
    const std::uint8_t kinds = kKindsOf[static_cast<std::size_t>(entries_[position].id)];
    for (std::size_t kind = 0; kind < kStackKindCount; ++kind) {
        if (kinds & (1U << kind)) byKind_[kind].push_back(value);
    }
}

void OpenElementStack::unindexTop() {
    const std::size_t position = entries_.size() - 1;
    positionsOfName(position).pop_back();
    const std::uint8_t kinds = kKindsOf[static_cast<std::size_t>(entries_[position].id)];
    for (std::size_t kind = 0; kind < kStackKindCount; ++kind) {
        if (kinds & (1U << kind)) byKind_[kind].pop_back();
    }
}

// Entries are unindexed from the top down, so each one's positions sit at the back of its lists.
void OpenElementStack::unindexFrom(std::size_t position) {
    for (std::size_t i = entries_.size(); i > position; --i) {
        const std::size_t at = i - 1;
        positionsOfName(at).pop_back();
        const std::uint8_t kinds = kKindsOf[static_cast<std::size_t>(entries_[at].id)];
        for (std::size_t kind = 0; kind < kStackKindCount; ++kind) {
            if (kinds & (1U << kind)) byKind_[kind].pop_back();
        }
    }
}

void OpenElementStack::reindexFrom(std::size_t position) {
    for (std::size_t i = position; i < entries_.size(); ++i) index(i);
}

void OpenElementStack::push(Element* element) {
    const TagId id = tagIdOf(element->tagName());
    entries_.push_back(Entry{element, id});
    index(entries_.size() - 1);
    if (tags::kAdoptionTags.contains(id)) formattingOnStack_.insert(element);
}

Element* OpenElementStack::pop() {
    unindexTop();
    const Entry top = entries_.back();
    entries_.pop_back();
    if (tags::kAdoptionTags.contains(top.id)) formattingOnStack_.erase(top.element);
    return top.element;
}

void OpenElementStack::insertAt(std::size_t position, Element* element) {
    if (position >= entries_.size()) {
        push(element);
        return;
    }
    const TagId id = tagIdOf(element->tagName());
    unindexFrom(position);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(position), Entry{element, id});
    reindexFrom(position);
    if (tags::kAdoptionTags.contains(id)) formattingOnStack_.insert(element);
}

void OpenElementStack::eraseAt(std::size_t position) {
    if (position + 1 == entries_.size()) {
        pop();
        return;
    }
    const Entry erased = entries_[position];
    unindexFrom(position);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    reindexFrom(position);
    if (tags::kAdoptionTags.contains(erased.id)) formattingOnStack_.erase(erased.element);
}

void OpenElementStack::replaceAt(std::size_t position, Element* element) {
    const Entry old = entries_[position];
    unindexFrom(position);
    entries_[position] = Entry{element, tagIdOf(element->tagName())};
    reindexFrom(position);
    if (tags::kAdoptionTags.contains(old.id)) formattingOnStack_.erase(old.element);
    if (tags::kAdoptionTags.contains(entries_[position].id)) formattingOnStack_.insert(element);
}

bool OpenElementStack::remove(const Element* element) {
    const std::ptrdiff_t position = positionOf(element);
    if (position == kNone) return false;
    eraseAt(static_cast<std::size_t>(position));
    return true;
}

std::ptrdiff_t OpenElementStack::positionOf(const Element* element) const noexcept {
    for (std::size_t i = entries_.size(); i > 0; --i) {
        if (entries_[i - 1].element == element) return static_cast<std::ptrdiff_t>(i - 1);
    }
    return kNone;
}

bool OpenElementStack::contains(const Element* element) const noexcept {
    const TagId id = tagIdOf(element->tagName());
    if (tags::kAdoptionTags.contains(id)) return formattingOnStack_.contains(element);
    const std::vector<uint32_t>* positions = nullptr;
    if (id != TagId::Other) {
        positions = &byId_[static_cast<std::size_t>(id)];
    } else {
        const auto found = byOtherName_.find(element->tagName());
        if (found == byOtherName_.end()) return false;
        positions = &found->second;
    }
    return std::any_of(positions->rbegin(), positions->rend(),
                       [&](uint32_t position) { return entries_[position].element == element; });
}

std::ptrdiff_t OpenElementStack::topmost(TagId id) const noexcept {
    if (id == TagId::Other) return kNone;
    return backOf(byId_[static_cast<std::size_t>(id)]);
}

std::ptrdiff_t OpenElementStack::topmost(std::string_view name) const noexcept {
    const TagId id = tagIdOf(name);
    if (id != TagId::Other) return topmost(id);
    const auto found = byOtherName_.find(name);
    return found == byOtherName_.end() ? kNone : backOf(found->second);
}

std::ptrdiff_t OpenElementStack::topmost(StackKind kind) const noexcept {
    return backOf(byKind_[static_cast<std::size_t>(kind)]);
}

std::ptrdiff_t OpenElementStack::topmostOf(TagSet ids) const noexcept {
    std::ptrdiff_t best = kNone;
    for (std::size_t id = 0; id < kNamedTagCount; ++id) {
        if (ids.contains(static_cast<TagId>(id))) best = std::max(best, backOf(byId_[id]));
    }
    return best;
}

}  // namespace html
