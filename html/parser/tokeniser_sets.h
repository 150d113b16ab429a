// Stop sets and small character tests shared by the tokeniser's state files. Every member is ASCII,
// which is what lets the reader scan for them byte by byte.
#pragma once

#include <string_view>

#include "html/parser/character_reader.h"

namespace novawick::html::tokeniser_sets {

using namespace std::string_view_literals;

inline constexpr ByteSet kAttributeNameStops{"\t\n\r\f /=>\0\"'<"sv};
inline constexpr ByteSet kUnquotedValueStops{"\t\n\r\f &>\0\"'<=`"sv};
inline constexpr ByteSet kDoubleQuotedValueStops{"\"&\0"sv};
inline constexpr ByteSet kSingleQuotedValueStops{"'&\0"sv};
inline constexpr ByteSet kCharacterReferenceStops{"\t\n\r\f <&"sv};
inline constexpr ByteSet kRcdataStops{"&<\0"sv};
inline constexpr ByteSet kRawDataStops{"<\0"sv};
inline constexpr ByteSet kCommentStops{"-\0"sv};
inline constexpr ByteSet kScriptEscapedStops{"-<\0"sv};
inline constexpr ByteSet kEntityTailInAttribute{"=-_"sv};

inline constexpr char32_t kNull = 0;
inline constexpr char32_t kReplacement = 0xFFFD;
inline constexpr char32_t kEndOfInput = CharacterReader::kEndOfInput;

/// TAB, LF, FF, CR or space.
constexpr bool isTagWhitespace(char32_t c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

}  // namespace novawick::html::tokeniser_sets
