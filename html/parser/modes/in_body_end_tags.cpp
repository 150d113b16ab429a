// End tags in #parsing-main-inbody. Every "is it open" question is a scope test on indexed stack
// positions, and "any other end tag" compares the topmost element of that name with the topmost
// special element, so no end tag walks the stack.
#include "html/nodes/element.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {
namespace {

using State = HtmlTreeBuilderState;

// The shared shape of block, list item and applet end tags: ignore unless in scope, else close.
ModeResult closeElement(TagId id, bool inScope, HtmlTreeBuilder& builder, TagId exceptImplied = TagId::Other) {
    if (!inScope) {
        builder.error(State::InBody);
        return ModeResult::Ignored;
    }
    builder.generateImpliedEndTags(exceptImplied);
    if (!builder.currentIs(id)) builder.error(State::InBody);
    builder.popStackToClose(id);
    return ModeResult::Handled;
}

ModeResult bodyOrHtml(TagId id, HtmlTreeBuilder& builder) {
    if (id == TagId::Html) {
        return builder.processEndTag("body") ? ModeResult::Reprocess : ModeResult::Ignored;
    }
    if (!builder.inScope(TagId::Body)) {
        builder.error(State::InBody);
        return ModeResult::Ignored;
    }
    builder.transition(State::AfterBody);
    return ModeResult::Handled;
}

// The form closes, but elements opened inside it stay open.
ModeResult form(HtmlTreeBuilder& builder) {
    FormElement* form = builder.formElement();
    builder.setFormElement(nullptr);
    if (form == nullptr || !builder.inScope(TagId::Form)) {
        builder.error(State::InBody);
        return ModeResult::Ignored;
    }
    builder.generateImpliedEndTags();
    if (builder.currentElement() != form) builder.error(State::InBody);
    builder.removeFromStack(form);
    return ModeResult::Handled;
}

ModeResult paragraph(HtmlTreeBuilder& builder) {
    if (!builder.inButtonScope(TagId::P)) {
        builder.error(State::InBody);
        builder.processStartTag("p");
        return ModeResult::Reprocess;
    }
    return closeElement(TagId::P, true, builder, TagId::P);
}

ModeResult heading(TagId id, HtmlTreeBuilder& builder) {
    if (!builder.inScope(tags::kHeadingTags)) {
        builder.error(State::InBody);
        return ModeResult::Ignored;
    }
    builder.generateImpliedEndTags(id);
    if (!builder.currentIs(id)) builder.error(State::InBody);
    builder.popStackToCloseAny(tags::kHeadingTags);
    return ModeResult::Handled;
}

}  // namespace

ModeResult inBodyAnyOtherEndTag(const EndTagToken& token, HtmlTreeBuilder& builder) {
    const std::string& name = token.normalName();
    const TagId id = token.id();
    OpenElementStack& stack = builder.stack();
    const std::ptrdiff_t position = stack.topmost(name, id, token.knownTag());
    if (position == OpenElementStack::kNone || position < stack.topmost(StackKind::Special)) {
        builder.error(State::InBody);
        return ModeResult::Ignored;
    }
    // Implied end tags stop at the element sought (its id is the exception), so `position` holds.
    builder.generateImpliedEndTags(id);
    if (builder.currentElement()->tagName() != name) builder.error(State::InBody);
    while (stack.size() > static_cast<std::size_t>(position)) stack.pop();
    return ModeResult::Handled;
}

ModeResult inBodyEndTag(EndTagToken& token, HtmlTreeBuilder& builder) {
    const TagId id = idOf(token);
    if (id == TagId::Body || id == TagId::Html) return bodyOrHtml(id, builder);
    if (tags::kBlockEndTags.contains(id)) return closeElement(id, builder.inScope(id), builder);
    if (tags::kDefinitionTags.contains(id)) return closeElement(id, builder.inScope(id), builder, id);
    if (tags::kHeadingTags.contains(id)) return heading(id, builder);
    if (tags::kAdoptionTags.contains(id)) return builder.runAdoptionAgency(token);
    if (tags::kAppletLikeTags.contains(id)) {
        const ModeResult result = closeElement(id, builder.inScope(id), builder);
        if (result == ModeResult::Handled) builder.clearFormattingElementsToLastMarker();
        return result;
    }
    switch (id) {
        case TagId::Form: return form(builder);
        case TagId::P: return paragraph(builder);
        case TagId::Li: return closeElement(TagId::Li, builder.inListItemScope(TagId::Li), builder, TagId::Li);
        case TagId::Br:
            builder.error(State::InBody);
            builder.processStartTag("br");
            return ModeResult::Ignored;
        default: return inBodyAnyOtherEndTag(token, builder);
    }
}

}  // namespace novawick::html::modes
