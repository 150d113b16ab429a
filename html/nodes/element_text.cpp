// Text extraction and the class test: the operations that decide what text ends up in a book, and
// the hottest reads of the scrapers. One iterative walk appends straight into a single string; the
// "accumulated text ends with a space" test is a look at its last byte, and pure-ASCII input never
// reaches ICU.
#include <algorithm>
#include <string>

#include "html/nodes/attributes.h"
#include "html/nodes/element.h"
#include "html/nodes/exception.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/string_util.h"
#include "html/nodes/text_accumulator.h"
#include "html/nodes/traversal.h"

namespace novawick::html {

namespace {

void trimInPlace(std::string& text) {
    std::string_view trimmed = trim(text);
    if (trimmed.size() == text.size()) return;
    auto offset = static_cast<std::size_t>(trimmed.data() - text.data());
    std::size_t length = trimmed.size();
    text.erase(0, offset);
    text.resize(length);
}

using detail::separatesText;
using detail::TextAccumulator;

}  // namespace

std::string Element::text(bool trimAndNormaliseWhitespace) const {
    TextAccumulator accumulator;
    forEachNode(const_cast<Element&>(*this), [&](Node& node) {
        switch (node.kind()) {
        case NodeKind::Text: {
            const auto& textNode = static_cast<const TextNode&>(node);
            if (trimAndNormaliseWhitespace) {
                accumulator.appendText(textNode);
            } else {
                accumulator.appendRaw(textNode.getWholeText());
            }
            break;
        }
        case NodeKind::Element:
        case NodeKind::Document:
        case NodeKind::FormElement:
            if (!accumulator.isEmpty() && separatesText(static_cast<const Element&>(node))) accumulator.separate();
            break;
        case NodeKind::Data:
        case NodeKind::Comment:
        case NodeKind::DocumentType:
        case NodeKind::XmlDeclaration: break;
        }
    });
    if (trimAndNormaliseWhitespace) trimInPlace(accumulator.text);
    return std::move(accumulator.text);
}

std::string Element::ownText() const {
    TextAccumulator accumulator;
    for (const Node* child : childNodes()) {
        switch (child->kind()) {
        case NodeKind::Text: accumulator.appendText(static_cast<const TextNode&>(*child)); break;
        case NodeKind::Element:
        case NodeKind::FormElement:
            if (static_cast<const Element*>(child)->tagName() == "br") accumulator.separate();
            break;
        case NodeKind::Document:
        case NodeKind::Data:
        case NodeKind::Comment:
        case NodeKind::DocumentType:
        case NodeKind::XmlDeclaration: break;
        }
    }
    trimInPlace(accumulator.text);
    return std::move(accumulator.text);
}

namespace {

// Byte-level class test, valid when neither string holds non-ASCII bytes or a carriage return (so
// every byte is one character).
// Both sides are known to be ASCII here, so names compare byte by byte, case folded.
bool sameClassAscii(std::string_view name, std::string_view wanted) noexcept {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char a = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
        const char b = wanted[i] >= 'A' && wanted[i] <= 'Z' ? static_cast<char>(wanted[i] + 32) : wanted[i];
        if (a != b) return false;
    }
    return true;
}

bool hasClassAscii(std::string_view classes, std::string_view wanted) {
    if (classes.size() == wanted.size()) return sameClassAscii(classes, wanted);
    bool inName = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= classes.size(); ++i) {
        bool atEnd = i == classes.size();
        if (atEnd || isWhitespaceByte(classes[i])) {
            if (inName && i - start == wanted.size() && sameClassAscii(classes.substr(start, i - start), wanted)) {
                return true;
            }
            inName = false;
        } else if (!inName) {
            inName = true;
            start = i;
        }
    }
    return false;
}

// What the class test needs to know of a text, gathered in one branch-free pass. "Plain" is ASCII
// without CR: names in it split at single whitespace bytes (CR LF would be one character).
struct AsciiShape {
    bool plain;
    bool hasUpper;
};

AsciiShape shapeOf(std::string_view text) noexcept {
    unsigned char high = 0;
    bool carriageReturn = false;
    bool upper = false;
    for (char c : text) {
        high |= static_cast<unsigned char>(c);
        carriageReturn |= c == '\r';
        upper |= c >= 'A' && c <= 'Z';
    }
    return {high < 0x80 && !carriageReturn, upper};
}

// Lower-case ASCII on both sides: a substring search (memchr-driven) finds candidates, and a candidate
// counts only when whitespace or an end of the list stands on both sides of it.
bool hasClassLowerAscii(std::string_view classes, std::string_view wanted) noexcept {
    if (classes.size() == wanted.size()) return classes == wanted;
    for (std::size_t pos = classes.find(wanted); pos != std::string_view::npos; pos = classes.find(wanted, pos + 1)) {
        const std::size_t end = pos + wanted.size();
        if ((pos == 0 || isWhitespaceByte(classes[pos - 1])) && (end == classes.size() || isWhitespaceByte(classes[end]))) {
            return true;
        }
    }
    return false;
}

bool isWhitespaceCharacter(std::string_view character) noexcept {
    return whitespaceLengthAt(character, 0) == character.size();
}

bool nameMatches(const std::vector<std::string_view>& name, const std::vector<std::string_view>& wanted) {
    if (name.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != wanted[i] && toLowerCase(name[i]) != toLowerCase(wanted[i])) return false;
    }
    return true;
}

// Character-level class test for text with combining sequences, CR LF pairs or other multi-byte
// characters.
bool hasClassCharacters(std::string_view classes, std::string_view wanted) {
    std::vector<std::string_view> classCharacters = characters(classes);
    std::vector<std::string_view> wantedCharacters = characters(wanted);
    if (classCharacters.empty() || classCharacters.size() < wantedCharacters.size()) return false;
    if (classCharacters.size() == wantedCharacters.size()) return equalsIgnoreCase(classes, wanted);
    std::vector<std::string_view> name;
    bool inName = false;
    for (std::size_t i = 0; i <= classCharacters.size(); ++i) {
        bool atEnd = i == classCharacters.size();
        if (atEnd || isWhitespaceCharacter(classCharacters[i])) {
            if (inName && nameMatches(name, wantedCharacters)) return true;
            inName = false;
            name.clear();
        } else {
            inName = true;
            name.push_back(classCharacters[i]);
        }
    }
    return false;
}

// The class test for one wanted name, reusable across the elements of a walk.
class ClassTest {
public:
    explicit ClassTest(std::string_view wanted) noexcept
        : wanted_(wanted),
          shape_(shapeOf(wanted)),
          // A name holding whitespace only ever equals the whole list; the search would match across names.
          oneName_(!wanted.empty() && std::none_of(wanted.begin(), wanted.end(), isWhitespaceByte)) {}

    bool matches(const Element& element) const {
        const std::string_view classes = element.attributes().get("class");
        if (classes.empty()) return false;
        const AsciiShape classesShape = shapeOf(classes);
        if (classesShape.plain && shape_.plain) {
            if (classes.size() < wanted_.size()) return false;
            if (!classesShape.hasUpper && !shape_.hasUpper && oneName_) return hasClassLowerAscii(classes, wanted_);
            return hasClassAscii(classes, wanted_);
        }
        return hasClassCharacters(classes, wanted_);
    }

private:
    std::string_view wanted_;
    AsciiShape shape_;
    bool oneName_;
};

}  // namespace

bool Element::hasClass(std::string_view className) const { return ClassTest(className).matches(*this); }

Elements Element::getElementsByClass(std::string_view className) const {
    requireNotEmpty(className);
    // What the test learns of the wanted name is learnt once, not at every element of the walk.
    const ClassTest test(className);
    Elements found;
    forEachElement(const_cast<Element&>(*this), [&](Element& element) {
        if (test.matches(element)) found.add(&element);
    });
    return found;
}

}  // namespace novawick::html
