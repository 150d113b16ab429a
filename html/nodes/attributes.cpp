// Attribute list operations: linear scans in insertion order.
#include "html/nodes/attributes.h"

#include <algorithm>

#include "html/nodes/exception.h"
#include "html/nodes/string_util.h"

namespace html {

Attribute::Attribute(std::string_view key, std::string_view value, bool isBoolean, const allocator_type& allocator)
    : key_(key, allocator), value_(value, allocator), isBoolean_(isBoolean) {}

Attribute::Attribute(const Attribute& other, const allocator_type& allocator)
    : key_(other.key_, allocator), value_(other.value_, allocator), isBoolean_(other.isBoolean_) {}

Attribute::Attribute(Attribute&& other, const allocator_type& allocator)
    : key_(std::move(other.key_), allocator), value_(std::move(other.value_), allocator), isBoolean_(other.isBoolean_) {}

void Attribute::setKey(std::string_view key) { key_.assign(key); }

void Attribute::setValue(std::string_view value) {
    value_.assign(value);
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
