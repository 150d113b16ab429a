#include "epub/titles.h"

#include "epub/xml_text.h"

namespace novawick::epub {

std::string bookTitle(std::string_view name) {
    return std::string(hasVisibleText(name) ? name : kUntitledBook);
}

std::string chapterTitle(std::string_view title, std::size_t number) {
    if (hasVisibleText(title)) return std::string(title);
    return "第" + std::to_string(number) + "章";
}

}  // namespace novawick::epub
