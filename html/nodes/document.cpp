// Document construction, the node factories, and what the document keeps on its nodes' behalf. Every
// node is placement-built in the document's arena and never destroyed on its own: all node members
// allocate from the same arena, so releasing the arena frees the whole tree in one flat step.
#include "html/nodes/document.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "html/nodes/string_util.h"
#include "html/nodes/traversal.h"

namespace novawick::html {

namespace {
// Parsed documentation pages take two to three and a half times their source; the first run covers
// the lower end, and later runs grow by a fraction of what is held.
constexpr std::size_t kFirstRunBytesPerInputByte = 2;
constexpr std::size_t kLargestBaseUriNumber = 0xFFFF;
// Counting back this far is cheaper than looking a position up.
constexpr std::size_t kCountedSiblings = 32;

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

detail::DocumentArena::DocumentArena(Document* owner, std::size_t firstRun) : resource_(owner, firstRun) {
    void* memory = resource_.allocate(sizeof(Attributes::Block), alignof(Attributes::Block));
    emptyAttributes_ = ::new (memory) Attributes::Block{&resource_, 0, 0};
}

Document::Document(std::string_view baseUri, std::size_t expectedInputSize)
    : DocumentArena(this, expectedInputSize * kFirstRunBytesPerInputByte),
      Element(NodeKind::Document, 0, kDocumentRootTag, emptyAttributes_) {
    location_ = copyString(baseUri);
    setBaseUri(location_);
}

// Nodes are not destroyed one by one: the arena they live in goes away with the document.
Document::~Document() = default;

Element* Document::body() const { return firstNamed(*this, "body"); }

Element* Document::head() const { return firstNamed(*this, "head"); }

Element* Document::createElement(const Tag* tag, std::string_view baseUri) {
    const std::uint16_t number = baseUriNumber(baseUri);
    return make<Element>(sizeof(Element), NodeKind::Element, number, tagNumberOf(tag), emptyAttributes_);
}

Element* Document::createElement(std::string_view tagName, const ParseSettings& settings) {
    return createElement(Tag::valueOf(tagName, settings, *this), location_);
}

FormElement* Document::createFormElement(const Tag* tag, std::string_view baseUri) {
    const std::uint16_t number = baseUriNumber(baseUri);
    return make<FormElement>(sizeof(FormElement), number, tagNumberOf(tag), emptyAttributes_, &resource_);
}

template <class T>
T* Document::makeValueNode(std::string_view value, std::string_view baseUri) {
    T* node = make<T>(ValueNode::blockSize(value), baseUriNumber(baseUri));
    node->initialiseValue(resource_, value);
    return node;
}

TextNode* Document::createText(std::string_view text, std::string_view baseUri) {
    return makeValueNode<TextNode>(text, baseUri);
}

DataNode* Document::createData(std::string_view data, std::string_view baseUri) {
    return makeValueNode<DataNode>(data, baseUri);
}

Comment* Document::createComment(std::string_view data, std::string_view baseUri) {
    return makeValueNode<Comment>(data, baseUri);
}

DocumentType* Document::createDoctype(std::string_view name, std::string_view publicId, std::string_view systemId,
                                      std::string_view baseUri) {
    return make<DocumentType>(sizeof(DocumentType), baseUriNumber(baseUri), copyString(name), copyString(publicId),
                              copyString(systemId));
}

XmlDeclaration* Document::createXmlDeclaration(std::string_view name, bool isProcessingInstruction,
                                               std::string_view baseUri) {
    return make<XmlDeclaration>(sizeof(XmlDeclaration), baseUriNumber(baseUri), copyString(name),
                                isProcessingInstruction);
}

std::string_view Document::copyString(std::string_view text) {
    if (text.empty()) return {};
    char* memory = static_cast<char*>(resource_.allocate(text.size(), 1));
    std::memcpy(memory, text.data(), text.size());
    return {memory, text.size()};
}

std::uint16_t Document::newBaseUriNumber(std::string_view baseUri) {
    if (baseUri.empty()) return 0;
    auto found = baseUriNumbers_.find(baseUri);
    if (found == baseUriNumbers_.end()) {
        if (baseUris_.size() > kLargestBaseUriNumber) throw std::length_error("too many base URIs in one document");
        baseUris_.push_back(copyString(baseUri));
        found = baseUriNumbers_.emplace(baseUris_.back(), static_cast<std::uint16_t>(baseUris_.size() - 1)).first;
    }
    lastBaseUri_ = found->first;
    lastBaseUriNumber_ = found->second;
    return lastBaseUriNumber_;
}

const Tag* Document::createUnknownTag(std::string_view normalisedName) {
    if (unknownTags_.size() >= kDocumentRootTag - kUnknownTagBase) {
        throw std::length_error("too many tags in one document");
    }
    std::string_view name = copyString(normalisedName);
    std::string lower = toLowerCase(name);
    std::string_view nameNormal = lower == name ? name : copyString(lower);
    Tag* tag = make<Tag>(sizeof(Tag), Tag(name, nameNormal, false));
    tag->isBlock_ = false;
    unknownTagNumbers_[tag] = static_cast<std::uint32_t>(kUnknownTagBase + unknownTags_.size());
    unknownTags_.push_back(tag);
    return tag;
}

std::uint32_t Document::tagNumberOutsideTable(const Tag* tag) {
    if (tag == Tag::documentRootTag()) return kDocumentRootTag;
    if (const std::uint32_t* number = unknownTagNumbers_.find(tag)) return *number;
    // Another document's tag: this document keeps a copy of its own, flags and all.
    Tag* copy = const_cast<Tag*>(createUnknownTag(tag->getName()));
    const std::string_view name = copy->name_;
    const std::string_view nameNormal = copy->nameNormal_;
    *copy = *tag;
    copy->name_ = name;
    copy->nameNormal_ = nameNormal;
    return *unknownTagNumbers_.find(copy);
}

Attributes* Document::leafAttributes(const Node& node, bool create) {
    if (Attributes** found = leafAttributes_.find(&node)) return *found;
    if (!create) return nullptr;
    Attributes* attributes = make<Attributes>(sizeof(Attributes), emptyAttributes_);
    leafAttributes_[&node] = attributes;
    return attributes;
}

std::size_t Document::rememberedSiblingIndex(const Node& node) const {
    std::size_t counted = 0;
    const Node* first = node.parentNode()->firstChild();
    for (const Node* at = &node; at != first; at = at->previousSibling()) {
        if (++counted > kCountedSiblings) break;
    }
    if (counted <= kCountedSiblings) return counted;
    if (siblingIndexVersion_ != structureVersion_) {
        siblingIndexes_.clear();
        siblingIndexVersion_ = structureVersion_;
    }
    if (const std::uint32_t* known = siblingIndexes_.find(&node)) return *known;
    // A child appended since the list was counted follows a remembered sibling.
    if (const std::uint32_t* before = siblingIndexes_.find(node.previousSibling())) {
        const std::uint32_t index = *before + 1;
        siblingIndexes_[&node] = index;
        return index;
    }
    std::uint32_t index = 0;
    for (const Node* child = first; child != nullptr; child = child->nextSibling()) siblingIndexes_[child] = index++;
    return *siblingIndexes_.find(&node);
}

}  // namespace novawick::html
