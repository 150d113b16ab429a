// Attribute list operations: linear scans over the records of one block, in insertion order.
//
// A record is the key length (doubled, plus one for a boolean attribute) and the value length, each
// one byte below 255 and otherwise 255 and four bytes, then the key and the value. A change that makes
// a record longer or shorter is written into a fresh block, so that a key or value passed in as a view
// of this very list stays readable until the new record holds it.
#include "html/nodes/attributes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"

namespace novawick::html {

namespace {

constexpr std::size_t kLargestList = std::numeric_limits<std::uint32_t>::max();

std::size_t lengthFieldSize(std::size_t length) noexcept { return length < detail::kWideLength ? 1 : 5; }

unsigned char* writeLength(unsigned char* at, std::size_t length) noexcept {
    if (length < detail::kWideLength) {
        *at = static_cast<unsigned char>(length);
        return at + 1;
    }
    *at = detail::kWideLength;
    const auto wide = static_cast<std::uint32_t>(length);
    std::memcpy(at + 1, &wide, sizeof(wide));
    return at + 5;
}

const unsigned char* readLength(const unsigned char* at, std::size_t& length) noexcept {
    if (*at != detail::kWideLength) {
        length = *at;
        return at + 1;
    }
    std::uint32_t wide = 0;
    std::memcpy(&wide, at + 1, sizeof(wide));
    length = wide;
    return at + 5;
}

std::size_t keyCode(std::string_view key, bool isBoolean) noexcept { return key.size() * 2 + (isBoolean ? 1 : 0); }

std::size_t recordSize(std::string_view key, std::string_view value, bool isBoolean) noexcept {
    return lengthFieldSize(keyCode(key, isBoolean)) + lengthFieldSize(value.size()) + key.size() + value.size();
}

unsigned char* writeRecord(unsigned char* at, std::string_view key, std::string_view value, bool isBoolean) noexcept {
    at = writeLength(at, keyCode(key, isBoolean));
    at = writeLength(at, value.size());
    if (!key.empty()) std::memcpy(at, key.data(), key.size());
    at += key.size();
    if (!value.empty()) std::memcpy(at, value.data(), value.size());
    return at + value.size();
}

// One decoded record and where the next one starts.
struct Record {
    Attribute attribute;
    const unsigned char* next;
};

Record readRecord(const unsigned char* at) noexcept {
    std::size_t code = 0;
    std::size_t valueLength = 0;
    at = readLength(at, code);
    at = readLength(at, valueLength);
    const auto* text = reinterpret_cast<const char*>(at);
    const std::size_t keyLength = code / 2;
    return Record{Attribute(std::string_view(text, keyLength), std::string_view(text + keyLength, valueLength),
                            (code & 1) != 0),
                  at + keyLength + valueLength};
}

Attributes::Block* allocateBlock(std::pmr::memory_resource* resource, std::size_t capacity) {
    if (capacity > kLargestList) throw std::length_error("attribute list too long");
    void* memory = resource->allocate(sizeof(Attributes::Block) + capacity, alignof(Attributes::Block));
    return ::new (memory) Attributes::Block{resource, 0, static_cast<std::uint32_t>(capacity)};
}

void freeBlock(Attributes::Block* block) noexcept {
    // A block of capacity 0 is a shared empty header, owned by whoever made it.
    if (block == nullptr || block->capacity == 0) return;
    block->resource->deallocate(block, sizeof(Attributes::Block) + block->capacity, alignof(Attributes::Block));
}

unsigned char* recordsOf(Attributes::Block* block) noexcept { return reinterpret_cast<unsigned char*>(block + 1); }

}  // namespace

Attribute Attributes::const_iterator::operator*() const noexcept { return readRecord(at_).attribute; }

Attributes::const_iterator& Attributes::const_iterator::operator++() noexcept {
    at_ = readRecord(at_).next;
    return *this;
}

Attributes::Attributes(const Attributes& other) { copyFrom(other); }

Attributes::Attributes(Attributes&& other) {
    if (other.block_ != nullptr && other.block_->capacity > 0 &&
        other.block_->resource == std::pmr::get_default_resource()) {
        block_ = std::exchange(other.block_, nullptr);
    } else {
        copyFrom(other);
    }
}

Attributes& Attributes::operator=(const Attributes& other) {
    if (this != &other) copyFrom(other);
    return *this;
}

Attributes& Attributes::operator=(Attributes&& other) {
    if (this == &other) return *this;
    const bool bothOnTheHeap = resource() == std::pmr::get_default_resource() &&
                               other.resource() == std::pmr::get_default_resource();
    if (bothOnTheHeap) {
        std::swap(block_, other.block_);
    } else {
        copyFrom(other);
    }
    return *this;
}

Attributes::~Attributes() { release(); }

void Attributes::release() noexcept { freeBlock(block_); }

std::pmr::memory_resource* Attributes::resource() const noexcept {
    return block_ != nullptr ? block_->resource : std::pmr::get_default_resource();
}

const unsigned char* Attributes::records() const noexcept {
    return block_ != nullptr ? recordsOf(block_) : nullptr;
}

Attributes::const_iterator Attributes::begin() const noexcept { return const_iterator(records()); }

Attributes::const_iterator Attributes::end() const noexcept {
    return const_iterator(block_ != nullptr ? recordsOf(block_) + block_->used : nullptr);
}

// Into this list's own memory; `other` may be any list but this one.
void Attributes::copyFrom(const Attributes& other) {
    const std::size_t size = other.block_ != nullptr ? other.block_->used : 0;
    if (size == 0) {
        clear();
        return;
    }
    Block* fresh = allocateBlock(resource(), size);
    std::memcpy(recordsOf(fresh), other.records(), size);
    fresh->used = static_cast<std::uint32_t>(size);
    release();
    block_ = fresh;
}

void Attributes::grow(std::size_t needed) {
    const std::size_t used = block_ != nullptr ? block_->used : 0;
    if (block_ != nullptr && block_->capacity >= used + needed) return;
    if (used + needed > kLargestList) throw std::length_error("attribute list too long");
    // A list reserved from empty gets an exact fit: the parser reserves each element's attributes once.
    const std::size_t room = block_ != nullptr ? block_->capacity : 0;
    Block* fresh = allocateBlock(resource(), std::min(std::max(used + needed, room * 2), kLargestList));
    if (used > 0) std::memcpy(recordsOf(fresh), recordsOf(block_), used);
    fresh->used = static_cast<std::uint32_t>(used);
    release();
    block_ = fresh;
}

void Attributes::reserveBytes(std::size_t bytes) {
    if (bytes > kLargestList) throw std::length_error("attribute list too long");
    grow(bytes);
}

// Replaces `length` bytes of records at `offset` with one record (or none when `key` is null),
// building a fresh block when the size changes.
void Attributes::splice(std::size_t offset, std::size_t length, std::string_view key, std::string_view value,
                        bool isBoolean, bool insert) {
    const std::size_t used = block_ != nullptr ? block_->used : 0;
    const std::size_t added = insert ? recordSize(key, value, isBoolean) : 0;
    if (used - length + added > kLargestList) throw std::length_error("attribute list too long");
    if (added == length && insert) {
        // Same size: the record is rewritten where it stands (a view of it holds the same bytes).
        std::string scratch;
        const unsigned char* begin = recordsOf(block_);
        const auto overlaps = [&](std::string_view text) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
            return !text.empty() && bytes >= begin && bytes < begin + block_->capacity;
        };
        if (overlaps(key) || overlaps(value)) {
            scratch.assign(key).append(value);
            key = std::string_view(scratch).substr(0, key.size());
            value = std::string_view(scratch).substr(key.size());
        }
        writeRecord(recordsOf(block_) + offset, key, value, isBoolean);
        return;
    }
    if (!insert) {
        unsigned char* at = recordsOf(block_) + offset;
        std::memmove(at, at + length, used - offset - length);
        block_->used = static_cast<std::uint32_t>(used - length);
        return;
    }
    const std::size_t size = used - length + added;
    // An append leaves room to grow; a record changed in the middle gets an exact fit.
    const std::size_t room = block_ != nullptr ? block_->capacity : 0;
    const std::size_t capacity = offset == used ? std::max(size, room * 2) : size;
    Block* fresh = allocateBlock(resource(), std::min(capacity, kLargestList));
    unsigned char* out = recordsOf(fresh);
    if (offset > 0) std::memcpy(out, recordsOf(block_), offset);
    unsigned char* after = writeRecord(out + offset, key, value, isBoolean);
    if (used > offset + length) std::memcpy(after, recordsOf(block_) + offset + length, used - offset - length);
    fresh->used = static_cast<std::uint32_t>(size);
    release();
    block_ = fresh;
}

std::optional<std::size_t> Attributes::offsetOf(std::string_view key, bool ignoreCase) const {
    const unsigned char* start = records();
    for (auto it = begin(), last = end(); it != last; ++it) {
        const std::string_view found = (*it).key();
        if (ignoreCase ? equalsIgnoreCase(found, key) : found == key) {
            return static_cast<std::size_t>(it.at_ - start);
        }
    }
    return std::nullopt;
}

Attributes& Attributes::put(std::string_view key, std::string_view value) {
    requireNotEmpty(key);
    std::string_view trimmed = trim(key);
    // A key of only whitespace would become an attribute without a name.
    requireNotEmpty(trimmed);
    return put(Attribute(trimmed, value, false));
}

Attributes& Attributes::put(std::string_view key, bool value) {
    if (!value) {
        remove(key);
        return *this;
    }
    requireNotEmpty(key);
    std::string_view trimmed = trim(key);
    requireNotEmpty(trimmed);
    return put(Attribute(trimmed, {}, true));
}

Attributes& Attributes::put(const Attribute& attribute) {
    if (const std::optional<std::size_t> offset = offsetOf(attribute.key(), false)) {
        const Record old = readRecord(records() + *offset);
        const auto length = static_cast<std::size_t>(old.next - (records() + *offset));
        splice(*offset, length, attribute.key(), attribute.value(), attribute.isBoolean(), true);
    } else {
        appendUnchecked(attribute.key(), attribute.value(), attribute.isBoolean());
    }
    return *this;
}

void Attributes::appendUnchecked(std::string_view key, std::string_view value, bool isBoolean) {
    const std::size_t size = recordSize(key, value, isBoolean);
    if (block_ != nullptr && std::size_t{block_->capacity} - block_->used >= size) {
        // Room in place: nothing moves, so a view of this list is still readable while it is copied.
        writeRecord(recordsOf(block_) + block_->used, key, value, isBoolean);
        block_->used = static_cast<std::uint32_t>(block_->used + size);
        return;
    }
    splice(block_ != nullptr ? block_->used : 0, 0, key, value, isBoolean, true);
}

std::optional<Attribute> Attributes::find(std::string_view key) const noexcept {
    for (const Attribute attribute : *this) {
        if (attribute.key() == key) return attribute;
    }
    return std::nullopt;
}

std::optional<Attribute> Attributes::findIgnoreCase(std::string_view key) const {
    for (const Attribute attribute : *this) {
        if (equalsIgnoreCase(attribute.key(), key)) return attribute;
    }
    return std::nullopt;
}

std::string_view Attributes::get(std::string_view key) const noexcept {
    const std::optional<Attribute> attribute = find(key);
    return attribute ? attribute->value() : std::string_view();
}

std::string_view Attributes::getIgnoreCase(std::string_view key) const {
    requireNotEmpty(key);
    const std::optional<Attribute> attribute = findIgnoreCase(key);
    return attribute ? attribute->value() : std::string_view();
}

void Attributes::remove(std::string_view key) {
    if (const std::optional<std::size_t> offset = offsetOf(key, false)) {
        const Record old = readRecord(records() + *offset);
        splice(*offset, static_cast<std::size_t>(old.next - (records() + *offset)), {}, {}, false, false);
    }
}

void Attributes::removeIgnoreCase(std::string_view key) {
    if (const std::optional<std::size_t> offset = offsetOf(key, true)) {
        const Record old = readRecord(records() + *offset);
        splice(*offset, static_cast<std::size_t>(old.next - (records() + *offset)), {}, {}, false, false);
    }
}

void Attributes::addAll(const Attributes& other) {
    if (&other == this) return;
    for (const Attribute attribute : other) put(attribute);
}

void Attributes::normalize() {
    const auto needsLowering = [](std::string_view key) {
        return std::any_of(key.begin(), key.end(),
                           [](char c) { return (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80; });
    };
    bool any = false;
    for (const Attribute attribute : *this) any = any || needsLowering(attribute.key());
    if (!any) return;
    Attributes lowered;
    for (const Attribute attribute : *this) {
        const std::string key =
            needsLowering(attribute.key()) ? toLowerCase(attribute.key()) : std::string(attribute.key());
        lowered.appendUnchecked(key, attribute.value(), attribute.isBoolean());
    }
    copyFrom(lowered);
}

void Attributes::clear() noexcept {
    if (block_ != nullptr && block_->used != 0) block_->used = 0;
}

std::size_t Attributes::size() const noexcept {
    return static_cast<std::size_t>(std::distance(begin(), end()));
}

std::vector<Attribute> Attributes::asList() const { return std::vector<Attribute>(begin(), end()); }

bool operator==(const Attributes& left, const Attributes& right) noexcept {
    if (left.size() != right.size()) return false;
    return std::all_of(left.begin(), left.end(), [&right](const Attribute& attribute) {
        const std::optional<Attribute> other = right.find(attribute.key());
        return other.has_value() && other->value() == attribute.value();
    });
}

}  // namespace novawick::html
