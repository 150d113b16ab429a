// Bump allocation in owner-stamped pages, with per-size reuse of returned small blocks; see the header
// for why.
#include "html/nodes/arena.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace novawick::html {

namespace {
constexpr std::size_t kPageAlignment = Arena::kPageSize;
// Small blocks may ask for this much alignment and still come from a page.
constexpr std::size_t kLargestInPageAlignment = 64;
constexpr std::size_t kMinimumRun = 4 * Arena::kPageSize;
// Runs stay below this size: a large document leaves at most one partly used run.
constexpr std::size_t kLargestRun = std::size_t{1} << 18;
// Later runs take a sixteenth of what the document holds: few runs, and little unused at the end.
constexpr std::size_t kGrowthDivisor = 16;

constexpr std::size_t roundUp(std::size_t value, std::size_t grain) noexcept {
    return (value + grain - 1) / grain * grain;
}

char* alignedWithin(char* at, std::size_t alignment) noexcept {
    const auto address = reinterpret_cast<std::uintptr_t>(at);
    return at + (((address + alignment - 1) & ~(alignment - 1)) - address);
}

bool isSmall(std::size_t bytes, std::size_t alignment) noexcept {
    return bytes <= Arena::kLargestInPage && alignment <= kLargestInPageAlignment;
}
}  // namespace

// The first page of a run; every later page starts with the owner alone.
struct Arena::Run {
    Document* owner;
    Run* next;
    std::size_t size;
};

// A block allocated apart, linked both ways so that giving it back frees it at once.
struct Arena::Large {
    Large* previous;
    Large* next;
    std::size_t size;
};

Arena::Arena(Document* owner, std::size_t firstRun)
    : owner_(owner), nextRun_(std::max(kMinimumRun, roundUp(std::min(firstRun, kLargestRun * 16), kPageSize))) {}

Arena::~Arena() {
    for (Run* run = runs_; run != nullptr;) {
        Run* next = run->next;
        ::operator delete(static_cast<void*>(run), std::align_val_t{kPageAlignment});
        run = next;
    }
    for (Large* large = large_; large != nullptr;) {
        Large* next = large->next;
        ::operator delete(static_cast<void*>(large));
        large = next;
    }
}

void Arena::nextPage() {
    if (pageEnd_ != nullptr && pageEnd_ < runEnd_) {
        cursor_ = pageEnd_;
        pageEnd_ += kPageSize;
        *reinterpret_cast<Document**>(cursor_) = owner_;
        cursor_ += sizeof(Document*);
        return;
    }
    const std::size_t size = nextRun_;
    auto* run = static_cast<Run*>(::operator new(size, std::align_val_t{kPageAlignment}));
    run->owner = owner_;
    run->next = runs_;
    run->size = size;
    runs_ = run;
    reserved_ += size;
    nextRun_ = std::clamp(roundUp(reserved_ / kGrowthDivisor, kPageSize), kMinimumRun, kLargestRun);
    cursor_ = reinterpret_cast<char*>(run + 1);
    pageEnd_ = reinterpret_cast<char*>(run) + kPageSize;
    runEnd_ = reinterpret_cast<char*>(run) + size;
}

void* Arena::allocateInPage(std::size_t bytes, std::size_t alignment) {
    for (;;) {
        if (cursor_ != nullptr) {
            char* start = alignedWithin(cursor_, alignment);
            if (start <= pageEnd_ && static_cast<std::size_t>(pageEnd_ - start) >= bytes) {
                cursor_ = start + bytes;
                return start;
            }
        }
        // The rest of this page stays unused: a block never crosses into the next page's owner stamp.
        nextPage();
    }
}

void* Arena::allocateLarge(std::size_t bytes, std::size_t alignment) {
    const std::size_t size = sizeof(Large) + sizeof(Large*) + alignment + bytes;
    auto* large = static_cast<Large*>(::operator new(size));
    large->previous = nullptr;
    large->next = large_;
    large->size = size;
    if (large_ != nullptr) large_->previous = large;
    large_ = large;
    reserved_ += size;
    char* start = alignedWithin(reinterpret_cast<char*>(large + 1) + sizeof(Large*), alignment);
    std::memcpy(start - sizeof(Large*), &large, sizeof(Large*));
    return start;
}

void* Arena::do_allocate(std::size_t bytes, std::size_t alignment) {
    // Rounding and the block headers must not wrap around for an absurd request.
    if (bytes > std::numeric_limits<std::size_t>::max() / 4 || alignment > kLargestRun) throw std::bad_alloc();
    bytes = roundUp(std::max<std::size_t>(bytes, 1), kGrain);
    alignment = std::max(alignment, kGrain);
    if (!isSmall(bytes, alignment)) return allocateLarge(bytes, alignment);
    if (alignment == kGrain) {
        void*& head = recycled_[bytes / kGrain];
        if (head != nullptr) {
            void* reused = head;
            head = *static_cast<void**>(reused);
            return reused;
        }
    }
    return allocateInPage(bytes, alignment);
}

void Arena::do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) {
    bytes = roundUp(std::max<std::size_t>(bytes, 1), kGrain);
    alignment = std::max(alignment, kGrain);
    if (!isSmall(bytes, alignment)) {
        Large* large = nullptr;
        std::memcpy(&large, static_cast<char*>(pointer) - sizeof(Large*), sizeof(Large*));
        if (large->previous != nullptr) large->previous->next = large->next;
        if (large->next != nullptr) large->next->previous = large->previous;
        if (large_ == large) large_ = large->next;
        reserved_ -= large->size;
        ::operator delete(static_cast<void*>(large));
        return;
    }
    // Blocks aligned beyond the grain are rare and stay where they are, with the document.
    if (alignment != kGrain) return;
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
        const std::size_t capacity = std::max(needed, capacity_ * 2);
        auto* grown = static_cast<char*>(arena.allocate(capacity, 1));
        if (size_ > 0) std::memcpy(grown, data_, size_);
        std::memcpy(grown + size_, more.data(), more.size());
        if (data_ != nullptr) arena.deallocate(data_, capacity_, 1);
        data_ = grown;
        capacity_ = capacity;
    } else {
        std::memmove(data_ + size_, more.data(), more.size());
    }
    size_ = needed;
}

}  // namespace novawick::html
