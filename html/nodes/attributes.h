// An element's attributes: an ordered list kept in insertion order, with no index or hash map,
// because elements have few attributes and a linear scan beats hashing at that size.
//
// The list is one block: a small header, then each attribute as its key and value lengths (one byte
// each while short) followed by the key and value bytes. Documentation pages carry about one short
// attribute per element, which this stores in 24 bytes, where separate strings per key and value took
// well over a hundred. The header names the memory the block came from, so that the list itself is one
// pointer; an element without attributes points at its document's shared empty header.
//
// A standalone `Attributes` (a scratch copy, a test) uses the default heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::html {

namespace detail {
/// A stored attribute length below this takes one byte; from it up, a marker byte and four more.
inline constexpr unsigned char kWideLength = 255;
}  // namespace detail

/// One attribute as read from a list: a key, a value, and whether it was written as a bare key (a
/// boolean attribute). A view: it stays valid until the list it was read from changes; putting it
/// into a list copies its text.
class Attribute {
public:
    Attribute(std::string_view key, std::string_view value, bool isBoolean = false) noexcept
        : key_(key), value_(value), isBoolean_(isBoolean) {}

    std::string_view key() const noexcept { return key_; }
    std::string_view value() const noexcept { return value_; }
    /// True for an attribute written without a value; its value is empty.
    bool isBoolean() const noexcept { return isBoolean_; }

    friend bool operator==(const Attribute& left, const Attribute& right) noexcept {
        return left.key() == right.key() && left.value() == right.value();
    }

private:
    std::string_view key_;
    std::string_view value_;
    bool isBoolean_;
};

class Attributes {
public:
    /// The block behind a list: where it came from, the bytes used and the bytes it holds.
    struct Block {
        std::pmr::memory_resource* resource;
        std::uint32_t used;
        std::uint32_t capacity;
    };

    /// Reads the attributes in order, as `Attribute` views.
    class const_iterator {
    public:
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::input_iterator_tag;
        using value_type = Attribute;
        using difference_type = std::ptrdiff_t;
        using reference = Attribute;

        const_iterator() noexcept = default;
        Attribute operator*() const noexcept;
        const_iterator& operator++() noexcept;
        const_iterator operator++(int) noexcept {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const const_iterator& left, const const_iterator& right) noexcept {
            return left.at_ == right.at_;
        }

    private:
        friend class Attributes;
        explicit const_iterator(const unsigned char* at) noexcept : at_(at) {}
        const unsigned char* at_ = nullptr;
    };

    Attributes() noexcept = default;
    /// An empty list whose blocks will come from `empty`'s memory; `empty` is a block of capacity 0
    /// that outlives the list (a document keeps one for all its elements).
    explicit Attributes(Block* empty) noexcept : block_(empty) {}
    /// A copy on the default heap.
    Attributes(const Attributes& other);
    /// Takes over a list on the default heap; a list kept elsewhere is copied, so that its owner
    /// keeps its memory.
    Attributes(Attributes&& other);
    Attributes& operator=(const Attributes& other);
    Attributes& operator=(Attributes&& other);
    ~Attributes();

    /// Puts `value` under the trimmed `key`; raises "String must not be empty" for an empty key.
    Attributes& put(std::string_view key, std::string_view value);
    /// True puts a boolean attribute (empty value), false removes the key.
    Attributes& put(std::string_view key, bool value);
    /// A text value, not taken for a boolean.
    Attributes& put(std::string_view key, const char* value) { return put(key, std::string_view(value)); }
    /// Replaces the attribute with exactly the same key in place, or appends it.
    Attributes& put(const Attribute& attribute);
    /// Appends without looking for an existing key: for callers that know the keys are distinct.
    void appendUnchecked(std::string_view key, std::string_view value, bool isBoolean = false);
    /// Bytes one attribute takes in a list, for `reserveBytes`: its two lengths (the key's counted
    /// doubled, as stored) and its text.
    static std::size_t storedSize(std::string_view key, std::string_view value) noexcept {
        const auto lengthBytes = [](std::size_t length) -> std::size_t { return length < detail::kWideLength ? 1 : 5; };
        return lengthBytes(key.size() * 2 + 1) + lengthBytes(value.size()) + key.size() + value.size();
    }
    /// Makes room for `bytes` more (a sum of `storedSize`), so a parser filling the list allocates once.
    void reserveBytes(std::size_t bytes);

    /// Value of the first attribute whose key equals `key` exactly, or "".
    std::string_view get(std::string_view key) const noexcept;
    /// Value of the first attribute whose key equals `key` ignoring case, or ""; `key` must not be empty.
    std::string_view getIgnoreCase(std::string_view key) const;
    std::optional<Attribute> find(std::string_view key) const noexcept;
    std::optional<Attribute> findIgnoreCase(std::string_view key) const;

    bool hasKey(std::string_view key) const noexcept { return find(key).has_value(); }
    bool hasKeyIgnoreCase(std::string_view key) const { return findIgnoreCase(key).has_value(); }
    void remove(std::string_view key);
    void removeIgnoreCase(std::string_view key);
    /// Puts every attribute of `other`, in its order.
    void addAll(const Attributes& other);
    /// Lower-cases every key (what the parser does with the default settings).
    void normalize();
    void clear() noexcept;

    /// Number of attributes (counted: lists are short).
    std::size_t size() const noexcept;
    bool isEmpty() const noexcept { return block_ == nullptr || block_->used == 0; }
    /// The attributes in order; the views last until the list changes.
    std::vector<Attribute> asList() const;
    const_iterator begin() const noexcept;
    const_iterator end() const noexcept;

    /// Same key-value pairs, in any order.
    friend bool operator==(const Attributes& left, const Attributes& right) noexcept;

private:
    std::pmr::memory_resource* resource() const noexcept;
    const unsigned char* records() const noexcept;
    /// Replaces `length` bytes at `offset` of the records with `replacement`, growing the block if needed.
    void splice(std::size_t offset, std::size_t length, std::string_view key, std::string_view value,
                bool isBoolean, bool insert);
    void grow(std::size_t needed);
    void release() noexcept;
    void copyFrom(const Attributes& other);
    /// Offset of the record for the first attribute whose key equals `key` (exactly or ignoring case).
    std::optional<std::size_t> offsetOf(std::string_view key, bool ignoreCase) const;

    Block* block_ = nullptr;
};

}  // namespace novawick::html
