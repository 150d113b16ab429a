// Dispatch of a token to the rules of one insertion mode.
#include "html/parser/html_tree_builder_state.h"

#include "html/parser/modes/insertion_modes.h"

namespace novawick::html {

ModeResult processInState(HtmlTreeBuilderState state, Token& token, HtmlTreeBuilder& builder) {
    using State = HtmlTreeBuilderState;
    switch (state) {
        case State::Initial: return modes::initial(token, builder);
        case State::BeforeHtml: return modes::beforeHtml(token, builder);
        case State::BeforeHead: return modes::beforeHead(token, builder);
        case State::InHead: return modes::inHead(token, builder);
        case State::InHeadNoscript: return modes::inHeadNoscript(token, builder);
        case State::AfterHead: return modes::afterHead(token, builder);
        case State::InBody: return modes::inBody(token, builder);
        case State::Text: return modes::text(token, builder);
        case State::InTable: return modes::inTable(token, builder);
        case State::InTableText: return modes::inTableText(token, builder);
        case State::InCaption: return modes::inCaption(token, builder);
        case State::InColumnGroup: return modes::inColumnGroup(token, builder);
        case State::InTableBody: return modes::inTableBody(token, builder);
        case State::InRow: return modes::inRow(token, builder);
        case State::InCell: return modes::inCell(token, builder);
        case State::InSelect: return modes::inSelect(token, builder);
        case State::InSelectInTable: return modes::inSelectInTable(token, builder);
        case State::AfterBody: return modes::afterBody(token, builder);
        case State::InFrameset: return modes::inFrameset(token, builder);
        case State::AfterFrameset: return modes::afterFrameset(token, builder);
        case State::AfterAfterBody: return modes::afterAfterBody(token, builder);
        case State::AfterAfterFrameset: return modes::afterAfterFrameset(token, builder);
        case State::ForeignContent: return modes::foreignContent(token, builder);
    }
    return ModeResult::Ignored;  // unreachable: every mode is handled above
}

}  // namespace novawick::html
