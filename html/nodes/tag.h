// Tag descriptors. Every tag name the library knows maps to one shared, immutable `Tag` from a
// table made at compile time from html/nodes/tags.txt; a name outside the table gets a fresh tag owned
// by the document that asked for it, so hostile input cannot grow process-wide state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "html/nodes/parse_settings.h"
#include "html/nodes/tag_id.h"

namespace novawick::html {

class Document;

/// The tree builder's id for a lower-case tag name; TagId::Other for names without a rule.
TagId tagIdOf(std::string_view name) noexcept;

/// The name of a named id ("" for Other).
constexpr std::string_view tagIdName(TagId id) noexcept {
    return id == TagId::Other ? std::string_view() : kTagIdNames[static_cast<std::size_t>(id)];
}

class Tag {
public:
    /// The table's tag for `name` as passed, else for the name normalised by `settings`, else a new
    /// inline tag with the normalised name, allocated in `owner`. An empty normalised name raises
    /// "String must not be empty".
    static const Tag* valueOf(std::string_view name, const ParseSettings& settings, Document& owner);
    /// `valueOf` with case-preserving settings.
    static const Tag* valueOf(std::string_view name, Document& owner);
    /// The table's tag for exactly `name`, or nullptr.
    static const Tag* find(std::string_view name) noexcept;
    /// A name's tag in the table (nullptr when outside it) and its tree builder id.
    struct Found {
        const Tag* tag;
        TagId builderId;
    };
    /// `find` and `tagIdOf` of exactly `name` with one lookup, as the parser asks for both.
    static Found findWithBuilderId(std::string_view name) noexcept;
    /// True when `name` is in the tag table.
    static bool isKnownTag(std::string_view name) noexcept { return find(name) != nullptr; }
    /// Number of names in the tag table.
    static std::size_t knownTagCount() noexcept;

    std::string_view getName() const noexcept { return name_; }
    std::string_view getNameNormal() const noexcept { return nameNormal_; }
    bool isBlock() const noexcept { return isBlock_; }
    bool isInline() const noexcept { return !isBlock_; }
    bool formatAsBlock() const noexcept { return formatAsBlock_; }
    bool canContainBlock() const noexcept { return canContainBlock_; }
    bool canContainInline() const noexcept { return canContainInline_; }
    /// A void element: no content and no end tag.
    bool isEmpty() const noexcept { return empty_; }
    bool isSelfClosing() const noexcept { return empty_ || selfClosing_; }
    bool isData() const noexcept { return !canContainInline_ && !empty_; }
    bool preserveWhitespace() const noexcept { return preserveWhitespace_; }
    bool isFormListed() const noexcept { return formList_; }
    bool isFormSubmittable() const noexcept { return formSubmit_; }
    /// True for tags of the shared table (as opposed to per-document unknown tags).
    bool isKnown() const noexcept { return known_; }
    /// The tree builder's id for this name, worked out once here so the parser never looks it up
    /// again for an element (names without a rule of their own, and unknown tags, are Other).
    TagId builderId() const noexcept { return builderId_; }
    /// A dense number for table tags, below tableIndexLimit(), so per-name indexes can be arrays;
    /// zero for tags outside the table.
    std::size_t tableIndex() const noexcept { return tableIndex_; }
    static std::size_t tableIndexLimit() noexcept;
    /// The table's tag at `index` (below tableIndexLimit()).
    static const Tag* fromTableIndex(std::size_t index) noexcept { return tableTags_ + index; }

    friend bool operator==(const Tag& left, const Tag& right) noexcept { return left.name_ == right.name_; }

private:
    friend class Document;
    friend class Element;
    friend struct TagTable;

    /// The tag of every `Document` ("#root").
    static const Tag* documentRootTag() noexcept;

    /// A tag outside the table (`known` false), made per document.
    Tag(std::string_view name, std::string_view nameNormal, bool known) noexcept
        : name_(name), nameNormal_(nameNormal), known_(known), builderId_(tagIdOf(name)) {}
    /// A tag made at compile time: one of the table, or the document root's.
    constexpr Tag(std::string_view name, bool known, TagId builderId, std::uint16_t tableIndex) noexcept
        : name_(name), nameNormal_(name), known_(known), builderId_(builderId), tableIndex_(tableIndex) {}

    std::string_view name_;
    std::string_view nameNormal_;
    bool isBlock_ = true;
    bool formatAsBlock_ = true;
    bool canContainBlock_ = true;
    bool canContainInline_ = true;
    bool empty_ = false;
    bool selfClosing_ = false;
    bool preserveWhitespace_ = false;
    bool formList_ = false;
    bool formSubmit_ = false;
    bool known_ = false;
    TagId builderId_ = TagId::Other;
    std::uint16_t tableIndex_ = 0;

    // The compile-time table; elements name their tag by its index.
    static const Tag* const tableTags_;
};

}  // namespace novawick::html
