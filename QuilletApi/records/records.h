// The plain values that carry a book through the program: a search hit, the source that produced it,
// and one entry of a chapter list. They are copied freely and never change after construction.
#pragma once

#include "net/url.h"

#include <cstddef>
#include <functional>
#include <string>

namespace novawick {

/// Which source produced a hit.
enum class ResultType { vorune = 0, zlibrary = 1 };

/// Hash of a result type: the hash of its case index.
struct ResultTypeHash {
    std::size_t operator()(ResultType type) const noexcept { return std::hash<int>{}(static_cast<int>(type)); }
};

/// One hit of a search.
struct SearchResult {
    std::string name;
    std::string author;
    Url preview;
    Url url;
    ResultType type;
};

/// One entry of a book's chapter list.
struct Menu {
    std::string title;
    Url url;
};

}  // namespace novawick

template <>
struct std::hash<novawick::ResultType> : novawick::ResultTypeHash {};
