// An ordered list of elements, as returned by queries. It holds non-owning pointers: the elements
// belong to their document and stay valid for as long as it lives.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::html {

class Element;

class Elements {
public:
    using value_type = Element*;
    using const_iterator = std::vector<Element*>::const_iterator;
    using iterator = const_iterator;

    Elements() = default;
    explicit Elements(std::vector<Element*> elements) : elements_(std::move(elements)) {}

    /// The first or last element, or nullptr when the list is empty.
    Element* first() const noexcept { return elements_.empty() ? nullptr : elements_.front(); }
    Element* last() const noexcept { return elements_.empty() ? nullptr : elements_.back(); }
    /// The element at `index`; throws std::out_of_range outside 0..size()-1.
    Element* get(std::size_t index) const { return elements_.at(index); }
    Element* operator[](std::size_t index) const { return elements_.at(index); }
    std::size_t size() const noexcept { return elements_.size(); }
    bool isEmpty() const noexcept { return elements_.empty(); }
    const std::vector<Element*>& array() const noexcept { return elements_; }
    const_iterator begin() const noexcept { return elements_.begin(); }
    const_iterator end() const noexcept { return elements_.end(); }

    void add(Element* element) { elements_.push_back(element); }
    void reserve(std::size_t count) { elements_.reserve(count); }

    /// The elements' texts joined by single spaces (an empty text still takes its place); not trimmed again.
    std::string text(bool trimAndNormaliseWhitespace = true) const;

    /// Elements matching the CSS query under each element, each listed once (selector engine).
    Elements select(std::string_view query) const;

private:
    std::vector<Element*> elements_;
};

}  // namespace novawick::html
