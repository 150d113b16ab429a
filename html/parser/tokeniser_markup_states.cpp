// "<!" declarations and CDATA sections. A CDATA section is read in every context and its content is
// character data.
#include "html/parser/tokeniser.h"

namespace novawick::html {

using S = TokeniserState;

// #markup-declaration-open-state
void Tokeniser::markupDeclarationOpen() {
    if (reader_.matchConsume("--")) {
        newCommentPending();
        return transition(S::CommentStart);
    }
    if (reader_.matchConsumeIgnoreCase("DOCTYPE")) return transition(S::Doctype);
    if (reader_.matchConsume("[CDATA[")) return transition(S::CdataSection);
    reportUnexpectedCharacter();
    advanceTransition(S::BogusComment);
}

// #cdata-section-state
void Tokeniser::cdataSection() {
    emitRun(reader_.consumeTo(std::string_view("]]>")));
    reader_.matchConsume("]]>");
    transition(S::Data);
}

}  // namespace novawick::html
