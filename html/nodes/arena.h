// The memory a document's nodes live in: pages handed out by pointer bumps and released all at once
// with the document, so building a tree is cheap and tearing it down is flat at any depth.
//
// Small blocks come from 4 KiB pages, each of which starts with the address of the document that owns
// it. A node finds its document by rounding its own address down to the page, which spares every node
// an owner pointer of its own: on documentation pages that pointer alone would be a sixth of the tree.
// Blocks too large for a page get a separate allocation and never hold nodes.
//
// Small blocks given back (an attribute list or text that grew and moved) are kept by size and handed
// out again. Pages are taken from the system in runs that grow with the document, by a sixteenth of
// what it holds, so a document holds little beyond what it uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>

namespace novawick::html {

class Document;

class Arena final : public std::pmr::memory_resource {
public:
    /// The page size: no small block crosses a page boundary.
    static constexpr std::size_t kPageSize = 4096;
    /// Blocks up to this size come from pages (and may hold nodes); larger ones are allocated apart.
    static constexpr std::size_t kLargestInPage = 1024;

    /// `owner` is the document whose nodes the pages will hold (null for an arena of plain memory);
    /// `firstRun` sizes the first run of pages (a good guess avoids a second one).
    Arena(Document* owner, std::size_t firstRun);
    ~Arena() override;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    /// The owner named by the page that holds `inPage`, a block of at most kLargestInPage bytes
    /// from an arena's pages.
    static Document* ownerOf(const void* inPage) noexcept {
        const auto page = reinterpret_cast<std::uintptr_t>(inPage) & ~(std::uintptr_t{kPageSize} - 1);
        return *reinterpret_cast<Document* const*>(page);
    }

    /// A block of `bytes` (at most kLargestInPage), aligned to 8: a pointer bump when the current page
    /// has room and no returned block of that size waits, the general path otherwise.
    void* allocateSmall(std::size_t bytes) {
        bytes = (bytes + kGrain - 1) & ~(kGrain - 1);
        if (recycled_[bytes / kGrain] == nullptr && static_cast<std::size_t>(pageEnd_ - cursor_) >= bytes) {
            void* start = cursor_;
            cursor_ += bytes;
            return start;
        }
        return allocate(bytes, kGrain);
    }

    /// Bytes obtained from the system so far (pages and large blocks, not what is in use inside them).
    std::size_t bytesReserved() const noexcept { return reserved_; }

private:
    static constexpr std::size_t kGrain = 8;

    struct Run;
    struct Large;

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    void* allocateInPage(std::size_t bytes, std::size_t alignment);
    void* allocateLarge(std::size_t bytes, std::size_t alignment);
    void nextPage();

    Document* owner_;
    char* cursor_ = nullptr;    // next free byte of the current page
    char* pageEnd_ = nullptr;   // end of the current page
    char* runEnd_ = nullptr;    // end of the current run of pages
    Run* runs_ = nullptr;
    Large* large_ = nullptr;
    std::size_t reserved_ = 0;
    std::size_t nextRun_;
    // Singly linked lists of returned blocks, one per multiple of kGrain.
    std::array<void*, kLargestInPage / kGrain + 1> recycled_{};
};

/// Text kept in an arena, 24 bytes against a `std::pmr::string`'s 40: it holds no allocator, and
/// grows by doubling (text nodes take appended text) giving its old block back.
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

}  // namespace novawick::html
