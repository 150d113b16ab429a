// #parsing-main-inbody, the mode in which almost all page content is built: the dispatch by token
// kind, characters, comments and end of file. Start tags are in in_body_start_tags.cpp, end tags in
// in_body_end_tags.cpp.
#include "html/nodes/string_util.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {

using State = HtmlTreeBuilderState;

std::string_view attributeValue(const TagToken& token, std::string_view name) {
    for (const TokenAttribute& attribute : token.attributes()) {
        if (equalsIgnoreCase(attribute.name, name)) return attribute.value;
    }
    return {};
}

bool isHiddenInput(const TagToken& token) { return equalsIgnoreCase(attributeValue(token, "type"), "hidden"); }

bool insertIfWhitespace(const Token& token, HtmlTreeBuilder& builder) {
    if (!isWhitespace(token)) return false;
    builder.insertCharacters(token.asCharacter().text());
    return true;
}

void closeParagraph(HtmlTreeBuilder& builder) {
    if (builder.inButtonScope(TagId::P)) builder.processEndTag("p");
}

ModeResult inBody(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char: {
            if (isNullCharacter(token)) {
                builder.error(State::InBody);
                return ModeResult::Ignored;
            }
            const std::string_view data = token.asCharacter().text();
            builder.reconstructFormattingElements();
            builder.insertCharacters(data);
            if (!isWhitespaceText(data)) builder.framesetOk(false);
            return ModeResult::Handled;
        }
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::InBody); return ModeResult::Ignored;
        case TokenType::StartTag: return inBodyStartTag(token.asStartTag(), builder);
        case TokenType::EndTag: return inBodyEndTag(token.asEndTag(), builder);
        case TokenType::EndOfFile: return ModeResult::Handled;
    }
    return ModeResult::Handled;
}

}  // namespace novawick::html::modes
