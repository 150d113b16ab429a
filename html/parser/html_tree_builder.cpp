// The HTML tree builder's data and its insertion steps: the token loop, parse errors, creating and
// inserting nodes, foster parenting, the base URI, and the stack helpers the modes are written in.
// Scope tests and the formatting-element steps are in html_tree_builder_scopes.cpp and
// html_tree_builder_adoption.cpp.
#include "html/parser/html_tree_builder.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/string_util.h"
#include "html/nodes/tag.h"
#include "html/parser/character_reader.h"
#include "html/parser/parse_error.h"
#include "html/parser/tokeniser.h"

namespace novawick::html {
namespace {

// A token is handed back to the current mode only a few times (at most once per mode on the way from
// Initial to InBody, or through the table modes); the bound only guards against a rule cycle.
constexpr int kMaxReprocessing = 32;

bool needsLowerCasing(std::string_view name) {
    for (char c : name) {
        if ((c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

// Copies a tag's attributes onto a fresh element. Names are lower-cased unless the settings keep
// case; names that then coincide become one attribute, at the first one's place with the last one's
// value, as an exactly repeated name does in the tokeniser.
void copyAttributes(const TokenAttributes& from, Attributes& to, const ParseSettings& settings) {
    if (from.empty()) return;
    bool lowerCase = false;
    if (!settings.preserveAttributeCase) {
        for (const TokenAttribute& attribute : from) lowerCase = lowerCase || needsLowerCasing(attribute.name);
    }
    if (!lowerCase) {
        // The tokeniser never hands out two attributes with the same name.
        std::size_t bytes = 0;
        for (const TokenAttribute& attribute : from) {
            if (!attribute.name.empty()) bytes += Attributes::storedSize(attribute.name, attribute.value);
        }
        to.reserveBytes(bytes);
        for (const TokenAttribute& attribute : from) {
            if (!attribute.name.empty()) to.appendUnchecked(attribute.name, attribute.value, attribute.isBoolean);
        }
        return;
    }
    struct Normalised {
        std::string name;
        const TokenAttribute* source;
    };
    std::vector<Normalised> result;
    std::unordered_map<std::string, std::size_t> positions;
    for (const TokenAttribute& attribute : from) {
        std::string name = needsLowerCasing(attribute.name) ? toLowerCase(attribute.name) : attribute.name;
        if (name.empty()) continue;
        const auto [found, inserted] = positions.try_emplace(name, result.size());
        if (inserted) {
            result.push_back(Normalised{std::move(name), &attribute});
        } else {
            result[found->second].source = &attribute;
        }
    }
    for (const Normalised& attribute : result) {
        to.appendUnchecked(attribute.name, attribute.source->value, attribute.source->isBoolean);
    }
}

}  // namespace

HtmlTreeBuilder::HtmlTreeBuilder() = default;

void HtmlTreeBuilder::initialiseParse(std::string_view input, std::string_view baseUri, ParseErrorList& errors,
                                      const ParseSettings& settings) {
    TreeBuilder::initialiseParse(input, baseUri, errors, settings);
    state_ = State::Initial;
    originalState_ = State::Initial;
    baseUriSetFromDoc_ = false;
    headElement_ = nullptr;
    formElement_ = nullptr;
    formattingElements_ = ActiveFormattingElements();
    pendingTableCharacters_.clear();
    reopeningAllowance_ = kReopeningAllowance + kReopeningAllowancePerInputByte * input.size();
    framesetOk_ = true;
    fosterInserts_ = false;
}

bool HtmlTreeBuilder::process(Token& token) {
    ModeResult result = processInState(state_, token, *this);
    for (int pass = 0; result == ModeResult::Reprocess && pass < kMaxReprocessing; ++pass) {
        result = processInState(state_, token, *this);
    }
    return result == ModeResult::Handled;
}

void HtmlTreeBuilder::error(State state) {
    if (errors_ == nullptr || !errors_->canAddError() || currentToken_ == nullptr) return;
    std::string message;
    message.append(tree_builder_messages::kUnexpectedToken)
        .append(currentToken_->tokenType())
        .append(tree_builder_messages::kWhenInState)
        .append(stateName(state))
        .append(tree_builder_messages::kClose);
    errors_->add(ParseError{reader_->getPos(), std::move(message)});
}

const Tag* HtmlTreeBuilder::tagOf(const TagToken& token) {
    // A name written in lower case finds the same table tag the token has already looked up.
    if (token.nameIsNormal() && token.knownTag() != nullptr) return token.knownTag();
    return Tag::valueOf(token.name(), settings_, *doc_);
}

Element* HtmlTreeBuilder::createElement(const TagToken& token) {
    Element* element = doc_->createElement(tagOf(token), doc_->baseUri());
    copyAttributes(token.attributes(), element->attributes(), settings_);
    return element;
}

void HtmlTreeBuilder::addToForm(Element* element) {
    if (formElement_ != nullptr && element->tag().isFormListed()) formElement_->addElement(element);
}

void HtmlTreeBuilder::insertNode(Node* node) {
    if (stack_.empty()) {
        doc_->appendChild(node);
    } else if (fosterInserts_) {
        insertInFosterParent(node);
    } else {
        stack_.current()->appendChild(node);
    }
    if (Element* element = node->asElement()) addToForm(element);
}

Element* HtmlTreeBuilder::insert(const StartTagToken& token) {
    if (token.isSelfClosing()) {
        // Closed again at once by an end tag of its own name, whatever the element.
        Element* element = insertEmpty(token);
        stack_.push(element);
        tokeniser_->transition(TokeniserState::Data);
        emptyEnd_.named(element->tagName());
        tokeniser_->emit(emptyEnd_);
        return element;
    }
    Element* element = createElement(token);
    insertNode(element);
    stack_.push(element);
    return element;
}

Element* HtmlTreeBuilder::insertStartTag(std::string_view name) {
    Element* element = doc_->createElement(Tag::valueOf(name, settings_, *doc_), doc_->baseUri());
    insertNode(element);
    stack_.push(element);
    return element;
}

Element* HtmlTreeBuilder::insertEmpty(const StartTagToken& token) {
    Element* element = createElement(token);
    insertNode(element);
    if (token.isSelfClosing()) {
        if (!element->tag().isKnown()) {
            element->markSelfClosing();
            tokeniser_->acknowledgeSelfClosingFlag();
        } else if (element->tag().isEmpty()) {
            tokeniser_->acknowledgeSelfClosingFlag();
        }
    }
    return element;
}

FormElement* HtmlTreeBuilder::insertForm(const StartTagToken& token, bool onStack) {
    FormElement* form = doc_->createFormElement(tagOf(token), doc_->baseUri());
    copyAttributes(token.attributes(), form->attributes(), settings_);
    formElement_ = form;
    insertNode(form);
    if (onStack) stack_.push(form);
    return form;
}

void HtmlTreeBuilder::insertComment(const CommentToken& token) {
    insertNode(doc_->createComment(token.data, doc_->baseUri()));
}

// Character nodes always go to the current element, never to a foster parent.
void HtmlTreeBuilder::insertCharacters(std::string_view characters) {
    Element* parent = stack_.empty() ? doc_.get() : stack_.current();
    const TagId id = stack_.empty() ? TagId::Other : stack_.currentId();
    if (id == TagId::Script || id == TagId::Style) {
        parent->appendChild(doc_->createData(characters, doc_->baseUri()));
    } else {
        parent->appendChild(doc_->createText(characters, doc_->baseUri()));
    }
}

void HtmlTreeBuilder::insertInFosterParent(Node* node) {
    const std::ptrdiff_t tablePosition = stack_.topmost(TagId::Table);
    if (tablePosition == OpenElementStack::kNone) {
        stack_.bottom()->appendChild(node);
        return;
    }
    Element* table = stack_.at(static_cast<std::size_t>(tablePosition));
    if (Element* parent = table->parent()) {
        parent->insertChildBefore(node, table);
    } else if (tablePosition > 0) {
        stack_.at(static_cast<std::size_t>(tablePosition) - 1)->appendChild(node);
    } else {
        table->appendChild(node);
    }
}

// Only the first `base` with an href counts; an href that cannot be made absolute leaves the base URI
// as it was rather than blanking it.
void HtmlTreeBuilder::maybeSetBaseUri(const Element& base) {
    if (baseUriSetFromDoc_) return;
    if (base.attributes().get("href").empty()) return;
    baseUriSetFromDoc_ = true;
    std::string absolute = base.absUrl("href");
    if (absolute.empty()) return;
    baseUri_ = std::move(absolute);
    doc_->setBaseUri(baseUri_);
}

void HtmlTreeBuilder::popStackToClose(TagId id) {
    const std::ptrdiff_t position = stack_.topmost(id);
    if (position == OpenElementStack::kNone) return;
    while (stack_.size() > static_cast<std::size_t>(position)) stack_.pop();
}

void HtmlTreeBuilder::popStackToClose(std::string_view name) {
    const std::ptrdiff_t position = stack_.topmost(name);
    if (position == OpenElementStack::kNone) return;
    while (stack_.size() > static_cast<std::size_t>(position)) stack_.pop();
}

void HtmlTreeBuilder::popStackToCloseAny(TagSet ids) {
    const std::ptrdiff_t position = stack_.topmostOf(ids);
    if (position == OpenElementStack::kNone) return;
    while (stack_.size() > static_cast<std::size_t>(position)) stack_.pop();
}

void HtmlTreeBuilder::popStackToBefore(TagId id) {
    const std::ptrdiff_t position = stack_.topmost(id);
    if (position == OpenElementStack::kNone) return;
    while (stack_.size() > static_cast<std::size_t>(position) + 1) stack_.pop();
}

void HtmlTreeBuilder::clearStackToTableContext() {
    while (!stack_.empty() && !currentIsAny(tags::kTableContextTags)) stack_.pop();
}

void HtmlTreeBuilder::clearStackToTableBodyContext() {
    while (!stack_.empty() && !currentIsAny(tags::kTableBodyContextTags)) stack_.pop();
}

void HtmlTreeBuilder::clearStackToTableRowContext() {
    while (!stack_.empty() && !currentIsAny(tags::kTableRowContextTags)) stack_.pop();
}

Element* HtmlTreeBuilder::aboveOnStack(const Element* element) const {
    const std::ptrdiff_t position = stack_.positionOf(element);
    return position > 0 ? stack_.at(static_cast<std::size_t>(position) - 1) : nullptr;
}

void HtmlTreeBuilder::insertOnStackAfter(const Element* after, Element* element) {
    const std::ptrdiff_t position = stack_.positionOf(after);
    if (position == OpenElementStack::kNone) {
        stack_.push(element);
        return;
    }
    stack_.insertAt(static_cast<std::size_t>(position) + 1, element);
}

void HtmlTreeBuilder::replaceOnStack(const Element* out, Element* in) {
    const std::ptrdiff_t position = stack_.positionOf(out);
    if (position != OpenElementStack::kNone) stack_.replaceAt(static_cast<std::size_t>(position), in);
}

}  // namespace novawick::html
