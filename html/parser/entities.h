// Named character references in three escape modes (xhtml, base, extended), the name and code-point
// lookups the tokeniser and the output side ask for, and text escaping for HTML output. Each mode is
// parsed from its packed table once, on first use, and is read-only afterwards, so lookups from any
// thread need no lock.
//
// Names are found through a hash index rather than by bisection: the tokeniser asks for every
// reference in a page (a chapter page has hundreds of "&nbsp;"), and one probe with a short compare
// costs a tenth of a bisection over 2,125 names with a string compare at each step. Each extended
// entry also records whether the name is a legacy one, so a reference needs one lookup, not two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::html {

/// Which of the three entity tables a mode uses.
enum class EscapeModeId { Xhtml, Base, Extended };

/// One entry of a table: a name and its code points (the second is 0 when there is only one).
struct NamedCodepoint {
    char32_t scalar = 0;
    char32_t second = 0;
    std::string_view name;
    /// Also a name of the base table, so recognised without its ";".
    bool legacy = false;
};

class EscapeMode {
public:
    static const EscapeMode& xhtml();
    static const EscapeMode& base();
    static const EscapeMode& extended();
    static const EscapeMode& get(EscapeModeId id);

    EscapeModeId id() const noexcept { return id_; }
    /// The first code point of the name in this mode (names compare exactly).
    std::optional<char32_t> codepointForName(std::string_view name) const;
    /// Of this mode's names whose first code point is `c`, the one that sorts last.
    std::optional<std::string_view> nameForCodepoint(char32_t c) const;
    /// The table entry of a name, or null.
    const NamedCodepoint* find(std::string_view name) const;
    std::size_t size() const noexcept { return byName_.size(); }

    EscapeMode(EscapeModeId id, std::string_view packed);
    EscapeMode(const EscapeMode&) = delete;
    EscapeMode& operator=(const EscapeMode&) = delete;

private:
    std::size_t slotOf(std::string_view name) const noexcept;

    EscapeModeId id_;
    std::vector<NamedCodepoint> byName_;
    std::vector<NamedCodepoint> byCodepoint_;
    // Open addressing over byName_: each slot holds an entry's position plus one, 0 when empty.
    std::vector<std::uint16_t> slots_;
};

/// Flags of the escaping routine the document model uses for its own output.
struct EscapeOptions {
    bool inAttribute = false;
    bool normaliseWhite = false;
    bool stripLeadingWhite = false;
};

class Entities {
public:
    /// True when the name is in the extended table.
    static bool isNamedEntity(std::string_view name);
    /// True when the name is in the base (legacy) table.
    static bool isBaseNamedEntity(std::string_view name);
    /// The one or two code points of a name of the extended table; empty when it has none.
    static std::vector<char32_t> codepointsForName(std::string_view name);
    /// The text a name stands for, or none when no table holds it.
    static std::optional<std::string> getByName(std::string_view name);

    /// Escapes text for HTML output in `mode` for the character set `charset` ("UTF-8", "US-ASCII" or
    /// any name ICU knows). Raises IllegalArgumentException for a character set ICU cannot open.
    static std::string escape(std::string_view text, const EscapeMode& mode, std::string_view charset,
                              EscapeOptions options = {});
    /// Escapes with the base mode (the default output setting) for `charset`.
    static std::string escape(std::string_view text, std::string_view charset = "UTF-8");
    /// Appends the escaped text to `out`.
    static void escape(std::string& out, std::string_view text, const EscapeMode& mode,
                       std::string_view charset, EscapeOptions options);

    /// Decodes character references; `strict` applies the attribute-value rules.
    static std::string unescape(std::string_view text, bool strict = false);
};

}  // namespace novawick::html
