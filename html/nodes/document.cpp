// Document construction and the node factories. Every node is placement-built in the document's
// arena and never destroyed on its own: all node members allocate from the same arena,
// so releasing the arena frees the whole tree in one flat step.
#include "html/nodes/document.h"

#include <algorithm>
#include <cstring>

#include "html/nodes/string_util.h"
#include "html/nodes/traversal.h"

namespace html {

namespace {
// Parsed trees take a few times their source size; start near that and let blocks grow from there.
constexpr std::size_t kMinimumArenaBlock = 4096;
constexpr std::size_t kArenaBytesPerInputByte = 3;

Element* firstNamed(const Document& document, std::string_view name) {
    Element* found = nullptr;
    forEachElement(const_cast<Document&>(document), [&](Element& element) {
        if (element.kind() == NodeKind::Document || element.tagName() != name) return WalkStep::Continue;
        found = &element;
        return WalkStep::Stop;
    });
    return found;
}
}  // namespace

detail::DocumentArena::DocumentArena(std::size_t initialSize)
    : resource_(std::max(kMinimumArenaBlock, initialSize)) {}

Document::Document(std::string_view baseUri, std::size_t expectedInputSize)
    : DocumentArena(expectedInputSize * kArenaBytesPerInputByte),
      Element(NodeKind::Document, *this, &resource_, Tag::documentRootTag(), {}) {
    location_ = internBaseUri(baseUri);
    setBaseUri(location_);
}

// Nodes are not destroyed one by one: the arena they live in goes away with the document.
Document::~Document() = default;

Element* Document::body() const { return firstNamed(*this, "body"); }

Element* Document::head() const { return firstNamed(*this, "head"); }

Element* Document::createElement(const Tag* tag, std::string_view baseUri) {
    return make<Element>(*this, tag, baseUri);
}

Element* Document::createElement(std::string_view tagName, const ParseSettings& settings) {
    return make<Element>(*this, Tag::valueOf(tagName, settings, *this), location_);
}

FormElement* Document::createFormElement(const Tag* tag, std::string_view baseUri) {
    return make<FormElement>(*this, tag, baseUri);
}

TextNode* Document::createText(std::string_view text, std::string_view baseUri) {
    return make<TextNode>(*this, text, baseUri);
}

DataNode* Document::createData(std::string_view data, std::string_view baseUri) {
    return make<DataNode>(*this, data, baseUri);
}

Comment* Document::createComment(std::string_view data, std::string_view baseUri) {
    return make<Comment>(*this, data, baseUri);
}

DocumentType* Document::createDoctype(std::string_view name, std::string_view publicId, std::string_view systemId,
                                      std::string_view baseUri) {
    return make<DocumentType>(*this, name, publicId, systemId, baseUri);
}

XmlDeclaration* Document::createXmlDeclaration(std::string_view name, bool isProcessingInstruction,
                                               std::string_view baseUri) {
    return make<XmlDeclaration>(*this, name, isProcessingInstruction, baseUri);
}

std::string_view Document::copyString(std::string_view text) {
    if (text.empty()) return {};
    char* memory = static_cast<char*>(resource_.allocate(text.size(), 1));
    std::memcpy(memory, text.data(), text.size());
    return {memory, text.size()};
}

std::string_view Document::internBaseUri(std::string_view baseUri) {
    return baseUri.empty() ? std::string_view() : *baseUriSlot(baseUri);
}

const std::string_view* Document::internNewBaseUri(std::string_view baseUri) {
    // Nodes mostly share one base URI; keep one copy of it rather than one per node.
    if (lastBaseUri_ != nullptr && baseUri == *lastBaseUri_) return lastBaseUri_;
    lastBaseUri_ = make<std::string_view>(copyString(baseUri));
    return lastBaseUri_;
}

const Tag* Document::createUnknownTag(std::string_view normalisedName) {
    std::string_view name = copyString(normalisedName);
    std::string lower = toLowerCase(name);
    std::string_view nameNormal = lower == name ? name : copyString(lower);
    Tag* tag = make<Tag>(name, nameNormal, false);
    tag->isBlock_ = false;
    return tag;
}

}  // namespace html
