// The table modes: InTable (#parsing-main-intable), InTableText (#parsing-main-intabletext),
// InCaption and InColumnGroup.
//
// Deliberate difference from the standard: character data is never foster-parented. Text that is
// not whitespace still goes through the in-body rules with foster inserting switched on (so the
// formatting elements it reopens land before the table), but the text node itself is appended to the
// current element, and so stays inside the table.
#include "html/nodes/element.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {
namespace {

using State = HtmlTreeBuilderState;

// Content that does not belong in a table is built by the in-body rules, placed before the table.
// Foster inserting stays on for the whole token, including the tags the in-body rules feed back
// through the table modes (an `a` closing an earlier `a`), so it is restored rather than cleared.
ModeResult processInBodyFostered(Token& token, HtmlTreeBuilder& builder) {
    if (!builder.currentIsAny(tags::kTableStructureTags)) return builder.processAs(State::InBody, token);
    const bool wasFostering = builder.isFosterInserts();
    builder.setFosterInserts(true);
    const ModeResult result = builder.processAs(State::InBody, token);
    builder.setFosterInserts(wasFostering);
    return result;
}

ModeResult inTableAnythingElse(Token& token, HtmlTreeBuilder& builder) {
    builder.error(State::InTable);
    return processInBodyFostered(token, builder);
}

ModeResult inTableStartTag(StartTagToken& tag, HtmlTreeBuilder& builder) {
    switch (idOf(tag)) {
        case TagId::Caption:
            builder.clearStackToTableContext();
            builder.insertMarkerToFormattingElements();
            builder.insert(tag);
            builder.transition(State::InCaption);
            return ModeResult::Handled;
        case TagId::Colgroup:
            builder.clearStackToTableContext();
            builder.insert(tag);
            builder.transition(State::InColumnGroup);
            return ModeResult::Handled;
        case TagId::Col: builder.processStartTag("colgroup"); return ModeResult::Reprocess;
        case TagId::Tbody:
        case TagId::Tfoot:
        case TagId::Thead:
            builder.clearStackToTableContext();
            builder.insert(tag);
            builder.transition(State::InTableBody);
            return ModeResult::Handled;
        case TagId::Td:
        case TagId::Th:
        case TagId::Tr: builder.processStartTag("tbody"); return ModeResult::Reprocess;
        case TagId::Table:
            builder.error(State::InTable);
            return builder.processEndTag("table") ? ModeResult::Reprocess : ModeResult::Handled;
        case TagId::Style:
        case TagId::Script: return builder.processAs(State::InHead, tag);
        case TagId::Input:
            if (!isHiddenInput(tag)) return inTableAnythingElse(tag, builder);
            builder.error(State::InTable);
            builder.insertEmpty(tag);
            return ModeResult::Handled;
        case TagId::Form:
            builder.error(State::InTable);
            if (builder.formElement() != nullptr) return ModeResult::Ignored;
            builder.insertForm(tag, false);
            return ModeResult::Handled;
        default: return inTableAnythingElse(tag, builder);
    }
}

ModeResult inTableEndTag(EndTagToken& tag, HtmlTreeBuilder& builder) {
    const TagId id = idOf(tag);
    if (id == TagId::Table) {
        if (!builder.inTableScope(TagId::Table)) {
            builder.error(State::InTable);
            return ModeResult::Ignored;
        }
        builder.popStackToClose(TagId::Table);
        builder.resetInsertionMode();
        return ModeResult::Handled;
    }
    if (tags::kTableIgnoredEndTags.contains(id)) {
        builder.error(State::InTable);
        return ModeResult::Ignored;
    }
    return inTableAnythingElse(tag, builder);
}

}  // namespace

ModeResult inTable(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (!builder.currentIsAny(tags::kTableStructureTags)) break;
            builder.pendingTableCharacters().clear();
            builder.markInsertionMode();
            builder.transition(State::InTableText);
            return ModeResult::Reprocess;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::InTable); return ModeResult::Ignored;
        case TokenType::StartTag: return inTableStartTag(token.asStartTag(), builder);
        case TokenType::EndTag: return inTableEndTag(token.asEndTag(), builder);
        case TokenType::EndOfFile:
            if (!builder.currentIs(TagId::Html)) builder.error(State::InTable);
            return ModeResult::Handled;
    }
    return inTableAnythingElse(token, builder);
}

ModeResult inTableText(Token& token, HtmlTreeBuilder& builder) {
    if (token.isCharacter()) {
        if (isNullCharacter(token)) {
            builder.error(State::InTableText);
            return ModeResult::Ignored;
        }
        builder.pendingTableCharacters().emplace_back(token.asCharacter().text());
        return ModeResult::Handled;
    }
    std::vector<std::string>& pending = builder.pendingTableCharacters();
    bool allWhitespace = true;
    for (const std::string& piece : pending) allWhitespace = allWhitespace && isWhitespaceText(piece);
    for (const std::string& piece : pending) {
        if (allWhitespace) {
            builder.insertCharacters(piece);
            continue;
        }
        builder.error(State::InTableText);
        CharacterToken characters;
        characters.data = piece;
        processInBodyFostered(characters, builder);
    }
    pending.clear();
    builder.transition(builder.originalState());
    return ModeResult::Reprocess;
}

// #parsing-main-incaption
ModeResult inCaption(Token& token, HtmlTreeBuilder& builder) {
    if (isEndTag(token, TagId::Caption)) {
        if (!builder.inTableScope(TagId::Caption)) {
            builder.error(State::InCaption);
            return ModeResult::Ignored;
        }
        builder.generateImpliedEndTags();
        if (!builder.currentIs(TagId::Caption)) builder.error(State::InCaption);
        builder.popStackToClose(TagId::Caption);
        builder.clearFormattingElementsToLastMarker();
        builder.transition(State::InTable);
        return ModeResult::Handled;
    }
    const bool exits = (token.isStartTag() && tags::kCaptionExitStartTags.contains(idOf(token.asStartTag()))) ||
                       isEndTag(token, TagId::Table);
    if (exits) {
        builder.error(State::InCaption);
        return builder.processEndTag("caption") ? ModeResult::Reprocess : ModeResult::Handled;
    }
    if (token.isEndTag() && tags::kCaptionIgnoredEndTags.contains(idOf(token.asEndTag()))) {
        builder.error(State::InCaption);
        return ModeResult::Ignored;
    }
    return builder.processAs(State::InBody, token);
}

// #parsing-main-incolgroup
ModeResult inColumnGroup(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (insertIfWhitespace(token, builder)) return ModeResult::Handled;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::InColumnGroup); return ModeResult::Ignored;
        case TokenType::StartTag: {
            const TagId id = idOf(token.asStartTag());
            if (id == TagId::Html) return builder.processAs(State::InBody, token);
            if (id == TagId::Col) {
                builder.insertEmpty(token.asStartTag());
                return ModeResult::Handled;
            }
            break;
        }
        case TokenType::EndTag: {
            const TagId id = idOf(token.asEndTag());
            if (id == TagId::Colgroup) {
                if (builder.currentIs(TagId::Html)) {
                    builder.error(State::InColumnGroup);
                    return ModeResult::Ignored;
                }
                builder.pop();
                builder.transition(State::InTable);
                return ModeResult::Handled;
            }
            if (id == TagId::Col) {
                builder.error(State::InColumnGroup);
                return ModeResult::Ignored;
            }
            break;
        }
        case TokenType::EndOfFile:
            if (builder.currentIs(TagId::Html)) return ModeResult::Handled;
            break;
    }
    return builder.processEndTag("colgroup") ? ModeResult::Reprocess : ModeResult::Handled;
}

}  // namespace novawick::html::modes
