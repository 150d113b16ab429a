// The document: the root element of a parsed page and the owner of every node in it.
//
// A document carries an arena. Nodes, their strings and their child lists are allocated from it and
// never destroyed one by one; destroying the document releases the arena in one go, so teardown is
// flat whatever the tree's depth, and building a tree costs a pointer bump per node.
// A node must therefore never outlive, or be moved into the tree of, a different document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "html/nodes/arena.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/parse_settings.h"

namespace html {

enum class QuirksMode : std::uint8_t { noQuirks, quirks, limitedQuirks };

/// Serialisation settings (kept for completeness; the system never serialises). A serialiser would
/// escape with html::EscapeMode, the entity tables' own.
struct OutputSettings {
    enum class Syntax : std::uint8_t { html, xml };

    std::string charset = "UTF-8";
    bool prettyPrint = true;
    bool outline = false;
    int indentAmount = 1;
    Syntax syntax = Syntax::html;
};

namespace detail {
// Base class so that the arena exists before the Element part of the document is built.
class DocumentArena {
protected:
    explicit DocumentArena(std::size_t initialSize);
    Arena resource_;
};
}  // namespace detail

class Document : private detail::DocumentArena, public Element {
public:
    /// A new empty document; `expectedInputSize` (bytes of HTML to be parsed) sizes the first arena block.
    explicit Document(std::string_view baseUri, std::size_t expectedInputSize = 0);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    /// The first node named exactly "body" in document order, or nullptr.
    Element* body() const;
    /// The first node named exactly "head" in document order, or nullptr.
    Element* head() const;
    /// The base URI the document was parsed with.
    std::string_view location() const noexcept { return location_; }

    QuirksMode quirksMode() const noexcept { return quirksMode_; }
    void setQuirksMode(QuirksMode mode) noexcept { quirksMode_ = mode; }
    OutputSettings& outputSettings() noexcept { return outputSettings_; }
    const OutputSettings& outputSettings() const noexcept { return outputSettings_; }
    bool updateMetaCharset() const noexcept { return updateMetaCharset_; }

    Element* createElement(const Tag* tag, std::string_view baseUri);
    /// An element for `tagName` under `settings`, with the document's location as base URI.
    Element* createElement(std::string_view tagName, const ParseSettings& settings = ParseSettings::htmlDefault());
    FormElement* createFormElement(const Tag* tag, std::string_view baseUri);
    TextNode* createText(std::string_view text, std::string_view baseUri);
    TextNode* createText(std::string_view text) { return createText(text, location_); }
    DataNode* createData(std::string_view data, std::string_view baseUri);
    DataNode* createData(std::string_view data) { return createData(data, location_); }
    Comment* createComment(std::string_view data, std::string_view baseUri);
    Comment* createComment(std::string_view data) { return createComment(data, location_); }
    DocumentType* createDoctype(std::string_view name, std::string_view publicId, std::string_view systemId,
                                std::string_view baseUri);
    XmlDeclaration* createXmlDeclaration(std::string_view name, bool isProcessingInstruction, std::string_view baseUri);

    /// The arena holding this document's nodes and strings.
    std::pmr::memory_resource* arena() noexcept { return &resource_; }
    /// A copy of `text` in the arena, stable for the document's lifetime.
    std::string_view copyString(std::string_view text);
    /// Like `copyString`, reusing the previous copy when the same base URI is asked for again.
    std::string_view internBaseUri(std::string_view baseUri);
    /// The stable place of that copy, which nodes point at; `baseUri` must not be empty.
    const std::string_view* baseUriSlot(std::string_view baseUri) {
        // The parser hands every node the document's own copy: one comparison answers.
        const bool same = lastBaseUri_ != nullptr && baseUri.data() == lastBaseUri_->data() &&
                          baseUri.size() == lastBaseUri_->size();
        return same ? lastBaseUri_ : internNewBaseUri(baseUri);
    }
    /// A tag outside the table, allocated in the arena (used by `Tag::valueOf`).
    const Tag* createUnknownTag(std::string_view normalisedName);

private:
    template <class T, class... Args>
    T* make(Args&&... args) {
        void* memory = resource_.allocate(sizeof(T), alignof(T));
        return ::new (memory) T(std::forward<Args>(args)...);
    }

    const std::string_view* internNewBaseUri(std::string_view baseUri);

    std::string_view location_;
    const std::string_view* lastBaseUri_ = nullptr;
    OutputSettings outputSettings_;
    QuirksMode quirksMode_ = QuirksMode::noQuirks;
    bool updateMetaCharset_ = false;
};

}  // namespace html
