// The tag table: built once per process, on first use, in seven steps where later steps adjust the
// tags made by earlier ones. Lookups are a hash of the exact name; the table is read-only afterwards,
// so concurrent readers need no lock.
#include "html/nodes/tag.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "html/nodes/document.h"
#include "html/nodes/exception.h"

namespace html {

namespace {

constexpr std::array<std::string_view, 64> kBlockTags = {
    "html", "head", "body", "frameset", "script", "noscript", "style", "meta", "link", "title", "frame",
    "noframes", "section", "nav", "aside", "hgroup", "header", "footer", "p", "h1", "h2", "h3", "h4", "h5", "h6",
    "ul", "ol", "pre", "div", "blockquote", "hr", "address", "figure", "figcaption", "form", "fieldset", "ins",
    "del", "s", "dl", "dt", "dd", "li", "table", "caption", "thead", "tfoot", "tbody", "colgroup", "col", "tr",
    "th", "td", "video", "audio", "canvas", "details", "menu", "plaintext", "template", "article", "main", "svg",
    "math",
};

// Repeats ("area", "param", "source", "track") are kept as listed; a repeat replaces the earlier entry.
constexpr std::array<std::string_view, 65> kInlineTags = {
    "object", "base", "font", "tt", "i", "b", "u", "big", "small", "em", "strong", "dfn", "code", "samp", "kbd",
    "var", "cite", "abbr", "time", "acronym", "mark", "ruby", "rt", "rp", "a", "img", "br", "wbr", "map", "q",
    "sub", "sup", "bdo", "iframe", "embed", "span", "input", "select", "textarea", "label", "button", "optgroup",
    "option", "legend", "datalist", "keygen", "output", "progress", "meter", "area", "param", "source", "track",
    "summary", "command", "device", "area", "basefont", "bgsound", "menuitem", "param", "source", "track", "data",
    "bdi",
};

constexpr std::array<std::string_view, 21> kEmptyTags = {
    "meta", "link", "base", "frame", "img", "br", "wbr", "embed", "hr", "input", "keygen", "col", "command",
    "device", "area", "basefont", "bgsound", "menuitem", "param", "source", "track",
};

constexpr std::array<std::string_view, 19> kFormatAsInlineTags = {
    "title", "a", "p", "h1", "h2", "h3", "h4", "h5", "h6", "pre", "address", "li", "th", "td", "script", "style",
    "ins", "del", "s",
};

constexpr std::array<std::string_view, 4> kPreserveWhitespaceTags = {"pre", "plaintext", "title", "textarea"};

constexpr std::array<std::string_view, 8> kFormListedTags = {
    "button", "fieldset", "input", "keygen", "object", "output", "select", "textarea",
};

constexpr std::array<std::string_view, 5> kFormSubmittableTags = {"input", "keygen", "object", "select", "textarea"};

}  // namespace

struct TagTable {
    std::vector<std::unique_ptr<Tag>> storage;
    std::unordered_map<std::string_view, Tag*> byName;
    // The lookup the parser makes for every tag: open addressing over a power-of-two table about four
    // times the names, with a hash of the length and three bytes and a byte-wise compare, since
    // general string hashing and memcmp calls showed up in profiles.
    std::vector<const Tag*> slots;
    std::vector<const Tag*> byIndex;

    static std::size_t hashOf(std::string_view name) noexcept {
        if (name.empty()) return 0;
        const auto byte = [&name](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(name[i])); };
        std::size_t hash = name.size() * 0x9E37u;
        hash ^= byte(0) * 0x3B;
        hash ^= byte(name.size() - 1) * 0x2F1;
        hash ^= byte(name.size() / 2) * 0x1D;
        return hash ^ (hash >> 9);
    }

    static bool sameName(std::string_view known, std::string_view name) noexcept {
        if (known.size() != name.size()) return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (known[i] != name[i]) return false;
        }
        return true;
    }

    const Tag* lookup(std::string_view name) const noexcept {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t slot = hashOf(name) & mask;; slot = (slot + 1) & mask) {
            const Tag* tag = slots[slot];
            if (tag == nullptr || sameName(tag->getName(), name)) return tag;
        }
    }

    void buildSlots() {
        std::size_t size = 64;
        while (size < byName.size() * 4) size *= 2;
        slots.assign(size, nullptr);
        for (const auto& [name, tag] : byName) {
            std::size_t slot = hashOf(name) & (size - 1);
            while (slots[slot] != nullptr) slot = (slot + 1) & (size - 1);
            slots[slot] = tag;
        }
    }

    TagTable() {
        for (std::string_view name : kBlockTags) add(name);
        for (std::string_view name : kInlineTags) {
            Tag* tag = add(name);
            tag->isBlock_ = false;
            tag->formatAsBlock_ = false;
            tag->canContainBlock_ = false;
        }
        for (std::string_view name : kEmptyTags) {
            modify(name, [](Tag& tag) {
                tag.canContainBlock_ = false;
                tag.canContainInline_ = false;
                tag.empty_ = true;
            });
        }
        for (std::string_view name : kFormatAsInlineTags) modify(name, [](Tag& tag) { tag.formatAsBlock_ = false; });
        for (std::string_view name : kPreserveWhitespaceTags) {
            modify(name, [](Tag& tag) { tag.preserveWhitespace_ = true; });
        }
        for (std::string_view name : kFormListedTags) modify(name, [](Tag& tag) { tag.formList_ = true; });
        for (std::string_view name : kFormSubmittableTags) modify(name, [](Tag& tag) { tag.formSubmit_ = true; });
        buildSlots();
        for (const auto& tag : storage) byIndex.push_back(tag.get());
        Tag::byTableIndex_ = byIndex.data();
    }

    Tag* add(std::string_view name) {
        storage.push_back(std::unique_ptr<Tag>(new Tag(name, name, true)));
        storage.back()->tableIndex_ = static_cast<std::uint16_t>(storage.size() - 1);
        byName[name] = storage.back().get();
        return storage.back().get();
    }

    template <class Change>
    void modify(std::string_view name, Change change) {
        if (auto found = byName.find(name); found != byName.end()) change(*found->second);
    }

    static const TagTable& instance() {
        static const TagTable table;  // constructed once, thread-safe
        return table;
    }
};

const Tag* Tag::documentRootTag() noexcept {
    // Outside the table, immutable, shared by every document.
    static const Tag root = [] {
        Tag tag("#root", "#root", false);
        tag.isBlock_ = false;
        return tag;
    }();
    return &root;
}

const Tag* Tag::find(std::string_view name) noexcept {
    return TagTable::instance().lookup(name);
}

std::size_t Tag::knownTagCount() noexcept { return TagTable::instance().byName.size(); }

std::size_t Tag::tableIndexLimit() noexcept { return TagTable::instance().storage.size(); }

const Tag* Tag::valueOf(std::string_view name, const ParseSettings& settings, Document& owner) {
    if (const Tag* known = find(name)) return known;
    std::string normalised = settings.normalizeTag(name);
    requireNotEmpty(normalised);
    if (const Tag* known = find(normalised)) return known;
    return owner.createUnknownTag(normalised);
}

const Tag* Tag::valueOf(std::string_view name, Document& owner) {
    return valueOf(name, ParseSettings::preserveCase(), owner);
}

}  // namespace html
