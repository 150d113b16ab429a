// Filling the book's templates. Every value is escaped for XML, so a title such as "Tom & Jerry <1>"
// reads back as written instead of breaking the package; characters XML 1.0 cannot hold are dropped.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace novawick::epub {

/// "&", "<", ">" and '"' as entities; C0 controls other than tab, LF and CR, U+FFFE, U+FFFF and any
/// byte that is not valid UTF-8 (lone surrogates included) dropped.
std::string xmlEscape(std::string_view text);

/// True when `text` holds a character that `xmlEscape` keeps and that is not white space (the Unicode
/// White_Space set): a reader would show something.
bool hasVisibleText(std::string_view text);

/// `text` without white space (the Unicode White_Space set) at either end.
std::string_view trimWhiteSpace(std::string_view text);

/// Key and replacement. Values are inserted as given: escape them first.
using TemplateValues = std::vector<std::pair<std::string_view, std::string>>;

/// Replaces every "$(key)" of `text` by its value in one left-to-right pass, so an inserted value is
/// never searched again (a title holding "$(uuid)" stays that title). Unknown placeholders stay.
void fillTemplate(std::string& text, const TemplateValues& values);

}  // namespace novawick::epub
