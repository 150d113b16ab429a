// A set of pointers for the tree builder's "is this element on the stack / in the list" questions,
// asked and changed once or more per formatting element.
//
// std::unordered_set allocates a node for every insert and frees it on erase, which showed in
// profiles; this one keeps the pointers in one open-addressed array (linear probing, at most half
// full) and erases by shifting the following entries back, so there are no tombstones and probes stay
// short however many inserts and erases a document makes. Memory follows the largest size reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace novawick::html {

template <class T>
class PointerSet {
public:
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }

    bool contains(const T* pointer) const noexcept {
        if (slots_.empty() || pointer == nullptr) return false;
        for (std::size_t slot = homeOf(pointer);; slot = next(slot)) {
            if (slots_[slot] == pointer) return true;
            if (slots_[slot] == nullptr) return false;
        }
    }

    /// Adds `pointer` (not null); returns false when it was already there.
    bool insert(const T* pointer) {
        if ((size_ + 1) * 2 > slots_.size()) grow();
        std::size_t slot = homeOf(pointer);
        for (; slots_[slot] != nullptr; slot = next(slot)) {
            if (slots_[slot] == pointer) return false;
        }
        slots_[slot] = pointer;
        ++size_;
        return true;
    }

    /// Removes `pointer`; returns whether it was there.
    bool erase(const T* pointer) noexcept {
        if (slots_.empty() || pointer == nullptr) return false;
        std::size_t hole = homeOf(pointer);
        for (; slots_[hole] != pointer; hole = next(hole)) {
            if (slots_[hole] == nullptr) return false;
        }
        // Entries after the hole whose home is not between the hole and themselves move into it.
        for (std::size_t slot = next(hole); slots_[slot] != nullptr; slot = next(slot)) {
            const std::size_t home = homeOf(slots_[slot]);
            const bool stays = hole < slot ? (home > hole && home <= slot) : (home > hole || home <= slot);
            if (stays) continue;
            slots_[hole] = slots_[slot];
            hole = slot;
        }
        slots_[hole] = nullptr;
        --size_;
        return true;
    }

    void clear() noexcept {
        slots_.clear();
        size_ = 0;
    }

private:
    std::size_t next(std::size_t slot) const noexcept { return (slot + 1) & (slots_.size() - 1); }

    std::size_t homeOf(const T* pointer) const noexcept {
        std::uint64_t value = reinterpret_cast<std::uintptr_t>(pointer);
        value *= 0x9E3779B97F4A7C15ULL;
        return static_cast<std::size_t>(value ^ (value >> 32)) & (slots_.size() - 1);
    }

    void grow() {
        std::vector<const T*> old(slots_.empty() ? 16 : slots_.size() * 2, nullptr);
        old.swap(slots_);
        size_ = 0;
        for (const T* pointer : old) {
            if (pointer != nullptr) insert(pointer);
        }
    }

    std::vector<const T*> slots_;
    std::size_t size_ = 0;
};

}  // namespace novawick::html
