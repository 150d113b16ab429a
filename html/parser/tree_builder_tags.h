// Tag names the tree builder reasons about, as a small enumeration, and the named sets of them that
// the builder and the insertion modes test against.
//
// Every rule of tree construction asks "is this name one of ...". Doing that with string lists costs
// a dozen string compares per token; instead a token's name is looked up once (a binary search over
// the sorted names below) and every set is a 128-bit mask, so each test is one bit test. Names the
// builder has no rule for map to TagId::Other.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace html {

// One list, in byte order of the names, gives both the enumeration and its name table.
#define HTML_TREE_BUILDER_TAGS(X)                                                                         \
    X(A, "a") X(Address, "address") X(Applet, "applet") X(Area, "area") X(Article, "article")            \
    X(Aside, "aside") X(B, "b") X(Base, "base") X(Basefont, "basefont") X(Bgsound, "bgsound")             \
    X(Big, "big") X(Blockquote, "blockquote") X(Body, "body") X(Br, "br") X(Button, "button")             \
    X(Caption, "caption") X(Center, "center") X(Code, "code") X(Col, "col") X(Colgroup, "colgroup")       \
    X(Command, "command") X(Dd, "dd") X(Details, "details") X(Dir, "dir") X(Div, "div") X(Dl, "dl")       \
    X(Dt, "dt") X(Em, "em") X(Embed, "embed") X(Fieldset, "fieldset") X(Figcaption, "figcaption")         \
    X(Figure, "figure") X(Font, "font") X(Footer, "footer") X(Form, "form") X(Frame, "frame")             \
    X(Frameset, "frameset") X(H1, "h1") X(H2, "h2") X(H3, "h3") X(H4, "h4") X(H5, "h5") X(H6, "h6")       \
    X(Head, "head") X(Header, "header") X(Hgroup, "hgroup") X(Hr, "hr") X(Html, "html") X(I, "i")         \
    X(Iframe, "iframe") X(Image, "image") X(Img, "img") X(Input, "input") X(Isindex, "isindex")           \
    X(Keygen, "keygen") X(Label, "label") X(Li, "li") X(Link, "link") X(Listing, "listing")               \
    X(Marquee, "marquee") X(Math, "math") X(Menu, "menu") X(Meta, "meta") X(Nav, "nav") X(Nobr, "nobr")   \
    X(Noembed, "noembed") X(Noframes, "noframes") X(Noscript, "noscript") X(Object, "object")             \
    X(Ol, "ol") X(Optgroup, "optgroup") X(Option, "option") X(P, "p") X(Param, "param")                   \
    X(Plaintext, "plaintext") X(Pre, "pre") X(Rp, "rp") X(Rt, "rt") X(Ruby, "ruby") X(S, "s")             \
    X(Script, "script") X(Section, "section") X(Select, "select") X(Small, "small") X(Source, "source")   \
    X(Strike, "strike") X(Strong, "strong") X(Style, "style") X(Summary, "summary") X(Svg, "svg")         \
    X(Table, "table") X(Tbody, "tbody") X(Td, "td") X(Textarea, "textarea") X(Tfoot, "tfoot")             \
    X(Th, "th") X(Thead, "thead") X(Title, "title") X(Tr, "tr") X(Track, "track") X(Tt, "tt") X(U, "u")   \
    X(Ul, "ul") X(Wbr, "wbr") X(Xmp, "xmp")

enum class TagId : std::uint8_t {
#define HTML_TREE_BUILDER_TAG_ID(id, name) id,
    HTML_TREE_BUILDER_TAGS(HTML_TREE_BUILDER_TAG_ID)
#undef HTML_TREE_BUILDER_TAG_ID
    Other,  // any name without a rule of its own
};

inline constexpr std::size_t kNamedTagCount = static_cast<std::size_t>(TagId::Other);
inline constexpr std::size_t kTagIdCount = kNamedTagCount + 1;

inline constexpr std::array<std::string_view, kNamedTagCount> kTagIdNames = {
#define HTML_TREE_BUILDER_TAG_NAME(id, name) name,
    HTML_TREE_BUILDER_TAGS(HTML_TREE_BUILDER_TAG_NAME)
#undef HTML_TREE_BUILDER_TAG_NAME
};

namespace detail {
constexpr bool namesAreSorted() {
    for (std::size_t i = 1; i < kTagIdNames.size(); ++i) {
        if (!(kTagIdNames[i - 1] < kTagIdNames[i])) return false;
    }
    return true;
}
}  // namespace detail
static_assert(detail::namesAreSorted(), "the lookup bisects the names: keep them in byte order");

/// The builder's id for a lower-case tag name; TagId::Other for names without a rule.
TagId tagIdOf(std::string_view name) noexcept;

/// The name of a named id ("" for Other).
constexpr std::string_view tagIdName(TagId id) noexcept {
    return id == TagId::Other ? std::string_view() : kTagIdNames[static_cast<std::size_t>(id)];
}

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

}  // namespace html
