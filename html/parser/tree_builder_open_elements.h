// The stack of open elements, with indexes that answer the builder's questions in constant time.
//
// Tree construction keeps asking "where is the topmost element named X" and "where is the topmost
// element of kind K" (a scope boundary, a special element). Walking the stack for each answer makes
// deep documents quadratic: 200,000 nested divs each ask whether a `p` is in button scope. So every
// name and every kind keeps the ascending list of stack positions holding it; the answer is the back
// of one list. Pushes and pops touch only list backs. A change in the middle of the stack (rare: the
// adoption agency, a form end tag) unindexes the entries above it and indexes them again, which costs
// what moving those entries costs anyway.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "html/parser/pointer_set.h"
#include "html/parser/tree_builder_tags.h"

namespace novawick::html {

class Element;
class Tag;

/// Kinds of element whose topmost stack position the builder looks up.
enum class StackKind : std::uint8_t {
    DefaultScopeStop,   // ends the default scope
    ListItemScopeStop,  // ends list-item scope
    ButtonScopeStop,    // ends button scope
    TableScopeStop,     // ends table scope
    SelectScopeStop,    // anything but optgroup and option
    Special,            // special elements
    ListWalkStop,       // special elements other than address, div, p
    ResetMode,          // elements that decide the insertion mode on a reset
};
inline constexpr std::size_t kStackKindCount = 8;

class OpenElementStack {
public:
    /// Position meaning "none"; every real position compares greater.
    static constexpr std::ptrdiff_t kNone = -1;

    OpenElementStack();
    // Entries point into the stack's own lists: it is neither copied nor moved, only cleared.
    OpenElementStack(const OpenElementStack&) = delete;
    OpenElementStack& operator=(const OpenElementStack&) = delete;

    /// Empties the stack and gives back the memory of its indexes.
    void clear();

    std::size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }
    Element* at(std::size_t position) const noexcept { return entries_[position].element; }
    TagId idAt(std::size_t position) const noexcept { return entries_[position].id; }
    /// The top element, or nullptr when the stack is empty.
    Element* current() const noexcept { return entries_.empty() ? nullptr : entries_.back().element; }
    TagId currentId() const noexcept { return entries_.empty() ? TagId::Other : entries_.back().id; }
    Element* bottom() const noexcept { return entries_.empty() ? nullptr : entries_.front().element; }

    void push(Element* element);
    /// Removes and returns the top element (the stack must not be empty).
    Element* pop();
    void insertAt(std::size_t position, Element* element);
    void eraseAt(std::size_t position);
    void replaceAt(std::size_t position, Element* element);
    /// Removes `element` if it is on the stack; returns whether it was.
    bool remove(const Element* element);

    /// Position of `element`, searching from the top, or kNone.
    std::ptrdiff_t positionOf(const Element* element) const noexcept;
    bool contains(const Element* element) const noexcept;

    /// Topmost position of an element with this id (not Other), or kNone.
    std::ptrdiff_t topmost(TagId id) const noexcept;
    /// Topmost position of an element named `name` (any name), or kNone.
    std::ptrdiff_t topmost(std::string_view name) const noexcept;
    /// As above, for a name whose id and table tag (`Tag::find(name)`) the caller already has.
    std::ptrdiff_t topmost(std::string_view name, TagId id, const Tag* known) const noexcept;
    /// Topmost position of an element of this kind, or kNone.
    std::ptrdiff_t topmost(StackKind kind) const noexcept;
    /// Topmost position among several ids, or kNone.
    std::ptrdiff_t topmostOf(TagSet ids) const noexcept;

    bool containsId(TagId id) const noexcept { return topmost(id) != kNone; }

private:
    struct Entry {
        Element* element;
        std::vector<std::uint32_t>* positions;  // this name's list, found once at push
        TagId id;
    };

    Entry entryFor(Element* element);

    void index(std::size_t position);
    void unindexTop();
    /// Unindexes every entry at or above `position` (they are re-indexed by reindexFrom).
    void unindexFrom(std::size_t position);
    void reindexFrom(std::size_t position);
    std::vector<std::uint32_t>& positionsOfName(const Element& element, TagId id);

    // Entries room made at the start: deeper stacks are rare.
    static constexpr std::size_t kReserved = 64;
    std::vector<Entry> entries_;
    // Positions by name: the builder's names by id, other table names by table index, and names
    // outside the table (rare) by the name itself.
    std::array<std::vector<std::uint32_t>, kNamedTagCount> byId_;
    std::vector<std::vector<std::uint32_t>> byTableTag_;
    // Tag names are short: FNV-1a costs a third of the general string hash, which showed in profiles.
    struct ShortNameHash {
        std::size_t operator()(std::string_view name) const noexcept {
            std::size_t hash = 2166136261u;
            for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
            return hash;
        }
    };
    // Node-based, so the lists that entries point into stay where they are.
    std::unordered_map<std::string_view, std::vector<std::uint32_t>, ShortNameHash> byOtherName_;
    std::array<std::vector<std::uint32_t>, kStackKindCount> byKind_;
    // Formatting elements are asked "are you on the stack?"; everyone else is found by position.
    PointerSet<Element> formattingOnStack_;
};

}  // namespace novawick::html
