// The insertion modes of the HTML tree builder and the one entry that dispatches a token to a mode.
//
// A mode's rules live in html/parser/modes/, one file per mode or small family. Each rule returns
// what became of the token: handled, ignored (a parse error dropped it), or to be reprocessed in the
// builder's current mode. Reprocessing is a returned value, never a flag, so the builder's loop is the
// only place that re-dispatches.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace novawick::html {

class HtmlTreeBuilder;
class Token;

enum class HtmlTreeBuilderState : std::uint8_t {
    Initial,
    BeforeHtml,
    BeforeHead,
    InHead,
    InHeadNoscript,
    AfterHead,
    InBody,
    Text,
    InTable,
    InTableText,
    InCaption,
    InColumnGroup,
    InTableBody,
    InRow,
    InCell,
    InSelect,
    InSelectInTable,
    AfterBody,
    InFrameset,
    AfterFrameset,
    AfterAfterBody,
    AfterAfterFrameset,
    ForeignContent,
};

inline constexpr std::array<std::string_view, 23> kHtmlTreeBuilderStateNames = {
    "Initial",       "BeforeHtml",     "BeforeHead",    "InHead",         "InHeadNoscript",     "AfterHead",
    "InBody",        "Text",           "InTable",       "InTableText",    "InCaption",          "InColumnGroup",
    "InTableBody",   "InRow",          "InCell",        "InSelect",       "InSelectInTable",    "AfterBody",
    "InFrameset",    "AfterFrameset",  "AfterAfterBody", "AfterAfterFrameset", "ForeignContent"};
static_assert(kHtmlTreeBuilderStateNames.size() == static_cast<std::size_t>(HtmlTreeBuilderState::ForeignContent) + 1);

/// The mode's name, as used in parse error messages.
constexpr std::string_view stateName(HtmlTreeBuilderState state) {
    return kHtmlTreeBuilderStateNames[static_cast<std::size_t>(state)];
}

/// What a mode did with a token.
enum class ModeResult : std::uint8_t {
    Handled,    // placed (or consumed) as the rules say
    Ignored,    // dropped after a parse error
    Reprocess,  // hand the same token to the builder's current mode again
};

/// Runs `token` once through the rules of `state`.
ModeResult processInState(HtmlTreeBuilderState state, Token& token, HtmlTreeBuilder& builder);

}  // namespace novawick::html
