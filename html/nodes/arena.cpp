// Bump allocation with per-size reuse of returned small blocks; see the header for why.
#include "html/nodes/arena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

namespace html {

namespace {
constexpr std::size_t kMinimumBlock = 4096;
// Later blocks stay below this size: a large document wastes at most one partly used block.
constexpr std::size_t kLargestGrowthBlock = std::size_t{1} << 20;

constexpr std::size_t roundUp(std::size_t value, std::size_t grain) noexcept {
    return (value + grain - 1) / grain * grain;
}
}  // namespace

Arena::Arena(std::size_t firstBlock) : nextBlock_(std::max(kMinimumBlock, firstBlock)) {}

Arena::~Arena() {
    for (Block* block = blocks_; block != nullptr;) {
        Block* next = block->next;
        ::operator delete(static_cast<void*>(block));
        block = next;
    }
}

char* Arena::newBlock(std::size_t usable) {
    const std::size_t size = sizeof(Block) + usable;
    auto* block = static_cast<Block*>(::operator new(size));
    block->next = blocks_;
    block->size = size;
    blocks_ = block;
    reserved_ += size;
    return reinterpret_cast<char*>(block + 1);
}

// The cursor stays a multiple of kGrain: blocks start aligned and every size is rounded to kGrain.
void* Arena::allocateAligned(std::size_t bytes, std::size_t alignment) {
    auto aligned = [alignment](char* at) {
        const auto address = reinterpret_cast<std::uintptr_t>(at);
        return at + (((address + alignment - 1) & ~(alignment - 1)) - address);
    };
    if (cursor_ != nullptr) {
        char* start = aligned(cursor_);
        if (start <= end_ && static_cast<std::size_t>(end_ - start) >= bytes) {
            cursor_ = start + bytes;
            return start;
        }
    }
    const std::size_t needed = bytes + alignment;
    if (needed > nextBlock_ / 2 && cursor_ != nullptr) {
        // Too big to share a block: give it one of its own and keep bumping in the current block.
        return aligned(newBlock(needed));
    }
    const std::size_t usable = std::max(nextBlock_, needed);
    cursor_ = newBlock(usable);
    end_ = cursor_ + usable;
    // Grow with the document, by an eighth of what it holds: few blocks, and little unused at the end.
    nextBlock_ = std::clamp(reserved_ / 8, kMinimumBlock, kLargestGrowthBlock);
    char* start = aligned(cursor_);
    cursor_ = start + bytes;
    return start;
}

void* Arena::do_allocate(std::size_t bytes, std::size_t alignment) {
    // Rounding and the block header must not wrap around for an absurd request.
    if (bytes > std::numeric_limits<std::size_t>::max() / 4 || alignment > kLargestGrowthBlock) {
        throw std::bad_alloc();
    }
    bytes = roundUp(std::max<std::size_t>(bytes, 1), kGrain);
    if (alignment > kGrain || bytes > kLargestRecycled) return allocateAligned(bytes, std::max(alignment, kGrain));
    void*& head = recycled_[bytes / kGrain];
    if (head != nullptr) {
        void* reused = head;
        head = *static_cast<void**>(reused);
        return reused;
    }
    if (static_cast<std::size_t>(end_ - cursor_) >= bytes) {
        void* start = cursor_;
        cursor_ += bytes;
        return start;
    }
    return allocateAligned(bytes, kGrain);
}

void Arena::do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) {
    bytes = roundUp(std::max<std::size_t>(bytes, 1), kGrain);
    // Larger blocks are left in place: they are rare and go with the document.
    if (alignment > kGrain || bytes > kLargestRecycled) return;
    *static_cast<void**>(pointer) = recycled_[bytes / kGrain];
    recycled_[bytes / kGrain] = pointer;
}

void ArenaText::assign(std::pmr::memory_resource& arena, std::string_view text) {
    if (text.size() > capacity_) {
        // The new text may be a view of the old one, so it is copied before the old block goes back.
        auto* fresh = static_cast<char*>(arena.allocate(text.size(), 1));
        std::memcpy(fresh, text.data(), text.size());
        if (data_ != nullptr) arena.deallocate(data_, capacity_, 1);
        data_ = fresh;
        capacity_ = text.size();
    } else if (!text.empty()) {
        std::memmove(data_, text.data(), text.size());
    }
    size_ = text.size();
}

void ArenaText::append(std::pmr::memory_resource& arena, std::string_view more) {
    if (more.empty()) return;
    const std::size_t needed = size_ + more.size();
    if (needed > capacity_) {
        // `more` may point into this text: keep the old block alive until it is copied.
        auto* grown = static_cast<char*>(arena.allocate(std::max(needed, capacity_ * 2), 1));
        if (size_ > 0) std::memcpy(grown, data_, size_);
        std::memcpy(grown + size_, more.data(), more.size());
        if (data_ != nullptr) arena.deallocate(data_, capacity_, 1);
        data_ = grown;
        capacity_ = std::max(needed, capacity_ * 2);
    } else {
        std::memmove(data_ + size_, more.data(), more.size());
    }
    size_ = needed;
}

}  // namespace html
