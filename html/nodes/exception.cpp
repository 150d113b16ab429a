#include "html/nodes/exception.h"

namespace novawick::html {

std::string_view exceptionTypeName(ExceptionType type) {
    switch (type) {
    case ExceptionType::IllegalArgumentException: return "IllegalArgumentException";
    case ExceptionType::SelectorParseException: return "SelectorParseException";
    case ExceptionType::RegexTimeoutException: return "RegexTimeoutException";
    }
    return "Exception";
}

Exception::Exception(ExceptionType type, std::string message)
    : std::runtime_error(message), type_(type), message_(std::move(message)) {}

void requireNotEmpty(std::string_view value) {
    if (value.empty()) throw Exception(ExceptionType::IllegalArgumentException, std::string(kStringMustNotBeEmpty));
}

}  // namespace novawick::html
