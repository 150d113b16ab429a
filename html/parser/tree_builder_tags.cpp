// Name-to-id lookup for the tree builder, asked for once or more per token and per open element, so it
// must cost a handful of instructions: an open-addressed hash table built at compile time from the name
// list, probed with a hash of the length and three bytes, confirmed by one short compare.
#include "html/parser/tree_builder_tags.h"

#include <array>
#include <cstdint>

namespace html {
namespace {

constexpr std::size_t kSlots = 512;  // a power of two, about four times the names: probes stay short
constexpr std::uint8_t kEmptySlot = 0xFF;
constexpr std::size_t kLongestName = 10;  // "blockquote", "figcaption"
static_assert(kNamedTagCount < kEmptySlot);

constexpr std::size_t slotOf(std::string_view name) noexcept {
    const auto byte = [&name](std::size_t index) { return static_cast<std::size_t>(static_cast<unsigned char>(name[index])); };
    std::size_t hash = name.size() * 0x9E37u;
    hash ^= byte(0) * 0x3B;
    hash ^= byte(name.size() - 1) * 0x2F1;
    hash ^= byte(name.size() / 2) * 0x1D;
    return (hash ^ (hash >> 9)) & (kSlots - 1);
}

constexpr std::array<std::uint8_t, kSlots> buildTable() {
    std::array<std::uint8_t, kSlots> table{};
    for (auto& slot : table) slot = kEmptySlot;
    for (std::size_t id = 0; id < kNamedTagCount; ++id) {
        std::size_t slot = slotOf(kTagIdNames[id]);
        while (table[slot] != kEmptySlot) slot = (slot + 1) & (kSlots - 1);
        table[slot] = static_cast<std::uint8_t>(id);
    }
    return table;
}

constexpr std::array<std::uint8_t, kSlots> kTable = buildTable();

constexpr bool namesFitTheFilter() {
    for (std::string_view name : kTagIdNames) {
        if (name.empty() || name.size() > kLongestName) return false;
    }
    return true;
}
static_assert(namesFitTheFilter());

// Names are at most ten bytes: a byte loop beats a call to memcmp.
inline bool sameName(std::string_view known, std::string_view name) noexcept {
    if (known.size() != name.size()) return false;
    for (std::size_t index = 0; index < name.size(); ++index) {
        if (known[index] != name[index]) return false;
    }
    return true;
}

}  // namespace

TagId tagIdOf(std::string_view name) noexcept {
    if (name.empty() || name.size() > kLongestName) return TagId::Other;
    for (std::size_t slot = slotOf(name);; slot = (slot + 1) & (kSlots - 1)) {
        const std::uint8_t id = kTable[slot];
        if (id == kEmptySlot) return TagId::Other;
        if (sameName(kTagIdNames[id], name)) return static_cast<TagId>(id);
    }
}

}  // namespace html
