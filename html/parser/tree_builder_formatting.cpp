// The indexed list of active formatting elements; see the header for why positions are indexed.
#include "html/parser/tree_builder_formatting.h"

#include <functional>
#include <string_view>

#include "html/nodes/attributes.h"
#include "html/nodes/element.h"
#include "html/nodes/tag.h"

namespace novawick::html {
namespace {

using std::uint32_t;
using std::uint64_t;

uint64_t mix(uint64_t value) noexcept {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    return value;
}

// Attribute order does not matter for equality, so the per-attribute hashes are summed.
uint64_t keyOf(const Element& element) {
    const std::hash<std::string_view> hash;
    uint64_t key = mix(hash(element.tagName()));
    for (const Attribute& attribute : element.attributes()) {
        key += mix(hash(attribute.key()) * 31 + hash(attribute.value()));
    }
    return key;
}

bool equalEntries(const Element& left, const Element& right) {
    return left.tagName() == right.tagName() && left.attributes() == right.attributes();
}

}  // namespace

ActiveFormattingElements::Entry ActiveFormattingElements::entryFor(Element* element) const {
    return Entry{element, hashed_ ? keyOf(*element) : 0, element->tag().builderId()};
}

void ActiveFormattingElements::startHashing() {
    hashed_ = true;
    for (std::size_t position = 0; position < entries_.size(); ++position) {
        Entry& entry = entries_[position];
        if (entry.element == nullptr) continue;
        entry.key = keyOf(*entry.element);
        byKey_[entry.key].push_back(static_cast<uint32_t>(position));
    }
}

std::ptrdiff_t ActiveFormattingElements::lastMarker() const noexcept {
    return markers_.empty() ? kNone : static_cast<std::ptrdiff_t>(markers_.back());
}

void ActiveFormattingElements::index(std::size_t position) {
    const auto value = static_cast<uint32_t>(position);
    const Entry& entry = entries_[position];
    if (entry.element == nullptr) {
        markers_.push_back(value);
        return;
    }
    byId_[static_cast<std::size_t>(entry.id)].push_back(value);
    if (hashed_) byKey_[entry.key].push_back(value);
}

void ActiveFormattingElements::unindexFrom(std::size_t position) {
    for (std::size_t i = entries_.size(); i > position; --i) {
        const Entry& entry = entries_[i - 1];
        if (entry.element == nullptr) {
            markers_.pop_back();
            continue;
        }
        byId_[static_cast<std::size_t>(entry.id)].pop_back();
        if (!hashed_) continue;
        auto bucket = byKey_.find(entry.key);
        bucket->second.pop_back();
        if (bucket->second.empty()) byKey_.erase(bucket);
    }
}

void ActiveFormattingElements::reindexFrom(std::size_t position) {
    for (std::size_t i = position; i < entries_.size(); ++i) index(i);
}

// Noah's Ark: walking back to the last marker, the third entry equal to the incoming one goes.
void ActiveFormattingElements::dropEarliestOfEqualEntries(const Entry& incoming) {
    if (!hashed_) {
        // Fewer than kHashedFrom entries: equal ones share the name, so the name is compared first.
        std::size_t equal = 0;
        for (std::size_t position = entries_.size(); position > 0; --position) {
            const Entry& entry = entries_[position - 1];
            if (entry.element == nullptr) return;
            if (entry.id != incoming.id || !equalEntries(*entry.element, *incoming.element)) continue;
            if (++equal == kNoahsArkLimit) {
                removeAt(position - 1);
                return;
            }
        }
        return;
    }
    const auto bucket = byKey_.find(incoming.key);
    if (bucket == byKey_.end()) return;
    const std::ptrdiff_t marker = lastMarker();
    std::size_t equal = 0;
    const std::vector<uint32_t>& positions = bucket->second;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        if (static_cast<std::ptrdiff_t>(*it) <= marker) return;
        if (!equalEntries(*entries_[*it].element, *incoming.element)) continue;
        if (++equal == kNoahsArkLimit) {
            removeAt(*it);
            return;
        }
    }
}

void ActiveFormattingElements::push(Element* element) {
    if (!hashed_ && entries_.size() + 1 >= kHashedFrom) startHashing();
    const Entry entry = entryFor(element);
    dropEarliestOfEqualEntries(entry);
    entries_.push_back(entry);
    index(entries_.size() - 1);
    members_.insert(element);
}

void ActiveFormattingElements::pushMarker() {
    entries_.push_back(Entry{nullptr, 0, TagId::Other});
    index(entries_.size() - 1);
}

void ActiveFormattingElements::clearToLastMarker() {
    while (!entries_.empty()) {
        const bool wasMarker = entries_.back().element == nullptr;
        removeAt(entries_.size() - 1);
        if (wasMarker) return;
    }
}

std::ptrdiff_t ActiveFormattingElements::lastNamedAfterMarker(TagId id) const noexcept {
    const std::vector<uint32_t>& positions = byId_[static_cast<std::size_t>(id)];
    if (positions.empty()) return kNone;
    const auto last = static_cast<std::ptrdiff_t>(positions.back());
    return last > lastMarker() ? last : kNone;
}

std::ptrdiff_t ActiveFormattingElements::positionOf(const Element* element) const noexcept {
    if (!members_.contains(element)) return kNone;
    const std::vector<uint32_t>& positions = byId_[static_cast<std::size_t>(element->tag().builderId())];
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        if (entries_[*it].element == element) return static_cast<std::ptrdiff_t>(*it);
    }
    return kNone;
}

void ActiveFormattingElements::removeAt(std::size_t position) {
    Element* element = entries_[position].element;
    unindexFrom(position);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    reindexFrom(position);
    if (element != nullptr) members_.erase(element);
    if (entries_.empty()) hashed_ = false;
}

bool ActiveFormattingElements::remove(const Element* element) {
    const std::ptrdiff_t position = positionOf(element);
    if (position == kNone) return false;
    removeAt(static_cast<std::size_t>(position));
    return true;
}

void ActiveFormattingElements::replaceAt(std::size_t position, Element* element) {
    Element* old = entries_[position].element;
    const Entry entry = entryFor(element);
    const Entry& current = entries_[position];
    if (old != nullptr && entry.key == current.key && entry.id == current.id) {
        // Reconstruction replaces entries by copies: the indexes stay as they are.
        entries_[position].element = element;
    } else {
        unindexFrom(position);
        entries_[position] = entry;
        reindexFrom(position);
    }
    if (old != nullptr) members_.erase(old);
    members_.insert(element);
}

}  // namespace novawick::html
