// The memory a document's nodes live in: blocks handed out by pointer bumps and released all at
// once with the document, so building a tree is cheap and tearing it down is flat at any depth.
//
// Unlike a plain monotonic buffer, small blocks given back (a child list or text that grew and
// moved) are kept by size and handed out again: child lists and merged text runs grow by doubling,
// and without reuse every step of that growth would stay allocated until the document dies. Blocks
// after the first grow only to a cap, so a document holds little beyond what it uses.
#pragma once

#include <array>
#include <cstddef>
#include <memory_resource>
#include <string_view>

namespace html {

class Arena final : public std::pmr::memory_resource {
public:
    /// `firstBlock` sizes the first block (a good guess avoids a second one).
    explicit Arena(std::size_t firstBlock);
    ~Arena() override;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    /// Bytes obtained from the system so far (blocks, not what is in use inside them).
    std::size_t bytesReserved() const noexcept { return reserved_; }

private:
    static constexpr std::size_t kGrain = 8;
    static constexpr std::size_t kLargestRecycled = 1024;

    struct Block {
        Block* next;
        std::size_t size;
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    char* newBlock(std::size_t usable);
    void* allocateAligned(std::size_t bytes, std::size_t alignment);

    char* cursor_ = nullptr;
    char* end_ = nullptr;
    Block* blocks_ = nullptr;
    std::size_t reserved_ = 0;
    std::size_t nextBlock_;
    // Singly linked lists of returned blocks, one per multiple of kGrain.
    std::array<void*, kLargestRecycled / kGrain + 1> recycled_{};
};

/// Text kept in an arena, 24 bytes against a `std::pmr::string`'s 40: it holds no allocator, and
/// grows by doubling (text nodes take appended character runs) giving its old block back.
class ArenaText {
public:
    std::string_view view() const noexcept { return {data_, size_}; }
    void assign(std::pmr::memory_resource& arena, std::string_view text);
    void append(std::pmr::memory_resource& arena, std::string_view more);
    void clear() noexcept { size_ = 0; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace html
