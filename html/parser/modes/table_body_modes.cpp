// The modes inside a table's rows: InTableBody (#parsing-main-intbody), InRow (#parsing-main-intr)
// and InCell (#parsing-main-intd). Anything they do not handle goes to InTable or InBody.
#include "html/nodes/element.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {
namespace {

using State = HtmlTreeBuilderState;

bool isStartTagIn(const Token& token, TagSet ids) { return token.isStartTag() && ids.contains(idOf(token.asStartTag())); }
bool isEndTagIn(const Token& token, TagSet ids) { return token.isEndTag() && ids.contains(idOf(token.asEndTag())); }

ModeResult ignoredWithError(State state, HtmlTreeBuilder& builder) {
    builder.error(state);
    return ModeResult::Ignored;
}

// Leaves the table body for a token that belongs to the table itself.
ModeResult exitTableBody(HtmlTreeBuilder& builder) {
    const bool anyOpen = builder.inTableScope(TagId::Tbody) || builder.inTableScope(TagId::Thead) ||
                         builder.inTableScope(TagId::Tfoot);
    if (!anyOpen) return ignoredWithError(State::InTableBody, builder);
    builder.clearStackToTableBodyContext();
    builder.processEndTag(builder.currentElement()->tagName());
    return ModeResult::Reprocess;
}

void closeCell(HtmlTreeBuilder& builder) {
    builder.processEndTag(builder.inTableScope(TagId::Td) ? "td" : "th");
}

}  // namespace

ModeResult inTableBody(Token& token, HtmlTreeBuilder& builder) {
    if (isStartTag(token, TagId::Tr)) {
        builder.clearStackToTableBodyContext();
        builder.insert(token.asStartTag());
        builder.transition(State::InRow);
        return ModeResult::Handled;
    }
    if (isStartTagIn(token, tags::kTableCellTags)) {
        builder.error(State::InTableBody);
        builder.processStartTag("tr");
        return ModeResult::Reprocess;
    }
    if (isStartTagIn(token, tags::kTableBodyExitStartTags) || isEndTag(token, TagId::Table)) {
        return exitTableBody(builder);
    }
    if (isEndTagIn(token, tags::kTableBodyTags)) {
        if (!builder.inTableScope(idOf(token.asEndTag()))) return ignoredWithError(State::InTableBody, builder);
        builder.clearStackToTableBodyContext();
        builder.pop();
        builder.transition(State::InTable);
        return ModeResult::Handled;
    }
    if (isEndTagIn(token, tags::kTableBodyIgnoredEndTags)) return ignoredWithError(State::InTableBody, builder);
    return builder.processAs(State::InTable, token);
}

ModeResult inRow(Token& token, HtmlTreeBuilder& builder) {
    if (isStartTagIn(token, tags::kTableCellTags)) {
        builder.clearStackToTableRowContext();
        builder.insert(token.asStartTag());
        builder.transition(State::InCell);
        builder.insertMarkerToFormattingElements();
        return ModeResult::Handled;
    }
    if (isStartTagIn(token, tags::kRowExitStartTags) || isEndTag(token, TagId::Table)) {
        return builder.processEndTag("tr") ? ModeResult::Reprocess : ModeResult::Ignored;
    }
    if (isEndTag(token, TagId::Tr)) {
        if (!builder.inTableScope(TagId::Tr)) return ignoredWithError(State::InRow, builder);
        builder.clearStackToTableRowContext();
        builder.pop();
        builder.transition(State::InTableBody);
        return ModeResult::Handled;
    }
    if (isEndTagIn(token, tags::kTableBodyTags)) {
        if (!builder.inTableScope(idOf(token.asEndTag()))) return ignoredWithError(State::InRow, builder);
        builder.processEndTag("tr");
        return ModeResult::Reprocess;
    }
    if (isEndTagIn(token, tags::kRowIgnoredEndTags)) return ignoredWithError(State::InRow, builder);
    return builder.processAs(State::InTable, token);
}

ModeResult inCell(Token& token, HtmlTreeBuilder& builder) {
    if (isEndTagIn(token, tags::kTableCellTags)) {
        const TagId id = idOf(token.asEndTag());
        if (!builder.inTableScope(id)) {
            builder.error(State::InCell);
            builder.transition(State::InRow);
            return ModeResult::Ignored;
        }
        builder.generateImpliedEndTags();
        if (!builder.currentIs(id)) builder.error(State::InCell);
        builder.popStackToClose(id);
        builder.clearFormattingElementsToLastMarker();
        builder.transition(State::InRow);
        return ModeResult::Handled;
    }
    if (isEndTagIn(token, tags::kCellIgnoredEndTags)) return ignoredWithError(State::InCell, builder);
    if (isEndTagIn(token, tags::kCellClosingEndTags)) {
        if (!builder.inTableScope(idOf(token.asEndTag()))) return ignoredWithError(State::InCell, builder);
        closeCell(builder);
        return ModeResult::Reprocess;
    }
    if (isStartTagIn(token, tags::kCaptionExitStartTags)) {
        if (!builder.inTableScope(TagId::Td) && !builder.inTableScope(TagId::Th)) {
            return ignoredWithError(State::InCell, builder);
        }
        closeCell(builder);
        return ModeResult::Reprocess;
    }
    return builder.processAs(State::InBody, token);
}

}  // namespace novawick::html::modes
