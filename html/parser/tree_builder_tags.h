// The named sets of tag ids that the tree builder and the insertion modes test against.
//
// Every rule of tree construction asks "is this name one of ...". Doing that with string lists costs
// a dozen string compares per token; instead a token's name is looked up once (its tag's builder id,
// html/nodes/tag_id.h) and every set is a 128-bit mask, so each test is one bit test. The sets are the
// builder's own, kept here apart from the document model's block and inline kinds.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "html/nodes/tag.h"

namespace novawick::html {

/// A fixed set of tag ids, tested with one bit test.
class TagSet {
public:
    constexpr TagSet() = default;
    constexpr TagSet(std::initializer_list<TagId> ids) {
        for (TagId id : ids) add(id);
    }

    constexpr bool contains(TagId id) const noexcept {
        const auto index = static_cast<std::size_t>(id);
        return (bits_[index / 64] >> (index % 64)) & 1U;
    }
    constexpr TagSet operator|(const TagSet& other) const noexcept {
        TagSet result = *this;
        for (std::size_t i = 0; i < bits_.size(); ++i) result.bits_[i] |= other.bits_[i];
        return result;
    }
    constexpr TagSet without(const TagSet& other) const noexcept {
        TagSet result = *this;
        for (std::size_t i = 0; i < bits_.size(); ++i) result.bits_[i] &= ~other.bits_[i];
        return result;
    }
    /// Calls `visit` with each id of the set, in id order.
    template <class Visit>
    constexpr void forEach(Visit visit) const {
        for (std::size_t word = 0; word < bits_.size(); ++word) {
            for (std::uint64_t bits = bits_[word]; bits != 0; bits &= bits - 1) {
                visit(static_cast<TagId>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
            }
        }
    }
    constexpr std::size_t size() const noexcept {
        std::size_t count = 0;
        for (std::size_t index = 0; index < kTagIdCount; ++index) count += contains(static_cast<TagId>(index));
        return count;
    }

private:
    constexpr void add(TagId id) noexcept {
        const auto index = static_cast<std::size_t>(id);
        bits_[index / 64] |= std::uint64_t{1} << (index % 64);
    }

    std::array<std::uint64_t, 2> bits_{};
};
static_assert(kTagIdCount <= 128, "TagSet holds 128 ids");

namespace tags {
using enum TagId;

// The tree builder's lists.
inline constexpr TagSet kDefaultScopeStops{Applet, Caption, Html, Table, Td, Th, Marquee, Object};
inline constexpr TagSet kListItemScopeExtras{Ol, Ul};
inline constexpr TagSet kButtonScopeExtras{Button};
inline constexpr TagSet kTableScopeStops{Html, Table};
inline constexpr TagSet kSelectScopeTags{Optgroup, Option};
inline constexpr TagSet kImpliedEndTags{Dd, Dt, Li, Option, Optgroup, P, Rp, Rt};
inline constexpr TagSet kSpecialTags{
    Address, Applet,   Area,     Article,  Aside,     Base,      Basefont, Bgsound,    Blockquote, Body,
    Br,      Button,   Caption,  Center,   Col,       Colgroup,  Command,  Dd,         Details,    Dir,
    Div,     Dl,       Dt,       Embed,    Fieldset,  Figcaption, Figure,  Footer,     Form,       Frame,
    Frameset, H1,      H2,       H3,       H4,        H5,        H6,       Head,       Header,     Hgroup,
    Hr,      Html,     Iframe,   Img,      Input,     Isindex,   Li,       Link,       Listing,    Marquee,
    Menu,    Meta,     Nav,      Noembed,  Noframes,  Noscript,  Object,   Ol,         P,          Param,
    Plaintext, Pre,    Script,   Section,  Select,    Style,     Summary,  Table,      Tbody,      Td,
    Textarea, Tfoot,   Th,       Thead,    Title,     Tr,        Ul,       Wbr,        Xmp};
static_assert(kSpecialTags.size() == 79);
inline constexpr TagSet kAdoptionTags{A, B, Big, Code, Em, Font, I, Nobr, S, Small, Strike, Strong, Tt, U};
inline constexpr TagSet kTableStructureTags{Table, Tbody, Tfoot, Thead, Tr};

// The insertion modes' lists.
inline constexpr TagSet kHeadContentTags{Base, Basefont, Bgsound, Command, Link, Meta, Noframes, Script, Style, Title};
inline constexpr TagSet kParagraphClosingTags{Address, Article, Aside, Blockquote, Center, Details, Dir, Div,
                                              Dl, Fieldset, Figcaption, Figure, Footer, Header, Hgroup, Menu,
                                              Nav, Ol, P, Section, Summary, Ul};
inline constexpr TagSet kHeadingTags{H1, H2, H3, H4, H5, H6};
inline constexpr TagSet kPreformattedTags{Pre, Listing};
inline constexpr TagSet kListWalkExceptions{Address, Div, P};
inline constexpr TagSet kDefinitionTags{Dd, Dt};
inline constexpr TagSet kFormattingTags{B, Big, Code, Em, Font, I, S, Small, Strike, Strong, Tt, U};
inline constexpr TagSet kAppletLikeTags{Applet, Marquee, Object};
inline constexpr TagSet kVoidInlineTags{Area, Br, Embed, Img, Keygen, Wbr};
inline constexpr TagSet kMediaParameterTags{Param, Source, Track};
inline constexpr TagSet kOptionTags{Optgroup, Option};
inline constexpr TagSet kRubyAnnotationTags{Rp, Rt};
inline constexpr TagSet kDroppedBodyTags{Caption, Col, Colgroup, Frame, Head, Tbody, Td, Tfoot, Th, Thead, Tr};
inline constexpr TagSet kBlockEndTags{Address, Article, Aside, Blockquote, Button, Center, Details, Dir,
                                      Div, Dl, Fieldset, Figcaption, Figure, Footer, Header, Hgroup,
                                      Listing, Menu, Nav, Ol, Pre, Section, Summary, Ul};

// Lists that single modes use.
inline constexpr TagSet kTableBodyTags{Tbody, Tfoot, Thead};
inline constexpr TagSet kTableCellTags{Td, Th};
inline constexpr TagSet kHeadVoidTags{Base, Basefont, Bgsound, Command, Link};
inline constexpr TagSet kRawTextHeadTags{Noframes, Style};
inline constexpr TagSet kHeadNoscriptTags{Basefont, Bgsound, Link, Meta, Noframes, Style};
inline constexpr TagSet kHeadEndTagsActingAsElse{Body, Html, Br};
inline constexpr TagSet kAfterHeadHeadTags{Base, Basefont, Bgsound, Link, Meta, Noframes, Script, Style, Title};
inline constexpr TagSet kTableIgnoredEndTags{Body, Caption, Col, Colgroup, Html, Tbody, Td, Tfoot, Th, Thead, Tr};
inline constexpr TagSet kCaptionExitStartTags{Caption, Col, Colgroup, Tbody, Td, Tfoot, Th, Thead, Tr};
inline constexpr TagSet kCaptionIgnoredEndTags{Body, Col, Colgroup, Html, Tbody, Td, Tfoot, Th, Thead, Tr};
inline constexpr TagSet kTableBodyExitStartTags{Caption, Col, Colgroup, Tbody, Tfoot, Thead};
inline constexpr TagSet kTableBodyIgnoredEndTags{Body, Caption, Col, Colgroup, Html, Td, Th, Tr};
inline constexpr TagSet kRowExitStartTags{Caption, Col, Colgroup, Tbody, Tfoot, Thead, Tr};
inline constexpr TagSet kRowIgnoredEndTags{Body, Caption, Col, Colgroup, Html, Td, Th};
inline constexpr TagSet kCellIgnoredEndTags{Body, Caption, Col, Colgroup, Html};
inline constexpr TagSet kCellClosingEndTags{Table, Tbody, Tfoot, Thead, Tr};
inline constexpr TagSet kSelectExitStartTags{Input, Keygen, Textarea};
inline constexpr TagSet kSelectInTableTags{Caption, Table, Tbody, Tfoot, Thead, Tr, Td, Th};
inline constexpr TagSet kTableContextTags{Table, Html};
inline constexpr TagSet kTableBodyContextTags{Tbody, Tfoot, Thead, Html};
inline constexpr TagSet kTableRowContextTags{Tr, Html};
inline constexpr TagSet kResetModeTags{Select, Td, Th, Tr, Tbody, Thead, Tfoot, Caption, Colgroup,
                                       Table, Head, Body, Frameset, Html};
}  // namespace tags

}  // namespace novawick::html
