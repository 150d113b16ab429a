// Scope tests, implied end tags and the insertion-mode reset. Each scope test compares two stack
// positions: the topmost element being looked for, and the topmost element that ends the scope. The
// element sought wins a tie (it is itself a scope boundary, as "table" is in table scope).
#include "html/nodes/element.h"
#include "html/nodes/tag.h"
#include "html/parser/html_tree_builder.h"

namespace novawick::html {

bool HtmlTreeBuilder::scopeTest(std::ptrdiff_t target, StackKind stops) const noexcept {
    return target != OpenElementStack::kNone && target >= stack_.topmost(stops);
}

bool HtmlTreeBuilder::inScope(TagId id) const noexcept {
    return scopeTest(stack_.topmost(id), StackKind::DefaultScopeStop);
}

bool HtmlTreeBuilder::inScope(TagSet ids) const noexcept {
    return scopeTest(stack_.topmostOf(ids), StackKind::DefaultScopeStop);
}

bool HtmlTreeBuilder::inListItemScope(TagId id) const noexcept {
    return scopeTest(stack_.topmost(id), StackKind::ListItemScopeStop);
}

bool HtmlTreeBuilder::inButtonScope(TagId id) const noexcept {
    return scopeTest(stack_.topmost(id), StackKind::ButtonScopeStop);
}

bool HtmlTreeBuilder::inTableScope(TagId id) const noexcept {
    return scopeTest(stack_.topmost(id), StackKind::TableScopeStop);
}

bool HtmlTreeBuilder::inTableScope(TagSet ids) const noexcept {
    return scopeTest(stack_.topmostOf(ids), StackKind::TableScopeStop);
}

bool HtmlTreeBuilder::inSelectScope(TagId id) const noexcept {
    return scopeTest(stack_.topmost(id), StackKind::SelectScopeStop);
}

void HtmlTreeBuilder::generateImpliedEndTags(TagId except) {
    while (currentIsAny(tags::kImpliedEndTags) && stack_.currentId() != except) stack_.pop();
}

bool HtmlTreeBuilder::isSpecial(const Element& element) {
    return tags::kSpecialTags.contains(element.tag().builderId());
}

// #reset-the-insertion-mode-appropriately: the topmost element that decides a mode decides it.
void HtmlTreeBuilder::resetInsertionMode() {
    const std::ptrdiff_t position = stack_.topmost(StackKind::ResetMode);
    if (position == OpenElementStack::kNone) {
        state_ = State::InBody;
        return;
    }
    const bool isBottom = position == 0;
    switch (stack_.idAt(static_cast<std::size_t>(position))) {
        case TagId::Select: state_ = State::InSelect; return;
        case TagId::Td:
        case TagId::Th: state_ = isBottom ? State::InBody : State::InCell; return;
        case TagId::Tr: state_ = State::InRow; return;
        case TagId::Tbody:
        case TagId::Thead:
        case TagId::Tfoot: state_ = State::InTableBody; return;
        case TagId::Caption: state_ = State::InCaption; return;
        case TagId::Colgroup: state_ = State::InColumnGroup; return;
        case TagId::Table: state_ = State::InTable; return;
        case TagId::Frameset: state_ = State::InFrameset; return;
        case TagId::Html: state_ = State::BeforeHead; return;
        default: state_ = State::InBody; return;  // head, body
    }
}

}  // namespace novawick::html
