// A map from pointers to small values, for tables that note something about every element of a
// subtree for the length of one operation (the spans of a subtree's text, what :has has learnt), and
// for a document's notes on a few of its nodes.
//
// std::unordered_map allocates a node for every entry, which cost more than the work being
// remembered; this one keeps the entries in one open-addressed array (linear probing, at most half
// full). Entries are never removed. Inserting may move the entries: references to values last until
// the next insert, unless `reserve` made room beforehand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace novawick::html {

template <class Key, class Value>
class PointerMap {
public:
    std::size_t size() const noexcept { return size_; }

    /// The value under `key`, or nullptr.
    Value* find(const Key* key) noexcept {
        if (slots_.empty()) return nullptr;
        for (std::size_t slot = homeOf(key);; slot = next(slot)) {
            if (slots_[slot].key == key) return &slots_[slot].value;
            if (slots_[slot].key == nullptr) return nullptr;
        }
    }

    /// The value under `key` (not null), made value-initialised when absent.
    Value& operator[](const Key* key) {
        if ((size_ + 1) * 2 > slots_.size()) grow(slots_.empty() ? 16 : slots_.size() * 2);
        std::size_t slot = homeOf(key);
        for (; slots_[slot].key != nullptr; slot = next(slot)) {
            if (slots_[slot].key == key) return slots_[slot].value;
        }
        slots_[slot].key = key;
        ++size_;
        return slots_[slot].value;
    }

    /// Forgets every entry, keeping the room.
    void clear() noexcept {
        if (size_ == 0) return;
        for (Slot& slot : slots_) slot = Slot{};
        size_ = 0;
    }

    /// Makes room for `count` entries in all, so that inserting up to there moves nothing.
    void reserve(std::size_t count) {
        std::size_t capacity = slots_.empty() ? 16 : slots_.size();
        while (capacity < count * 2) capacity *= 2;
        if (capacity > slots_.size()) grow(capacity);
    }

private:
    struct Slot {
        const Key* key = nullptr;
        Value value{};
    };

    std::size_t next(std::size_t slot) const noexcept { return (slot + 1) & (slots_.size() - 1); }

    std::size_t homeOf(const Key* key) const noexcept {
        std::uint64_t value = reinterpret_cast<std::uintptr_t>(key);
        value *= 0x9E3779B97F4A7C15ULL;
        return static_cast<std::size_t>(value ^ (value >> 32)) & (slots_.size() - 1);
    }

    void grow(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        size_ = 0;
        for (const Slot& entry : old) {
            if (entry.key != nullptr) (*this)[entry.key] = entry.value;
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

}  // namespace novawick::html
