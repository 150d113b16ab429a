// The tag table and the lookup of names, both made at compile time from the rows that scripts/gen-tags
// writes from tags.txt: nothing is built at run time, so concurrent first use needs no guard. Every
// name, table tag or tree builder id or both, has one row, so one probe answers both questions.
#include "html/nodes/tag.h"

#include <array>
#include <string>
#include <utility>

#include "html/nodes/document.h"
#include "html/nodes/exception.h"
#include "html/nodes/tag_data.h"

namespace novawick::html {

namespace {

using tag_data::kRows;

constexpr std::uint8_t kNoTableIndex = 0xFF;

constexpr std::size_t countTableTags() {
    std::size_t count = 0;
    for (const tag_data::Row& row : kRows) count += (row.sets & (tag_data::kBlock | tag_data::kInline)) != 0;
    return count;
}
constexpr std::size_t kTableTagCount = countTableTags();

// The table index of each row's tag, in row order, or kNoTableIndex.
constexpr std::array<std::uint8_t, kRows.size()> makeTableIndexes() {
    std::array<std::uint8_t, kRows.size()> indexes{};
    std::uint8_t next = 0;
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        const bool inTable = (kRows[row].sets & (tag_data::kBlock | tag_data::kInline)) != 0;
        indexes[row] = inTable ? next++ : kNoTableIndex;
    }
    return indexes;
}
constexpr std::array<std::uint8_t, kRows.size()> kTableIndexOfRow = makeTableIndexes();
static_assert(kTableTagCount < kNoTableIndex);

// The lookup the parser makes for every tag: open addressing over a power-of-two table about four times
// the names, with a hash of the length and three bytes and a byte-wise compare, since general string
// hashing and memcmp calls showed up in profiles.
constexpr std::size_t kSlots = 512;
constexpr std::uint8_t kEmptySlot = 0xFF;
static_assert(kRows.size() < kEmptySlot && kRows.size() * 3 < kSlots);

constexpr std::size_t slotOf(std::string_view name) noexcept {
    const auto byte = [&name](std::size_t index) { return static_cast<std::size_t>(static_cast<unsigned char>(name[index])); };
    std::size_t hash = name.size() * 0x9E37u;
    hash ^= byte(0) * 0x3B;
    hash ^= byte(name.size() - 1) * 0x2F1;
    hash ^= byte(name.size() / 2) * 0x1D;
    return (hash ^ (hash >> 9)) & (kSlots - 1);
}

constexpr std::array<std::uint8_t, kSlots> makeSlots() {
    std::array<std::uint8_t, kSlots> slots{};
    for (auto& slot : slots) slot = kEmptySlot;
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        std::size_t slot = slotOf(kRows[row].name);
        while (slots[slot] != kEmptySlot) slot = (slot + 1) & (kSlots - 1);
        slots[slot] = static_cast<std::uint8_t>(row);
    }
    return slots;
}
constexpr std::array<std::uint8_t, kSlots> kSlotRows = makeSlots();

// Names are a few bytes long (ten at most today): a byte loop beats a call to memcmp.
inline bool sameName(std::string_view known, std::string_view name) noexcept {
    if (known.size() != name.size()) return false;
    for (std::size_t index = 0; index < name.size(); ++index) {
        if (known[index] != name[index]) return false;
    }
    return true;
}

constexpr std::size_t kNoRow = kRows.size();

// The row of exactly `name`, or kNoRow.
inline std::size_t rowOf(std::string_view name) noexcept {
    if (name.empty() || name.size() > tag_data::kLongestName) return kNoRow;
    for (std::size_t slot = slotOf(name);; slot = (slot + 1) & (kSlots - 1)) {
        const std::uint8_t row = kSlotRows[slot];
        if (row == kEmptySlot) return kNoRow;
        if (sameName(kRows[row].name, name)) return row;
    }
}

}  // namespace

struct TagTable {
    // A table tag: a block tag with every flag at its default, then each set of the row applied.
    static constexpr Tag fromRow(const tag_data::Row& row, std::uint16_t tableIndex) {
        Tag tag(row.name, true, row.id, tableIndex);
        if ((row.sets & tag_data::kInline) != 0) {
            tag.isBlock_ = false;
            tag.formatAsBlock_ = false;
            tag.canContainBlock_ = false;
        }
        if ((row.sets & tag_data::kEmpty) != 0) {
            tag.canContainBlock_ = false;
            tag.canContainInline_ = false;
            tag.empty_ = true;
        }
        if ((row.sets & tag_data::kFormatInline) != 0) tag.formatAsBlock_ = false;
        if ((row.sets & tag_data::kPreserveWhitespace) != 0) tag.preserveWhitespace_ = true;
        if ((row.sets & tag_data::kFormListed) != 0) tag.formList_ = true;
        if ((row.sets & tag_data::kFormSubmittable) != 0) tag.formSubmit_ = true;
        return tag;
    }

    template <std::size_t... Index>
    static constexpr std::array<Tag, kTableTagCount> build(std::index_sequence<Index...>) {
        return {fromRow(kRows[rowOfTableIndex(Index)], static_cast<std::uint16_t>(Index))...};
    }

    static constexpr std::size_t rowOfTableIndex(std::size_t tableIndex) {
        std::size_t row = 0;
        while (kTableIndexOfRow[row] != tableIndex) ++row;
        return row;
    }

    static constexpr Tag documentRoot() {
        Tag tag("#root", false, TagId::Other, 0);
        tag.isBlock_ = false;
        return tag;
    }
};

namespace {

constexpr std::array<Tag, kTableTagCount> kTags = TagTable::build(std::make_index_sequence<kTableTagCount>());
// Outside the table, shared by every document.
constexpr Tag kDocumentRoot = TagTable::documentRoot();

// The table's tag of a row, or nullptr.
inline const Tag* tableTagOf(std::size_t row) noexcept {
    const std::uint8_t index = kTableIndexOfRow[row];
    return index == kNoTableIndex ? nullptr : &kTags[index];
}

}  // namespace

const Tag* Tag::documentRootTag() noexcept { return &kDocumentRoot; }

const Tag* Tag::find(std::string_view name) noexcept {
    const std::size_t row = rowOf(name);
    return row == kNoRow ? nullptr : tableTagOf(row);
}

Tag::Found Tag::findWithBuilderId(std::string_view name) noexcept {
    const std::size_t row = rowOf(name);
    return row == kNoRow ? Found{nullptr, TagId::Other} : Found{tableTagOf(row), kRows[row].id};
}

TagId tagIdOf(std::string_view name) noexcept {
    const std::size_t row = rowOf(name);
    return row == kNoRow ? TagId::Other : kRows[row].id;
}

std::size_t Tag::knownTagCount() noexcept { return kTags.size(); }

std::size_t Tag::tableIndexLimit() noexcept { return kTags.size(); }

const Tag* const Tag::tableTags_ = kTags.data();

const Tag* Tag::valueOf(std::string_view name, const ParseSettings& settings, Document& owner) {
    if (const Tag* known = find(name)) return known;
    std::string normalised = settings.normalizeTag(name);
    requireNotEmpty(normalised);
    if (const Tag* known = find(normalised)) return known;
    return owner.createUnknownTag(normalised);
}

const Tag* Tag::valueOf(std::string_view name, Document& owner) {
    return valueOf(name, ParseSettings::preserveCase(), owner);
}

}  // namespace novawick::html
