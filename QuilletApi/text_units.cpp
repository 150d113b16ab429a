#include "QuilletApi/text_units.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <memory>

namespace novawick {

std::string dropLeadingCharacters(std::string_view text, std::size_t count) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status) || !clusters) {
        if (utext) utext_close(utext);
        return {};
    }
    clusters->setText(utext, status);
    int32_t boundary = clusters->first();
    for (std::size_t i = 0; i < count && boundary != icu::BreakIterator::DONE; ++i) boundary = clusters->next();
    utext_close(utext);
    if (boundary == icu::BreakIterator::DONE) return {};
    // With UTF-8 UText, boundaries are byte offsets.
    return std::string(text.substr(static_cast<std::size_t>(boundary)));
}

}  // namespace novawick
