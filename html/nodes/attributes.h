// An element's attributes: an ordered list kept in insertion order, with no index or hash map,
// because elements have few attributes and a linear scan beats hashing at that size.
//
// Storage is polymorphic-allocator aware so that the attributes of a node live in its document's
// arena; a standalone `Attributes` (a parser's scratch copy, a test) uses the default heap.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace html {

/// One attribute: a key, a value, and whether it was written as a bare key (a boolean attribute).
/// Key and value share one allocation, and the attribute is under half the size of two strings:
/// documentation pages carry about one attribute per element.
class Attribute {
public:
    using allocator_type = std::pmr::polymorphic_allocator<char>;

    Attribute(std::string_view key, std::string_view value, bool isBoolean, const allocator_type& allocator = {});
    Attribute(const Attribute& other, const allocator_type& allocator);
    Attribute(Attribute&& other, const allocator_type& allocator);
    /// A copy on the default heap, as copying a `std::pmr::string` gives.
    Attribute(const Attribute& other);
    Attribute(Attribute&& other) noexcept;
    Attribute& operator=(const Attribute& other);
    Attribute& operator=(Attribute&& other);
    ~Attribute();

    std::string_view key() const noexcept { return {text_, keySize_}; }
    std::string_view value() const noexcept { return {text_ + keySize_, valueSize_}; }
    /// True for an attribute written without a value; its value is empty.
    bool isBoolean() const noexcept { return isBoolean_; }

    void setKey(std::string_view key);
    void setValue(std::string_view value);

    friend bool operator==(const Attribute& left, const Attribute& right) noexcept {
        return left.key() == right.key() && left.value() == right.value();
    }

private:
    void store(std::string_view key, std::string_view value);
    void takeText(Attribute& other);
    void release() noexcept;

    char* text_ = nullptr;  // the key, then the value
    std::size_t keySize_ = 0;
    std::size_t valueSize_ = 0;
    allocator_type allocator_;
    bool isBoolean_ = false;
};

class Attributes {
public:
    using const_iterator = std::pmr::vector<Attribute>::const_iterator;

    Attributes() = default;
    explicit Attributes(std::pmr::memory_resource* resource);

    /// Puts `value` under the trimmed `key`; raises "String must not be empty" for an empty key.
    Attributes& put(std::string_view key, std::string_view value);
    /// True puts a boolean attribute (empty value), false removes the key.
    Attributes& put(std::string_view key, bool value);
    Attributes& put(const char* key, const char* value) { return put(std::string_view(key), std::string_view(value)); }
    /// Replaces the attribute with exactly the same key in place, or appends it.
    Attributes& put(const Attribute& attribute);
    /// Appends without looking for an existing key: for callers that know the keys are distinct.
    void appendUnchecked(std::string_view key, std::string_view value, bool isBoolean = false);
    /// Makes room for `count` attributes in all, so a parser filling the list allocates once.
    void reserve(std::size_t count) { list_.reserve(count); }

    /// Value of the first attribute whose key equals `key` exactly, or "".
    std::string_view get(std::string_view key) const noexcept;
    /// Value of the first attribute whose key equals `key` ignoring case, or ""; `key` must not be empty.
    std::string_view getIgnoreCase(std::string_view key) const;
    const Attribute* find(std::string_view key) const noexcept;
    const Attribute* findIgnoreCase(std::string_view key) const;

    bool hasKey(std::string_view key) const noexcept { return find(key) != nullptr; }
    bool hasKeyIgnoreCase(std::string_view key) const { return findIgnoreCase(key) != nullptr; }
    void remove(std::string_view key);
    void removeIgnoreCase(std::string_view key);
    /// Puts every attribute of `other`, in its order.
    void addAll(const Attributes& other);
    /// Lower-cases every key (what the parser does with the default settings).
    void normalize();
    void clear() noexcept { list_.clear(); }

    std::size_t size() const noexcept { return list_.size(); }
    bool isEmpty() const noexcept { return list_.empty(); }
    std::span<const Attribute> asList() const noexcept { return list_; }
    const_iterator begin() const noexcept { return list_.begin(); }
    const_iterator end() const noexcept { return list_.end(); }

    /// Same key-value pairs, in any order.
    friend bool operator==(const Attributes& left, const Attributes& right) noexcept;

private:
    std::pmr::vector<Attribute> list_;
};

}  // namespace html
