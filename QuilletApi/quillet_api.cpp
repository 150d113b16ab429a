// Placeholder bodies until the site client lands: every call fails clearly instead of pretending.
#include "QuilletApi/quillet_api.h"

#include <stdexcept>

namespace novawick {
namespace {
[[noreturn]] void notBuilt() { throw std::logic_error("the novel-site client is not built yet"); }
}  // namespace

std::vector<SearchResult> QuilletApi::search(std::string_view) { notBuilt(); }
std::string QuilletApi::getIntro(const SearchResult&) { notBuilt(); }
std::vector<Content> QuilletApi::getContent(const SearchResult&, const std::optional<std::filesystem::path>&,
                                            const Progress&) {
    notBuilt();
}
void QuilletApi::genEpub(const std::filesystem::path&, const SearchResult&,
                         const std::optional<std::filesystem::path>&, const Progress&) {
    notBuilt();
}

}  // namespace novawick
