// The select modes: InSelect (#parsing-main-inselect) and InSelectInTable
// (#parsing-main-inselectintable). Select parsing is the older one: inside a select only options,
// option groups and script are built, and anything else is dropped.
#include "html/nodes/element.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {
namespace {

using State = HtmlTreeBuilderState;

ModeResult ignoredWithError(HtmlTreeBuilder& builder) {
    builder.error(State::InSelect);
    return ModeResult::Ignored;
}

ModeResult inSelectStartTag(StartTagToken& tag, HtmlTreeBuilder& builder) {
    const TagId id = idOf(tag);
    switch (id) {
        case TagId::Html: return builder.processAs(State::InBody, tag);
        case TagId::Option:
            if (builder.currentIs(TagId::Option)) builder.pop();
            builder.insert(tag);
            return ModeResult::Handled;
        case TagId::Optgroup:
            if (builder.currentIs(TagId::Option)) builder.pop();
            if (builder.currentIs(TagId::Optgroup)) builder.pop();
            builder.insert(tag);
            return ModeResult::Handled;
        case TagId::Select:
            builder.error(State::InSelect);
            return builder.processEndTag("select") ? ModeResult::Handled : ModeResult::Ignored;
        case TagId::Script: return builder.processAs(State::InHead, tag);
        default: break;
    }
    if (!tags::kSelectExitStartTags.contains(id)) return ignoredWithError(builder);
    builder.error(State::InSelect);
    if (!builder.inSelectScope(TagId::Select)) return ModeResult::Ignored;
    builder.processEndTag("select");
    return ModeResult::Reprocess;
}

ModeResult inSelectEndTag(EndTagToken& tag, HtmlTreeBuilder& builder) {
    switch (idOf(tag)) {
        case TagId::Optgroup: {
            OpenElementStack& stack = builder.stack();
            const bool optionInGroup = builder.currentIs(TagId::Option) && stack.size() > 1 &&
                                       stack.idAt(stack.size() - 2) == TagId::Optgroup;
            if (optionInGroup) builder.processEndTag("option");
            if (!builder.currentIs(TagId::Optgroup)) return ignoredWithError(builder);
            builder.pop();
            return ModeResult::Handled;
        }
        case TagId::Option:
            if (!builder.currentIs(TagId::Option)) return ignoredWithError(builder);
            builder.pop();
            return ModeResult::Handled;
        case TagId::Select:
            if (!builder.inSelectScope(TagId::Select)) return ignoredWithError(builder);
            builder.popStackToClose(TagId::Select);
            builder.resetInsertionMode();
            return ModeResult::Handled;
        default: return ignoredWithError(builder);
    }
}

}  // namespace

ModeResult inSelect(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (isNullCharacter(token)) return ignoredWithError(builder);
            builder.insertCharacters(token.asCharacter().text());
            return ModeResult::Handled;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: return ignoredWithError(builder);
        case TokenType::StartTag: return inSelectStartTag(token.asStartTag(), builder);
        case TokenType::EndTag: return inSelectEndTag(token.asEndTag(), builder);
        case TokenType::EndOfFile:
            if (!builder.currentIs(TagId::Html)) builder.error(State::InSelect);
            return ModeResult::Handled;
    }
    return ModeResult::Handled;
}

ModeResult inSelectInTable(Token& token, HtmlTreeBuilder& builder) {
    if (token.isStartTag() && tags::kSelectInTableTags.contains(idOf(token.asStartTag()))) {
        builder.error(State::InSelectInTable);
        builder.processEndTag("select");
        return ModeResult::Reprocess;
    }
    if (token.isEndTag() && tags::kSelectInTableTags.contains(idOf(token.asEndTag()))) {
        builder.error(State::InSelectInTable);
        if (!builder.inTableScope(idOf(token.asEndTag()))) return ModeResult::Ignored;
        builder.processEndTag("select");
        return ModeResult::Reprocess;
    }
    return builder.processAs(State::InSelect, token);
}

}  // namespace novawick::html::modes
