// The indexed stack of open elements; see the header for why positions are indexed.
#include "html/parser/tree_builder_open_elements.h"

#include <algorithm>
#include <bit>

#include "html/nodes/element.h"
#include "html/nodes/tag.h"

namespace novawick::html {
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

OpenElementStack::OpenElementStack() : byTableTag_(Tag::tableIndexLimit()) { entries_.reserve(kReserved); }

// Every parse clears the stack before and after: lists that were never used are passed over, so
// that clearing a fresh stack allocates nothing, and any grown list gives its memory back.
void OpenElementStack::clear() {
    const auto release = [](std::vector<uint32_t>& positions) {
        if (positions.capacity() != 0) std::vector<uint32_t>().swap(positions);
    };
    if (entries_.capacity() > kReserved) {
        entries_ = {};
        entries_.reserve(kReserved);
    } else {
        entries_.clear();
    }
    for (std::vector<uint32_t>& positions : byId_) release(positions);
    for (std::vector<uint32_t>& positions : byTableTag_) release(positions);
    if (!byOtherName_.empty()) byOtherName_ = {};
    for (std::vector<uint32_t>& positions : byKind_) release(positions);
    formattingOnStack_ = {};
}

std::vector<uint32_t>& OpenElementStack::positionsOfName(const Element& element, TagId id) {
    if (id != TagId::Other) return byId_[static_cast<std::size_t>(id)];
    const Tag& tag = element.tag();
    if (tag.isKnown()) return byTableTag_[tag.tableIndex()];
    return byOtherName_[tag.getName()];
}

OpenElementStack::Entry OpenElementStack::entryFor(Element* element) {
    const TagId id = element->tag().builderId();
    return Entry{element, &positionsOfName(*element, id), id};
}

void OpenElementStack::index(std::size_t position) {
    const auto value = static_cast<uint32_t>(position);
    const Entry& entry = entries_[position];
    entry.positions->push_back(value);
    for (unsigned kinds = kKindsOf[static_cast<std::size_t>(entry.id)]; kinds != 0; kinds &= kinds - 1) {
        byKind_[static_cast<std::size_t>(std::countr_zero(kinds))].push_back(value);
    }
}

void OpenElementStack::unindexTop() { unindexFrom(entries_.size() - 1); }

// Entries are unindexed from the top down, so each one's positions sit at the back of its lists.
void OpenElementStack::unindexFrom(std::size_t position) {
    for (std::size_t i = entries_.size(); i > position; --i) {
        const Entry& entry = entries_[i - 1];
        entry.positions->pop_back();
        for (unsigned kinds = kKindsOf[static_cast<std::size_t>(entry.id)]; kinds != 0; kinds &= kinds - 1) {
            byKind_[static_cast<std::size_t>(std::countr_zero(kinds))].pop_back();
        }
    }
}

void OpenElementStack::reindexFrom(std::size_t position) {
    for (std::size_t i = position; i < entries_.size(); ++i) index(i);
}

void OpenElementStack::push(Element* element) {
    entries_.push_back(entryFor(element));
    index(entries_.size() - 1);
    const TagId id = entries_.back().id;
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
    const Entry entry = entryFor(element);
    unindexFrom(position);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(position), entry);
    reindexFrom(position);
    const TagId id = entry.id;
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
    entries_[position] = entryFor(element);
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
    const Tag& tag = element->tag();
    const TagId id = tag.builderId();
    if (tags::kAdoptionTags.contains(id)) return formattingOnStack_.contains(element);
    const std::vector<uint32_t>* positions = nullptr;
    if (id != TagId::Other) {
        positions = &byId_[static_cast<std::size_t>(id)];
    } else if (tag.isKnown()) {
        positions = &byTableTag_[tag.tableIndex()];
    } else {
        const auto found = byOtherName_.find(tag.getName());
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
    const Tag::Found found = Tag::findWithBuilderId(name);
    return topmost(name, found.builderId, found.tag);
}

std::ptrdiff_t OpenElementStack::topmost(std::string_view name, TagId id, const Tag* known) const noexcept {
    if (id != TagId::Other) return topmost(id);
    if (known != nullptr) return backOf(byTableTag_[known->tableIndex()]);
    const auto found = byOtherName_.find(name);
    return found == byOtherName_.end() ? kNone : backOf(found->second);
}

std::ptrdiff_t OpenElementStack::topmost(StackKind kind) const noexcept {
    return backOf(byKind_[static_cast<std::size_t>(kind)]);
}

std::ptrdiff_t OpenElementStack::topmostOf(TagSet ids) const noexcept {
    std::ptrdiff_t best = kNone;
    ids.forEach([&](TagId id) {
        if (id != TagId::Other) best = std::max(best, backOf(byId_[static_cast<std::size_t>(id)]));
    });
    return best;
}

}  // namespace novawick::html
