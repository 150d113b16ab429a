// Token records handed from the tokeniser to the tree builder. Each kind has one record that the
// tokeniser reuses for every token of that kind, so buffers keep their capacity and reading a
// document allocates only while its longest name, value or text run is still growing. A handed-out
// token is valid until the next request.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "html/parser/tree_builder_tags.h"

namespace novawick::html {

enum class TokenType { Doctype, StartTag, EndTag, Comment, Char, EndOfFile };

inline constexpr std::array<std::string_view, 6> kTokenTypeNames = {
    "Doctype", "StartTag", "EndTag", "Comment", "Char", "EOF"};
static_assert(kTokenTypeNames.size() == static_cast<std::size_t>(TokenType::EndOfFile) + 1);

/// Debug name of a token type.
constexpr std::string_view tokenTypeName(TokenType type) {
    return kTokenTypeNames[static_cast<std::size_t>(type)];
}

/// Lower-cases a name: ASCII directly, anything else with the full Unicode mapping (root locale).
std::string lowerCaseName(std::string_view name);

/// One attribute of a tag token: the name as written, the value, and whether it had no value at all.
struct TokenAttribute {
    std::string name;
    std::string value;
    bool isBoolean = false;
};

/// The attributes of a tag token, in order. `put` with a name already present replaces that entry's
/// value in place (so a repeated attribute keeps the last value at the first one's position).
/// Cleared entries keep their string storage for the next tag.
class TokenAttributes {
public:
    /// Adds or replaces the attribute with exactly this name.
    void put(std::string_view name, std::string_view value, bool isBoolean = false);
    /// The attribute with exactly this name, or null.
    const TokenAttribute* find(std::string_view name) const;
    /// Removes every attribute (storage is kept for reuse).
    void clear() noexcept {
        size_ = 0;
        if (!index_.empty()) index_.clear();
        clearSpare();
    }

    // The tokeniser reads an attribute straight into the record after the last one (the spare,
    // always empty until written), so finishing it copies nothing.
    /// The spare record.
    TokenAttribute& spare() {
        if (size_ == items_.size()) items_.emplace_back();
        return items_[size_];
    }
    /// Adds the spare as an attribute, or gives its value to the attribute already of that name.
    void commitSpare(bool isBoolean);
    /// Empties the spare.
    void clearSpare() noexcept {
        if (size_ < items_.size()) {
            items_[size_].name.clear();
            items_[size_].value.clear();
        }
    }

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    const TokenAttribute& operator[](std::size_t i) const { return items_[i]; }
    const TokenAttribute* begin() const noexcept { return items_.data(); }
    const TokenAttribute* end() const noexcept { return items_.data() + size_; }

private:
    // Tags with many attributes get a name index, so a hostile tag cannot make `put` quadratic.
    static constexpr std::size_t kIndexThreshold = 16;
    std::size_t indexOf(std::string_view name) const;
    void appended();

    std::vector<TokenAttribute> items_;
    std::size_t size_ = 0;
    std::unordered_map<std::string, std::size_t> index_;
};

class Tag;
class DoctypeToken;
class TagToken;
class StartTagToken;
class EndTagToken;
class CommentToken;
class CharacterToken;

/// Base of the token records; `type()` says which record it is, the `as...` casts check it.
class Token {
public:
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;

    TokenType type() const noexcept { return type_; }
    std::string_view tokenType() const noexcept { return tokenTypeName(type_); }

    bool isDoctype() const noexcept { return type_ == TokenType::Doctype; }
    bool isStartTag() const noexcept { return type_ == TokenType::StartTag; }
    bool isEndTag() const noexcept { return type_ == TokenType::EndTag; }
    bool isComment() const noexcept { return type_ == TokenType::Comment; }
    bool isCharacter() const noexcept { return type_ == TokenType::Char; }
    bool isEOF() const noexcept { return type_ == TokenType::EndOfFile; }

    DoctypeToken& asDoctype();
    StartTagToken& asStartTag();
    EndTagToken& asEndTag();
    TagToken& asTag();
    CommentToken& asComment();
    CharacterToken& asCharacter();
    const DoctypeToken& asDoctype() const;
    const StartTagToken& asStartTag() const;
    const EndTagToken& asEndTag() const;
    const TagToken& asTag() const;
    const CommentToken& asComment() const;
    const CharacterToken& asCharacter() const;

    /// A short text form for diagnostics, e.g. `<p class="x">` or `"text"`.
    std::string toString() const;

protected:
    explicit Token(TokenType type) noexcept : type_(type) {}
    ~Token() = default;

private:
    TokenType type_;
};

/// `<!DOCTYPE name PUBLIC "public" "system">`.
class DoctypeToken final : public Token {
public:
    DoctypeToken() noexcept : Token(TokenType::Doctype) {}
    void reset() noexcept;

    std::string name;
    std::string pubSysKey;  // "PUBLIC" or "SYSTEM" as written; empty when the keyword was absent
    std::string publicIdentifier;
    std::string systemIdentifier;
    bool forceQuirks = false;
};

/// Start and end tags: the name as written and lower-cased, the attributes and the attribute being
/// read, and the self-closing flag.
class TagToken : public Token {
public:
    /// The name as written in the input.
    const std::string& name() const noexcept { return tagName_; }
    /// The name lower-cased: the name itself when it has no upper-case or non-ASCII letter (almost
    /// always), else worked out once, on first request.
    const std::string& normalName() const {
        if (nameIsNormal_) return tagName_;
        return lowerCasedName();
    }
    /// True when the name as written is already its lower-cased form.
    bool nameIsNormal() const noexcept { return nameIsNormal_; }
    /// The tag table's tag for the lower-cased name, or null; looked up once per token.
    const Tag* knownTag() const {
        if (!lookedUp_) lookUp();
        return knownTag_;
    }
    /// The tree builder's id for the lower-cased name; looked up once per token.
    TagId id() const {
        if (!lookedUp_) lookUp();
        return id_;
    }
    bool isSelfClosing() const noexcept { return selfClosing_; }
    const TokenAttributes& attributes() const noexcept { return attributes_; }
    TokenAttributes& attributes() noexcept { return attributes_; }

    /// Clears every field: no name, no attributes, nothing pending, not self-closing.
    void reset() noexcept;
    /// Resets the record and gives it this name (for tags the tree builder makes itself).
    TagToken& named(std::string_view name);

    void addToName(std::string_view text);
    void addToName(char32_t c);
    /// Adds a run whose bytes the caller has already classed (ASCII or not, upper-case letters or not).
    void addToName(std::string_view text, bool ascii, bool hasUpper);
    void addToAttributeName(std::string_view text);
    void addToAttributeName(char32_t c);
    void addToAttributeValue(std::string_view text);
    void addToAttributeValue(char32_t c);
    void markEmptyAttributeValue() noexcept { hasEmptyAttributeValue_ = true; }
    void setSelfClosing(bool value) noexcept { selfClosing_ = value; }
    /// Moves the pending attribute (if a name is pending) into the attribute list.
    void finishAttribute();
    /// Finishes a pending attribute; called before the tag is emitted.
    void finishTag() { finishAttribute(); }

protected:
    explicit TagToken(TokenType type) noexcept : Token(type) {}
    ~TagToken() = default;

private:
    const std::string& lowerCasedName() const;
    void lookUp() const;

    std::string tagName_;
    mutable std::string normalName_;  // used only when the name is not already lower case
    mutable bool normalNameStale_ = false;
    mutable bool lookedUp_ = false;
    mutable TagId id_ = TagId::Other;
    mutable const Tag* knownTag_ = nullptr;
    bool hasPendingAttributeName_ = false;
    bool hasEmptyAttributeValue_ = false;
    bool hasPendingAttributeValue_ = false;
    bool selfClosing_ = false;
    bool nameIsAscii_ = true;
    bool nameIsNormal_ = true;
    TokenAttributes attributes_;
};

class StartTagToken final : public TagToken {
public:
    StartTagToken() noexcept : TagToken(TokenType::StartTag) {}
};

class EndTagToken final : public TagToken {
public:
    EndTagToken() noexcept : TagToken(TokenType::EndTag) {}
};

/// `<!-- data -->`; `bogus` marks comments made from malformed markup such as `<?php ?>`.
class CommentToken final : public Token {
public:
    CommentToken() noexcept : Token(TokenType::Comment) {}
    void reset() noexcept {
        data.clear();
        bogus = false;
    }

    std::string data;
    bool bogus = false;
};

/// A run of character data.
/// Characters. The tokeniser lends a run that is one piece of the page as a view of it (`borrow`), so
/// text is not copied on its way to the tree; anything else is held in `data`.
class CharacterToken final : public Token {
public:
    CharacterToken() noexcept : Token(TokenType::Char) {}
    void reset() noexcept {
        data.clear();
        borrowed_ = {};
    }

    /// The characters: the borrowed run if there is one, else `data`.
    std::string_view text() const noexcept { return borrowed_.empty() ? std::string_view(data) : borrowed_; }
    /// Stands for `run` (which must stay valid while the token is read) instead of `data`; empty to stop.
    void borrow(std::string_view run) noexcept { borrowed_ = run; }

    std::string data;

private:
    std::string_view borrowed_;
};

class EndOfFileToken final : public Token {
public:
    EndOfFileToken() noexcept : Token(TokenType::EndOfFile) {}
    void reset() noexcept {}
};

}  // namespace novawick::html
