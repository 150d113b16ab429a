// The HTML library's one error kind: an exception type and a message. Parse errors are recorded,
// never thrown; this is raised only for caller errors (an empty key, a query whose regular expression
// runs too long) and broken invariants.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace novawick::html {

enum class ExceptionType {
    IllegalArgumentException,
    SelectorParseException,
    /// A regular expression of a query ran past its time limit; ends the whole selection.
    RegexTimeoutException,
};

/// Name of an exception type, as used in diagnostics.
std::string_view exceptionTypeName(ExceptionType type);

/// `Exception.Error`: the library's error, carrying its type and message.
class Exception : public std::runtime_error {
public:
    Exception(ExceptionType type, std::string message);
    ExceptionType type() const noexcept { return type_; }
    const std::string& message() const noexcept { return message_; }

private:
    ExceptionType type_;
    std::string message_;
};

inline constexpr std::string_view kStringMustNotBeEmpty = "String must not be empty";
inline constexpr std::string_view kNodeHasNoParent = "Node has no parent";
inline constexpr std::string_view kInsertPositionOutOfBounds = "Insert position out of bounds";
inline constexpr std::string_view kNodeCannotContainItself = "A node cannot be inserted into itself or its own subtree";
inline constexpr std::string_view kNodeOfAnotherDocument = "A node cannot be moved into another document";
inline constexpr std::string_view kNodeInsertedTwice = "A node cannot be inserted twice at once";
inline constexpr std::string_view kNotAChildNode = "Reference node is not a child of this element";

/// Raises IllegalArgumentException "String must not be empty" when `value` is empty.
void requireNotEmpty(std::string_view value);

}  // namespace novawick::html
