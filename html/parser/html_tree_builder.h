// The HTML tree builder: the data of tree construction (insertion mode, stack of open elements, list
// of active formatting elements, head and form pointers, pending table text) and the steps that the
// insertion modes are written in: inserting, popping, scope tests, implied end tags, reconstruction,
// the adoption agency, foster parenting, resetting the mode.
//
// The modes themselves live in html/parser/modes/. Everything here is public because the modes are the
// builder's own rules; the class is not meant for use outside the parser.
//
// Cost: every step is O(1) amortised on deep or repetitive input (the stack and the formatting list
// index their positions by name and by kind), except changes in the middle of the stack or list,
// which cost the entries above the change.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "html/parser/html_tree_builder_state.h"
#include "html/parser/token.h"
#include "html/parser/tree_builder.h"
#include "html/parser/tree_builder_formatting.h"
#include "html/parser/tree_builder_tags.h"

namespace novawick::html {

class Document;
class Element;
class FormElement;
class Node;
class Tag;
class Tokeniser;

/// Fixed texts of the builder's parse errors; tests compare them.
namespace tree_builder_messages {
inline constexpr std::string_view kUnexpectedToken = "Unexpected token [";
inline constexpr std::string_view kWhenInState = "] when in state [";
inline constexpr std::string_view kClose = "]";
}  // namespace tree_builder_messages

class HtmlTreeBuilder final : public TreeBuilder {
public:
    using State = HtmlTreeBuilderState;

    /// At most this many adoption agency passes run for one end tag.
    static constexpr int kAdoptionOuterPasses = 8;
    /// The adoption agency looks at no more than this many stack entries, from the bottom.
    static constexpr std::size_t kAdoptionStackWindow = 64;
    /// At most this many inner-loop passes per adoption agency pass.
    static constexpr int kAdoptionInnerPasses = 3;
    /// Bytes of copies that reconstruction may make in any parse, besides the share of the page's size.
    static constexpr std::size_t kReopeningAllowance = std::size_t{16} << 20;
    /// Bytes of copies that reconstruction may make for each byte of the page.
    static constexpr std::size_t kReopeningAllowancePerInputByte = 4;

    HtmlTreeBuilder();

    bool process(Token& token) override;
    /// Runs `token` through the rules of `state` without switching to it ("as in InBody").
    ModeResult processAs(State state, Token& token) { return processInState(state, token, *this); }

    // Insertion mode.
    State state() const noexcept { return state_; }
    void transition(State state) noexcept { state_ = state; }
    /// Remembers the current mode for Text and InTableText to return to.
    void markInsertionMode() noexcept { originalState_ = state_; }
    State originalState() const noexcept { return originalState_; }
    void resetInsertionMode();
    /// Records "Unexpected token [...] when in state [...]" when the error list has room.
    void error(State state);

    bool framesetOk() const noexcept { return framesetOk_; }
    void framesetOk(bool ok) noexcept { framesetOk_ = ok; }
    bool isFosterInserts() const noexcept { return fosterInserts_; }
    void setFosterInserts(bool on) noexcept { fosterInserts_ = on; }

    Document& document() noexcept { return *doc_; }
    Tokeniser& tokeniser() noexcept { return *tokeniser_; }
    OpenElementStack& stack() noexcept { return stack_; }
    ActiveFormattingElements& formattingElements() noexcept { return formattingElements_; }
    std::vector<std::string>& pendingTableCharacters() noexcept { return pendingTableCharacters_; }

    Element* headElement() const noexcept { return headElement_; }
    void setHeadElement(Element* head) noexcept { headElement_ = head; }
    FormElement* formElement() const noexcept { return formElement_; }
    void setFormElement(FormElement* form) noexcept { formElement_ = form; }

    // Inserting nodes.
    /// Inserts an element for a start tag and pushes it; a self-closing tag is closed again at once.
    Element* insert(const StartTagToken& token);
    /// Inserts and pushes an element with this name and no attributes.
    Element* insertStartTag(std::string_view name);
    /// Inserts an element that is not pushed (a void element).
    Element* insertEmpty(const StartTagToken& token);
    FormElement* insertForm(const StartTagToken& token, bool onStack);
    void insertComment(const CommentToken& token);
    /// Appends characters to the current element: data inside script and style, text elsewhere.
    void insertCharacters(std::string_view characters);
    /// Puts `node` before the last table, as the insertion point does while foster inserting.
    void insertInFosterParent(Node* node);
    /// Takes the base URI from the first `base` element with an href.
    void maybeSetBaseUri(const Element& base);

    // The stack of open elements.
    void push(Element* element) { stack_.push(element); }
    Element* pop() { return stack_.pop(); }
    TagId currentId() const noexcept { return stack_.currentId(); }
    bool currentIs(TagId id) const noexcept { return stack_.currentId() == id; }
    bool currentIsAny(TagSet ids) const noexcept { return !stack_.empty() && ids.contains(stack_.currentId()); }
    bool onStack(const Element* element) const noexcept { return stack_.contains(element); }
    bool removeFromStack(const Element* element) { return stack_.remove(element); }
    /// Pops until an element with this name has been popped.
    void popStackToClose(TagId id);
    void popStackToClose(std::string_view name);
    /// Pops until an element of the set has been popped.
    void popStackToCloseAny(TagSet ids);
    /// Pops the elements above the topmost element with this name.
    void popStackToBefore(TagId id);
    void clearStackToTableContext();
    void clearStackToTableBodyContext();
    void clearStackToTableRowContext();
    /// The element just below `element` (toward the bottom), or nullptr.
    Element* aboveOnStack(const Element* element) const;
    void insertOnStackAfter(const Element* after, Element* element);
    void replaceOnStack(const Element* out, Element* in);

    // Scope tests.
    bool inScope(TagId id) const noexcept;
    bool inScope(TagSet ids) const noexcept;
    bool inListItemScope(TagId id) const noexcept;
    bool inButtonScope(TagId id) const noexcept;
    bool inTableScope(TagId id) const noexcept;
    bool inTableScope(TagSet ids) const noexcept;
    bool inSelectScope(TagId id) const noexcept;

    /// Pops while the current element is one of the implied end tags, other than `except`.
    void generateImpliedEndTags(TagId except = TagId::Other);
    static bool isSpecial(const Element& element);

    // The list of active formatting elements.
    void pushActiveFormattingElement(Element* element) { formattingElements_.push(element); }
    void insertMarkerToFormattingElements() { formattingElements_.pushMarker(); }
    void clearFormattingElementsToLastMarker() { formattingElements_.clearToLastMarker(); }
    void reconstructFormattingElements();
    /// The last entry named `id` after the last marker, or nullptr.
    Element* activeFormattingElement(TagId id) const noexcept;
    bool isInActiveFormattingElements(const Element* element) const noexcept {
        return formattingElements_.contains(element);
    }
    void removeFromActiveFormattingElements(const Element* element) { formattingElements_.remove(element); }

    /// The adoption agency for an end tag among the adoption tags.
    ModeResult runAdoptionAgency(const EndTagToken& token);

protected:
    void initialiseParse(std::string_view input, std::string_view baseUri, ParseErrorList& errors,
                         const ParseSettings& settings) override;

private:
    const Tag* tagOf(const TagToken& token);
    Element* createElement(const TagToken& token);
    void insertNode(Node* node);
    void addToForm(Element* element);
    bool scopeTest(std::ptrdiff_t target, StackKind stops) const noexcept;
    std::string_view nodeBaseUri();
    ModeResult adoptionPass(const EndTagToken& token, TagId id, bool& done);
    void adoptionInnerLoop(Element* formattingElement, Element* furthestBlock, Element*& lastNode);

    State state_ = State::Initial;
    State originalState_ = State::Initial;
    bool baseUriSetFromDoc_ = false;
    Element* headElement_ = nullptr;
    FormElement* formElement_ = nullptr;
    ActiveFormattingElements formattingElements_;
    std::vector<std::string> pendingTableCharacters_;
    EndTagToken emptyEnd_;
    std::size_t reopeningAllowance_ = 0;  // bytes reconstruction may still copy; see reconstructFormattingElements
    bool framesetOk_ = true;
    bool fosterInserts_ = false;
};

}  // namespace novawick::html
