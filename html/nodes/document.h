// The document: the root element of a parsed page and the owner of every node in it.
//
// A document carries an arena. Nodes, their strings and their attribute lists are allocated from it
// and never destroyed one by one; destroying the document releases the arena in one go, so teardown
// is flat whatever the tree's depth, and building a tree costs a pointer bump per node.
// A node must therefore never outlive, or be moved into the tree of, a different document.
//
// What nodes do not store for themselves, the document keeps for them: the base URIs (a node keeps a
// number), its tags outside the tag table (an element keeps a number), the attributes of the rare leaf
// node given some, and the remembered sibling positions of long child lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "html/nodes/arena.h"
#include "html/nodes/attributes.h"
#include "html/nodes/element.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/parse_settings.h"
#include "html/nodes/pointer_map.h"

namespace novawick::html {

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
// Base class so that the arena, and the empty attribute list every element starts with, exist before
// the Element part of the document is built.
class DocumentArena {
protected:
    DocumentArena(Document* owner, std::size_t firstRun);
    Arena resource_;
    Attributes::Block* emptyAttributes_;
};
}  // namespace detail

class Document : private detail::DocumentArena, public Element {
public:
    /// A new empty document; `expectedInputSize` (bytes of HTML to be parsed) sizes the arena's first run.
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
    /// The document's current base URI (the parser moves it to a `base` element's); read without the
    /// node's lookup of its document, since the parser asks for it at every node it makes.
    std::string_view baseUri() const noexcept { return baseUris_[Node::baseUriNumber()]; }

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
    /// Bytes the arena has taken from the system.
    std::size_t arenaBytes() const noexcept { return resource_.bytesReserved(); }
    /// A copy of `text` in the arena, stable for the document's lifetime.
    std::string_view copyString(std::string_view text);
    /// A tag outside the table, allocated in the arena (used by `Tag::valueOf`).
    const Tag* createUnknownTag(std::string_view normalisedName);

private:
    friend class Element;
    friend class Node;
    friend class ValueNode;

    template <class T, class... Args>
    T* make(std::size_t bytes, Args&&... args) {
        static_assert(alignof(T) <= 8 && sizeof(T) <= Arena::kLargestInPage, "nodes live in the arena's pages");
        return ::new (resource_.allocateSmall(bytes)) T(std::forward<Args>(args)...);
    }
    template <class T>
    T* makeValueNode(std::string_view value, std::string_view baseUri);

    /// The number nodes keep for `baseUri`: 0 for none, the same number for the same text.
    std::uint16_t baseUriNumber(std::string_view baseUri) {
        // The parser hands every node the document's own copy: one comparison answers.
        if (baseUri.data() == lastBaseUri_.data() && baseUri.size() == lastBaseUri_.size()) return lastBaseUriNumber_;
        return newBaseUriNumber(baseUri);
    }
    std::uint16_t newBaseUriNumber(std::string_view baseUri);
    std::string_view baseUriOf(std::uint16_t number) const noexcept { return baseUris_[number]; }
    /// The number an element keeps for `tag`; a tag outside the table made by another document is
    /// copied into this one.
    std::uint32_t tagNumberOf(const Tag* tag) {
        return tag->isKnown() ? static_cast<std::uint32_t>(tag->tableIndex()) : tagNumberOutsideTable(tag);
    }
    std::uint32_t tagNumberOutsideTable(const Tag* tag);
    const Tag& unknownTag(std::uint32_t number) const noexcept { return *unknownTags_[number - kUnknownTagBase]; }
    /// The attributes of a leaf node, made (empty) on first request when `create` is set.
    Attributes* leafAttributes(const Node& node, bool create);
    /// `node`'s position among its siblings, remembered for the whole child list; `node` has a parent.
    std::size_t rememberedSiblingIndex(const Node& node) const;
    /// Called when children move other than by appending: remembered positions are forgotten.
    void childrenMoved() noexcept { ++structureVersion_; }

    // What the document keeps for its nodes lives in its arena too: one account of its memory, and one
    // that does not depend on the heap's history.
    std::string_view location_;
    std::pmr::vector<std::string_view> baseUris_{{std::string_view()}, &resource_};
    std::pmr::unordered_map<std::string_view, std::uint16_t> baseUriNumbers_{&resource_};
    std::string_view lastBaseUri_;
    std::uint16_t lastBaseUriNumber_ = 0;
    std::pmr::vector<const Tag*> unknownTags_{&resource_};
    PointerMap<Tag, std::uint32_t> unknownTagNumbers_;
    PointerMap<Node, Attributes*> leafAttributes_;
    // Sibling positions, valid while structureVersion_ equals siblingIndexVersion_.
    mutable PointerMap<Node, std::uint32_t> siblingIndexes_;
    mutable std::uint64_t siblingIndexVersion_ = 0;
    std::uint64_t structureVersion_ = 0;
    OutputSettings outputSettings_;
    QuirksMode quirksMode_ = QuirksMode::noQuirks;
    bool updateMetaCharset_ = false;
};

}  // namespace novawick::html
