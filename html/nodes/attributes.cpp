// Attribute list operations: linear scans in insertion order.
#include "html/nodes/attributes.h"

#include <algorithm>
#include <utility>

#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"

namespace html {

Attribute::Attribute(std::string_view key, std::string_view value, bool isBoolean, const allocator_type& allocator)
    : allocator_(allocator), isBoolean_(isBoolean) {
    store(key, value);
}

Attribute::Attribute(const Attribute& other, const allocator_type& allocator)
    : Attribute(other.key(), other.value(), other.isBoolean_, allocator) {}

Attribute::Attribute(Attribute&& other, const allocator_type& allocator)
    : allocator_(allocator), isBoolean_(other.isBoolean_) {
    takeText(other);
}

Attribute::Attribute(const Attribute& other) : Attribute(other, allocator_type()) {}

Attribute::Attribute(Attribute&& other) noexcept
    : text_(std::exchange(other.text_, nullptr)),
      keySize_(std::exchange(other.keySize_, 0)),
      valueSize_(std::exchange(other.valueSize_, 0)),
      allocator_(other.allocator_),
      isBoolean_(other.isBoolean_) {}

Attribute& Attribute::operator=(const Attribute& other) {
    if (this != &other) {
        store(other.key(), other.value());
        isBoolean_ = other.isBoolean_;
    }
    return *this;
}

Attribute& Attribute::operator=(Attribute&& other) {
    if (this == &other) return *this;
    takeText(other);
    isBoolean_ = other.isBoolean_;
    return *this;
}

// Text in the same memory changes hands; text elsewhere is copied into this attribute's memory.
void Attribute::takeText(Attribute& other) {
    if (allocator_ == other.allocator_) {
        std::swap(text_, other.text_);
        std::swap(keySize_, other.keySize_);
        std::swap(valueSize_, other.valueSize_);
    } else {
        store(other.key(), other.value());
    }
}

Attribute::~Attribute() { release(); }

void Attribute::release() noexcept {
    if (text_ != nullptr) allocator_.deallocate(text_, keySize_ + valueSize_);
    text_ = nullptr;
}

// `key` or `value` may be views of this attribute's own text: the new text is built before the old
// one goes.
void Attribute::store(std::string_view key, std::string_view value) {
    char* text = nullptr;
    if (const std::size_t size = key.size() + value.size(); size > 0) {
        text = allocator_.allocate(size);
        std::copy(key.begin(), key.end(), text);
        std::copy(value.begin(), value.end(), text + key.size());
    }
    release();
    text_ = text;
    keySize_ = key.size();
    valueSize_ = value.size();
}

void Attribute::setKey(std::string_view key) { store(key, value()); }

void Attribute::setValue(std::string_view value) {
    store(key(), value);
    isBoolean_ = false;
}

Attributes::Attributes(std::pmr::memory_resource* resource) : list_(resource) {}

Attributes& Attributes::put(std::string_view key, std::string_view value) {
    requireNotEmpty(key);
    std::string_view trimmed = trim(key);
    // A key of only whitespace would become an attribute without a name.
    requireNotEmpty(trimmed);
    for (Attribute& attribute : list_) {
        if (attribute.key() == trimmed) {
            attribute.setValue(value);
            return *this;
        }
    }
    list_.emplace_back(trimmed, value, false);
    return *this;
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
    for (Attribute& existing : list_) {
        if (existing.key() == attribute.key()) {
            existing = Attribute(attribute, list_.get_allocator());
            return *this;
        }
    }
    list_.push_back(attribute);
    return *this;
}

void Attributes::appendUnchecked(std::string_view key, std::string_view value, bool isBoolean) {
    list_.emplace_back(key, value, isBoolean);
}

const Attribute* Attributes::find(std::string_view key) const noexcept {
    for (const Attribute& attribute : list_) {
        if (attribute.key() == key) return &attribute;
    }
    return nullptr;
}

const Attribute* Attributes::findIgnoreCase(std::string_view key) const {
    for (const Attribute& attribute : list_) {
        if (equalsIgnoreCase(attribute.key(), key)) return &attribute;
    }
    return nullptr;
}

std::string_view Attributes::get(std::string_view key) const noexcept {
    const Attribute* attribute = find(key);
    return attribute ? attribute->value() : std::string_view();
}

std::string_view Attributes::getIgnoreCase(std::string_view key) const {
    requireNotEmpty(key);
    const Attribute* attribute = findIgnoreCase(key);
    return attribute ? attribute->value() : std::string_view();
}

void Attributes::remove(std::string_view key) {
    auto found = std::find_if(list_.begin(), list_.end(), [key](const Attribute& a) { return a.key() == key; });
    if (found != list_.end()) list_.erase(found);
}

void Attributes::removeIgnoreCase(std::string_view key) {
    auto found = std::find_if(list_.begin(), list_.end(),
                              [key](const Attribute& a) { return equalsIgnoreCase(a.key(), key); });
    if (found != list_.end()) list_.erase(found);
}

void Attributes::addAll(const Attributes& other) {
    if (&other == this) return;
    for (const Attribute& attribute : other.list_) put(attribute);
}

void Attributes::normalize() {
    for (Attribute& attribute : list_) {
        if (std::any_of(attribute.key().begin(), attribute.key().end(),
                        [](char c) { return (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80; })) {
            attribute.setKey(toLowerCase(attribute.key()));
        }
    }
}

bool operator==(const Attributes& left, const Attributes& right) noexcept {
    if (left.size() != right.size()) return false;
    return std::all_of(left.begin(), left.end(), [&right](const Attribute& attribute) {
        const Attribute* other = right.find(attribute.key());
        return other != nullptr && other->value() == attribute.value();
    });
}

}  // namespace html
