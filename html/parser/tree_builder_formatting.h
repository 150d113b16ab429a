// The list of active formatting elements: the `b`, `i`, `a` ... elements that are reopened after a
// misnested end tag or a block boundary, with markers that fence off cells, captions and applets.
//
// The list can grow long on hostile input (100,000 unclosed `b` tags with different attributes), and
// two of its per-token questions would then walk all of it: "the last entry named X after the last
// marker" and the Noah's Ark count of entries equal to a new one. Both are answered from indexes of
// ascending list positions: one list per name, and one per (name, attributes) hash. As on the stack
// of open elements, a change in the middle re-indexes only the entries after it.
//
// Hashing every pushed element's name and attributes, and keeping a map entry for it, costs more than
// the count it saves while the list is short, which on real pages it always is (a link is pushed and
// closed again). So the hash index is built only once the list reaches `kHashedFrom` entries, and kept
// until it is empty again; below that, the count walks the few entries after the last marker.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "html/parser/pointer_set.h"
#include "html/parser/tree_builder_tags.h"

namespace novawick::html {

class Element;

class ActiveFormattingElements {
public:
    /// Position meaning "none".
    static constexpr std::ptrdiff_t kNone = -1;
    /// Most entries equal in name and attributes that may stand after the last marker.
    static constexpr std::size_t kNoahsArkLimit = 3;
    /// List length from which entries are found by their hash for the Noah's Ark count.
    static constexpr std::size_t kHashedFrom = 16;

    std::size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }
    /// The element at `position`, or nullptr for a marker.
    Element* at(std::size_t position) const noexcept { return entries_[position].element; }
    bool isMarker(std::size_t position) const noexcept { return entries_[position].element == nullptr; }

    /// Appends `element`, first dropping the earliest of three equal entries after the last marker.
    void push(Element* element);
    void pushMarker();
    /// Removes entries from the end up to and including the last marker.
    void clearToLastMarker();

    /// Position of the last entry named `id` after the last marker, or kNone.
    std::ptrdiff_t lastNamedAfterMarker(TagId id) const noexcept;
    bool contains(const Element* element) const noexcept { return members_.contains(element); }
    /// Position of `element`, or kNone.
    std::ptrdiff_t positionOf(const Element* element) const noexcept;

    void removeAt(std::size_t position);
    /// Removes `element` if listed; returns whether it was.
    bool remove(const Element* element);
    void replaceAt(std::size_t position, Element* element);

private:
    struct Entry {
        Element* element;  // nullptr: a marker
        std::uint64_t key;  // hash of name and attributes, for the Noah's Ark count; 0 until hashed_
        TagId id;
    };

    Entry entryFor(Element* element) const;
    void startHashing();
    std::ptrdiff_t lastMarker() const noexcept;
    void index(std::size_t position);
    void unindexFrom(std::size_t position);
    void reindexFrom(std::size_t position);
    void dropEarliestOfEqualEntries(const Entry& incoming);

    std::vector<Entry> entries_;
    std::vector<std::uint32_t> markers_;
    std::array<std::vector<std::uint32_t>, kTagIdCount> byId_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> byKey_;
    bool hashed_ = false;  // entries carry keys and byKey_ indexes them
    PointerSet<Element> members_;
};

}  // namespace novawick::html
