// Token records: the attribute list's put rule, tag-name lower-casing and the diagnostic text form.
#include "html/parser/token.h"

#include <cassert>

#include <unicode/ustring.h>

#include "base/utf8.h"
#include "html/nodes/tag.h"

namespace novawick::html {

namespace utf8 = novawick::utf8;

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Full Unicode lower-casing (root locale), for names that are not pure ASCII.
std::string unicodeLower(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    std::u16string wide(text.size() + 1, u'\0');
    int32_t wideLength = 0;
    u_strFromUTF8(reinterpret_cast<UChar*>(wide.data()), static_cast<int32_t>(wide.size()), &wideLength,
                  text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return std::string(text);
    std::u16string lowered(static_cast<std::size_t>(wideLength) * 3 + 1, u'\0');
    status = U_ZERO_ERROR;
    const int32_t loweredLength =
        u_strToLower(reinterpret_cast<UChar*>(lowered.data()), static_cast<int32_t>(lowered.size()),
                     reinterpret_cast<const UChar*>(wide.data()), wideLength, "", &status);
    if (U_FAILURE(status)) return std::string(text);
    std::string out(static_cast<std::size_t>(loweredLength) * 3 + 1, '\0');
    int32_t outLength = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &outLength,
                reinterpret_cast<const UChar*>(lowered.data()), loweredLength, &status);
    if (U_FAILURE(status)) return std::string(text);
    out.resize(static_cast<std::size_t>(outLength));
    return out;
}

}  // namespace

std::string lowerCaseName(std::string_view name) {
    if (!utf8::isAscii(name)) return unicodeLower(name);
    std::string out(name);
    for (char& c : out) c = asciiLower(c);
    return out;
}

std::size_t TokenAttributes::indexOf(std::string_view name) const {
    if (size_ > kIndexThreshold) {
        const auto found = index_.find(std::string(name));
        return found == index_.end() ? size_ : found->second;
    }
    for (std::size_t i = 0; i < size_; ++i)
        if (items_[i].name == name) return i;
    return size_;
}

void TokenAttributes::put(std::string_view name, std::string_view value, bool isBoolean) {
    const std::size_t existing = indexOf(name);
    if (existing < size_) {
        items_[existing].value.assign(value);
        items_[existing].isBoolean = isBoolean;
        return;
    }
    if (size_ == items_.size()) items_.emplace_back();
    TokenAttribute& slot = items_[size_++];
    slot.name.assign(name);
    slot.value.assign(value);
    slot.isBoolean = isBoolean;
    appended();
}

void TokenAttributes::commitSpare(bool isBoolean) {
    TokenAttribute& incoming = spare();
    const std::size_t existing = indexOf(incoming.name);
    if (existing < size_) {
        items_[existing].value.swap(incoming.value);
        items_[existing].isBoolean = isBoolean;
        clearSpare();
        return;
    }
    incoming.isBoolean = isBoolean;
    ++size_;
    appended();
}

// After an attribute is added at the end: index it when the tag has many, and empty the new spare.
void TokenAttributes::appended() {
    if (size_ == kIndexThreshold + 1) {
        for (std::size_t i = 0; i < size_; ++i) index_.emplace(items_[i].name, i);
    } else if (size_ > kIndexThreshold + 1) {
        index_.emplace(items_[size_ - 1].name, size_ - 1);
    }
    clearSpare();
}

const TokenAttribute* TokenAttributes::find(std::string_view name) const {
    const std::size_t i = indexOf(name);
    return i < size_ ? &items_[i] : nullptr;
}

DoctypeToken& Token::asDoctype() { assert(isDoctype()); return static_cast<DoctypeToken&>(*this); }
StartTagToken& Token::asStartTag() { assert(isStartTag()); return static_cast<StartTagToken&>(*this); }
EndTagToken& Token::asEndTag() { assert(isEndTag()); return static_cast<EndTagToken&>(*this); }
TagToken& Token::asTag() { assert(isStartTag() || isEndTag()); return static_cast<TagToken&>(*this); }
CommentToken& Token::asComment() { assert(isComment()); return static_cast<CommentToken&>(*this); }
CharacterToken& Token::asCharacter() { assert(isCharacter()); return static_cast<CharacterToken&>(*this); }
const DoctypeToken& Token::asDoctype() const { return const_cast<Token*>(this)->asDoctype(); }
const StartTagToken& Token::asStartTag() const { return const_cast<Token*>(this)->asStartTag(); }
const EndTagToken& Token::asEndTag() const { return const_cast<Token*>(this)->asEndTag(); }
const TagToken& Token::asTag() const { return const_cast<Token*>(this)->asTag(); }
const CommentToken& Token::asComment() const { return const_cast<Token*>(this)->asComment(); }
const CharacterToken& Token::asCharacter() const { return const_cast<Token*>(this)->asCharacter(); }

std::string Token::toString() const {
    switch (type_) {
        case TokenType::Doctype: return "<!DOCTYPE " + asDoctype().name + ">";
        case TokenType::StartTag: {
            std::string out = "<" + asTag().name();
            for (const TokenAttribute& a : asTag().attributes())
                out += a.isBoolean ? " " + a.name : " " + a.name + "=\"" + a.value + "\"";
            return out + (asTag().isSelfClosing() ? "/>" : ">");
        }
        case TokenType::EndTag: return "</" + asTag().name() + ">";
        case TokenType::Comment: return "<!--" + asComment().data + "-->";
        case TokenType::Char: return "\"" + std::string(asCharacter().text()) + "\"";
        case TokenType::EndOfFile: return "";
    }
    return "";
}

void DoctypeToken::reset() noexcept {
    name.clear();
    pubSysKey.clear();
    publicIdentifier.clear();
    systemIdentifier.clear();
    forceQuirks = false;
}

void TagToken::reset() noexcept {
    tagName_.clear();
    hasPendingAttributeName_ = false;
    hasEmptyAttributeValue_ = false;
    hasPendingAttributeValue_ = false;
    selfClosing_ = false;
    nameIsAscii_ = true;
    nameIsNormal_ = true;
    normalNameStale_ = false;
    lookedUp_ = false;
    attributes_.clear();
}

TagToken& TagToken::named(std::string_view name) {
    reset();
    addToName(name);
    return *this;
}

void TagToken::addToName(std::string_view text) {
    // Branch-free: names are short.
    unsigned high = 0;
    unsigned upperCount = 0;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        high |= byte;
        upperCount += static_cast<unsigned char>(byte - 'A') < 26 ? 1U : 0U;
    }
    addToName(text, high < 0x80, upperCount != 0);
}

void TagToken::addToName(std::string_view text, bool ascii, bool hasUpper) {
    tagName_.append(text);
    lookedUp_ = false;
    nameIsAscii_ = nameIsAscii_ && ascii;
    nameIsNormal_ = nameIsNormal_ && ascii && !hasUpper;
    normalNameStale_ = !nameIsNormal_;
}

// Lower-casing can depend on context (final sigma), so a non-ASCII name is lower-cased whole, once,
// when asked for: a name growing piece by piece must not be lower-cased at every piece.
const std::string& TagToken::lowerCasedName() const {
    if (normalNameStale_) {
        if (nameIsAscii_) {
            normalName_.resize(tagName_.size());
            for (std::size_t i = 0; i < tagName_.size(); ++i) normalName_[i] = asciiLower(tagName_[i]);
        } else {
            normalName_ = unicodeLower(tagName_);
        }
        normalNameStale_ = false;
    }
    return normalName_;
}

void TagToken::lookUp() const {
    const std::string& name = normalName();
    const Tag::Found found = Tag::findWithBuilderId(name);
    knownTag_ = found.tag;
    id_ = found.builderId;
    lookedUp_ = true;
}

void TagToken::addToName(char32_t c) {
    std::string piece;
    utf8::append(piece, c);
    addToName(piece);
}

void TagToken::addToAttributeName(std::string_view text) {
    attributes_.spare().name.append(text);
    hasPendingAttributeName_ = true;
}

void TagToken::addToAttributeName(char32_t c) {
    utf8::append(attributes_.spare().name, c);
    hasPendingAttributeName_ = true;
}

void TagToken::addToAttributeValue(std::string_view text) {
    attributes_.spare().value.append(text);
    hasPendingAttributeValue_ = true;
}

void TagToken::addToAttributeValue(char32_t c) {
    utf8::append(attributes_.spare().value, c);
    hasPendingAttributeValue_ = true;
}

void TagToken::finishAttribute() {
    // The states never finish an empty name; the check keeps an empty key out of the element anyway.
    if (hasPendingAttributeName_ && !attributes_.spare().name.empty()) {
        // A name without a value is a boolean attribute; its value is empty, as nothing was added.
        attributes_.commitSpare(!hasPendingAttributeValue_ && !hasEmptyAttributeValue_);
    } else {
        attributes_.clearSpare();
    }
    hasPendingAttributeName_ = false;
    hasEmptyAttributeValue_ = false;
    hasPendingAttributeValue_ = false;
}

}  // namespace novawick::html
