// The rules of each insertion mode, one function per mode, and the small helpers they share. Each
// mode function is dispatched by processInState (html_tree_builder_state.cpp) and names its WHATWG
// anchor in a comment; where this library's rules differ from the standard, the mode says so.
#pragma once

#include <string_view>

#include "html/parser/html_tree_builder.h"
#include "html/parser/token.h"
#include "html/parser/tokeniser_state.h"
#include "html/parser/tree_builder_tags.h"

namespace novawick::html::modes {

ModeResult initial(Token& token, HtmlTreeBuilder& builder);
ModeResult beforeHtml(Token& token, HtmlTreeBuilder& builder);
ModeResult beforeHead(Token& token, HtmlTreeBuilder& builder);
ModeResult inHead(Token& token, HtmlTreeBuilder& builder);
ModeResult inHeadNoscript(Token& token, HtmlTreeBuilder& builder);
ModeResult afterHead(Token& token, HtmlTreeBuilder& builder);
ModeResult inBody(Token& token, HtmlTreeBuilder& builder);
ModeResult text(Token& token, HtmlTreeBuilder& builder);
ModeResult inTable(Token& token, HtmlTreeBuilder& builder);
ModeResult inTableText(Token& token, HtmlTreeBuilder& builder);
ModeResult inCaption(Token& token, HtmlTreeBuilder& builder);
ModeResult inColumnGroup(Token& token, HtmlTreeBuilder& builder);
ModeResult inTableBody(Token& token, HtmlTreeBuilder& builder);
ModeResult inRow(Token& token, HtmlTreeBuilder& builder);
ModeResult inCell(Token& token, HtmlTreeBuilder& builder);
ModeResult inSelect(Token& token, HtmlTreeBuilder& builder);
ModeResult inSelectInTable(Token& token, HtmlTreeBuilder& builder);
ModeResult afterBody(Token& token, HtmlTreeBuilder& builder);
ModeResult inFrameset(Token& token, HtmlTreeBuilder& builder);
ModeResult afterFrameset(Token& token, HtmlTreeBuilder& builder);
ModeResult afterAfterBody(Token& token, HtmlTreeBuilder& builder);
ModeResult afterAfterFrameset(Token& token, HtmlTreeBuilder& builder);
ModeResult foreignContent(Token& token, HtmlTreeBuilder& builder);

// In-body pieces (in_body*.cpp), also used by the adoption agency and the table modes.
ModeResult inBodyStartTag(StartTagToken& token, HtmlTreeBuilder& builder);
ModeResult inBodyEndTag(EndTagToken& token, HtmlTreeBuilder& builder);
ModeResult inBodyAnyOtherEndTag(const EndTagToken& token, HtmlTreeBuilder& builder);
/// "Close a p": an end tag p when a p is in button scope.
void closeParagraph(HtmlTreeBuilder& builder);
/// Inserts a raw-text element (title, textarea, style, script ...) and switches to Text.
void insertRawText(StartTagToken& token, HtmlTreeBuilder& builder, TokeniserState tokeniserState);

/// Tab, line feed, form feed, carriage return and space.
constexpr bool isWhitespaceCharacter(char c) noexcept {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
constexpr bool isWhitespaceText(std::string_view text) noexcept {
    for (char c : text) {
        if (!isWhitespaceCharacter(c)) return false;
    }
    return true;
}
/// A character token all of whose characters are whitespace.
inline bool isWhitespace(const Token& token) {
    return token.isCharacter() && isWhitespaceText(token.asCharacter().text());
}
/// Inserts a whitespace-only character token as it is (the modes that keep inter-element whitespace);
/// false, inserting nothing, for any other token.
bool insertIfWhitespace(const Token& token, HtmlTreeBuilder& builder);
/// A character token holding exactly one U+0000.
inline bool isNullCharacter(const Token& token) {
    return token.isCharacter() && token.asCharacter().text() == std::string_view("\0", 1);
}
inline TagId idOf(const TagToken& token) { return token.id(); }
inline bool isStartTag(const Token& token, TagId id) { return token.isStartTag() && idOf(token.asStartTag()) == id; }
inline bool isEndTag(const Token& token, TagId id) { return token.isEndTag() && idOf(token.asEndTag()) == id; }
/// The value of the tag's attribute named `name` ignoring case, or "".
std::string_view attributeValue(const TagToken& token, std::string_view name);
/// A type attribute equal to "hidden", ignoring case.
bool isHiddenInput(const TagToken& token);

}  // namespace novawick::html::modes
