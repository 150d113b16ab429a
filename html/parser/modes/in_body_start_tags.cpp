// Start tags in #parsing-main-inbody, grouped as the rules group them: document structure, blocks,
// formatting elements, void and table elements, raw text and form controls. Each group answers only
// for its own tags; anything no group claims is an ordinary element.
//
// Deliberate differences from the standard: no newline is dropped after pre, listing or textarea;
// isindex is rewritten into a form; rp and rt close up to the ruby; svg and math are plain elements
// (image becomes img only outside an svg); template is an ordinary element.
#include <optional>
#include <string>
#include <unordered_set>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/string_util.h"
#include "html/parser/modes/insertion_modes.h"
#include "html/parser/tokeniser.h"

namespace novawick::html::modes {
namespace {

using State = HtmlTreeBuilderState;
using Result = std::optional<ModeResult>;

constexpr std::string_view kIsindexPrompt = "This is a searchable index. Enter search keywords: ";

// Adds each of the tag's attributes that the element lacks (html and body merge repeated tags).
void addMissingAttributes(Element& element, const TagToken& tag, const ParseSettings& settings) {
    std::unordered_set<std::string> present;
    for (const Attribute& attribute : element.attributes()) present.emplace(attribute.key());
    for (const TokenAttribute& attribute : tag.attributes()) {
        std::string key = settings.normalizeAttribute(attribute.name);
        if (key.empty() || present.contains(key)) continue;
        element.attributes().appendUnchecked(key, attribute.value, attribute.isBoolean);
        present.insert(std::move(key));
    }
}

bool secondElementIsBody(HtmlTreeBuilder& builder) {
    return builder.stack().size() > 1 && builder.stack().idAt(1) == TagId::Body;
}

Result documentStructureTag(TagId id, StartTagToken& tag, HtmlTreeBuilder& builder) {
    switch (id) {
        case TagId::Html:
            builder.error(State::InBody);
            addMissingAttributes(*builder.stack().bottom(), tag, builder.settings());
            return ModeResult::Handled;
        case TagId::Body:
            builder.error(State::InBody);
            if (!secondElementIsBody(builder)) return ModeResult::Ignored;
            builder.framesetOk(false);
            addMissingAttributes(*builder.stack().at(1), tag, builder.settings());
            return ModeResult::Handled;
        case TagId::Frameset:
            builder.error(State::InBody);
            if (!secondElementIsBody(builder) || !builder.framesetOk()) return ModeResult::Ignored;
            builder.stack().at(1)->remove();
            while (builder.stack().size() > 1) builder.pop();
            builder.insert(tag);
            builder.transition(State::InFrameset);
            return ModeResult::Handled;
        default: break;
    }
    if (tags::kHeadContentTags.contains(id)) return builder.processAs(State::InHead, tag);
    return std::nullopt;
}

// li, dd and dt close an open item of their kind unless a special element lies between.
void closeListItem(TagSet kinds, HtmlTreeBuilder& builder) {
    const std::ptrdiff_t item = builder.stack().topmostOf(kinds);
    if (item == OpenElementStack::kNone || item < builder.stack().topmost(StackKind::ListWalkStop)) return;
    builder.processEndTag(tagIdName(builder.stack().idAt(static_cast<std::size_t>(item))));
}

Result blockTag(TagId id, StartTagToken& tag, HtmlTreeBuilder& builder) {
    if (tags::kParagraphClosingTags.contains(id)) {
        closeParagraph(builder);
        builder.insert(tag);
        return ModeResult::Handled;
    }
    if (tags::kHeadingTags.contains(id)) {
        closeParagraph(builder);
        if (builder.currentIsAny(tags::kHeadingTags)) {
            builder.error(State::InBody);
            builder.pop();
        }
        builder.insert(tag);
        return ModeResult::Handled;
    }
    if (tags::kPreformattedTags.contains(id)) {
        closeParagraph(builder);
        builder.insert(tag);
        builder.framesetOk(false);
        return ModeResult::Handled;
    }
    if (id == TagId::Li || tags::kDefinitionTags.contains(id)) {
        builder.framesetOk(false);
        closeListItem(id == TagId::Li ? TagSet{TagId::Li} : tags::kDefinitionTags, builder);
        closeParagraph(builder);
        builder.insert(tag);
        return ModeResult::Handled;
    }
    switch (id) {
        case TagId::Form:
            if (builder.formElement() != nullptr) {
                builder.error(State::InBody);
                return ModeResult::Ignored;
            }
            closeParagraph(builder);
            builder.insertForm(tag, true);
            return ModeResult::Handled;
        case TagId::Plaintext:
            closeParagraph(builder);
            // Switched first so that a self-closed plaintext leaves the tokeniser in Data.
            builder.tokeniser().transition(TokeniserState::PLAINTEXT);
            builder.insert(tag);
            return ModeResult::Handled;
        case TagId::Button:
            if (builder.inButtonScope(TagId::Button)) {
                builder.error(State::InBody);
                builder.processEndTag("button");
                return ModeResult::Reprocess;
            }
            builder.reconstructFormattingElements();
            builder.insert(tag);
            builder.framesetOk(false);
            return ModeResult::Handled;
        default: return std::nullopt;
    }
}

Result formattingTag(TagId id, StartTagToken& tag, HtmlTreeBuilder& builder) {
    if (id == TagId::A) {
        if (Element* open = builder.activeFormattingElement(TagId::A)) {
            builder.error(State::InBody);
            builder.processEndTag("a");
            if (builder.onStack(open)) {
                builder.removeFromStack(open);
                builder.removeFromActiveFormattingElements(open);
            }
        }
        builder.reconstructFormattingElements();
        builder.pushActiveFormattingElement(builder.insert(tag));
        return ModeResult::Handled;
    }
    if (tags::kFormattingTags.contains(id)) {
        builder.reconstructFormattingElements();
        builder.pushActiveFormattingElement(builder.insert(tag));
        return ModeResult::Handled;
    }
    if (id == TagId::Nobr) {
        builder.reconstructFormattingElements();
        if (builder.inScope(TagId::Nobr)) {
            builder.error(State::InBody);
            builder.processEndTag("nobr");
            builder.reconstructFormattingElements();
        }
        builder.pushActiveFormattingElement(builder.insert(tag));
        return ModeResult::Handled;
    }
    if (tags::kAppletLikeTags.contains(id)) {
        builder.reconstructFormattingElements();
        builder.insert(tag);
        builder.insertMarkerToFormattingElements();
        builder.framesetOk(false);
        return ModeResult::Handled;
    }
    return std::nullopt;
}

ModeResult isindex(StartTagToken& tag, HtmlTreeBuilder& builder) {
    builder.error(State::InBody);
    if (builder.formElement() != nullptr) return ModeResult::Ignored;
    StartTagToken form;
    form.named("form");
    for (const TokenAttribute& attribute : tag.attributes()) {
        if (equalsIgnoreCase(attribute.name, "action")) form.attributes().put("action", attribute.value);
    }
    builder.processStartTag(form);
    builder.processStartTag("hr");
    builder.processStartTag("label");
    CharacterToken prompt;
    prompt.data = kIsindexPrompt;
    for (const TokenAttribute& attribute : tag.attributes()) {
        if (equalsIgnoreCase(attribute.name, "prompt")) prompt.data = attribute.value;
    }
    if (!prompt.data.empty()) builder.process(prompt);
    StartTagToken input;
    input.named("input");
    for (const TokenAttribute& attribute : tag.attributes()) {
        const bool promptAttribute = equalsIgnoreCase(attribute.name, "name") ||
                                     equalsIgnoreCase(attribute.name, "action") ||
                                     equalsIgnoreCase(attribute.name, "prompt");
        if (!promptAttribute) input.attributes().put(attribute.name, attribute.value, attribute.isBoolean);
    }
    input.attributes().put("name", "isindex");
    builder.processStartTag(input);
    builder.processEndTag("label");
    builder.processStartTag("hr");
    builder.processEndTag("form");
    return ModeResult::Handled;
}

// image is img under another name, except inside an svg.
ModeResult image(StartTagToken& tag, HtmlTreeBuilder& builder) {
    if (builder.stack().containsId(TagId::Svg)) {
        builder.insert(tag);
        return ModeResult::Handled;
    }
    StartTagToken img;
    img.named("img");
    for (const TokenAttribute& attribute : tag.attributes()) {
        img.attributes().put(attribute.name, attribute.value, attribute.isBoolean);
    }
    img.setSelfClosing(tag.isSelfClosing());
    return builder.process(img) ? ModeResult::Handled : ModeResult::Ignored;
}

Result voidOrTableTag(TagId id, StartTagToken& tag, HtmlTreeBuilder& builder) {
    if (tags::kVoidInlineTags.contains(id)) {
        builder.reconstructFormattingElements();
        builder.insertEmpty(tag);
        builder.framesetOk(false);
        return ModeResult::Handled;
    }
    if (tags::kMediaParameterTags.contains(id)) {
        builder.insertEmpty(tag);
        return ModeResult::Handled;
    }
    switch (id) {
        case TagId::Table:
            if (builder.document().quirksMode() != QuirksMode::quirks) closeParagraph(builder);
            builder.insert(tag);
            builder.framesetOk(false);
            builder.transition(State::InTable);
            return ModeResult::Handled;
        case TagId::Input:
            builder.reconstructFormattingElements();
            builder.insertEmpty(tag);
            if (!isHiddenInput(tag)) builder.framesetOk(false);
            return ModeResult::Handled;
        case TagId::Hr:
            closeParagraph(builder);
            builder.insertEmpty(tag);
            builder.framesetOk(false);
            return ModeResult::Handled;
        case TagId::Image: return image(tag, builder);
        case TagId::Isindex: return isindex(tag, builder);
        default: return std::nullopt;
    }
}

bool inTableMode(HtmlTreeBuilderState state) {
    return state == State::InTable || state == State::InCaption || state == State::InTableBody ||
           state == State::InRow || state == State::InCell;
}

Result rawTextOrControlTag(TagId id, StartTagToken& tag, HtmlTreeBuilder& builder) {
    switch (id) {
        case TagId::Textarea:
            builder.framesetOk(false);
            insertRawText(tag, builder, TokeniserState::Rcdata);
            return ModeResult::Handled;
        case TagId::Xmp:
            closeParagraph(builder);
            builder.reconstructFormattingElements();
            builder.framesetOk(false);
            insertRawText(tag, builder, TokeniserState::Rawtext);
            return ModeResult::Handled;
        case TagId::Iframe:
            builder.framesetOk(false);
            insertRawText(tag, builder, TokeniserState::Rawtext);
            return ModeResult::Handled;
        case TagId::Noembed: insertRawText(tag, builder, TokeniserState::Rawtext); return ModeResult::Handled;
        case TagId::Select: {
            builder.reconstructFormattingElements();
            builder.insert(tag);
            builder.framesetOk(false);
            const bool inTable = inTableMode(builder.state());
            builder.transition(inTable ? State::InSelectInTable : State::InSelect);
            return ModeResult::Handled;
        }
        default: return std::nullopt;
    }
}

Result listOrRubyTag(TagId id, StartTagToken& tag, HtmlTreeBuilder& builder) {
    if (tags::kOptionTags.contains(id)) {
        if (builder.currentIs(TagId::Option)) builder.processEndTag("option");
        builder.reconstructFormattingElements();
        builder.insert(tag);
        return ModeResult::Handled;
    }
    if (tags::kRubyAnnotationTags.contains(id)) {
        if (builder.inScope(TagId::Ruby)) {
            builder.generateImpliedEndTags();
            if (!builder.currentIs(TagId::Ruby)) {
                builder.error(State::InBody);
                builder.popStackToBefore(TagId::Ruby);
            }
        }
        builder.insert(tag);
        return ModeResult::Handled;
    }
    if (tags::kDroppedBodyTags.contains(id)) {
        builder.error(State::InBody);
        return ModeResult::Ignored;
    }
    return std::nullopt;
}

}  // namespace

ModeResult inBodyStartTag(StartTagToken& tag, HtmlTreeBuilder& builder) {
    const TagId id = idOf(tag);
    if (Result result = documentStructureTag(id, tag, builder)) return *result;
    if (Result result = blockTag(id, tag, builder)) return *result;
    if (Result result = formattingTag(id, tag, builder)) return *result;
    if (Result result = voidOrTableTag(id, tag, builder)) return *result;
    if (Result result = rawTextOrControlTag(id, tag, builder)) return *result;
    if (Result result = listOrRubyTag(id, tag, builder)) return *result;
    // Any other start tag, svg and math included, and tags outside the tag table.
    builder.reconstructFormattingElements();
    builder.insert(tag);
    return ModeResult::Handled;
}

}  // namespace novawick::html::modes
