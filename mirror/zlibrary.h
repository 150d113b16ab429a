// The library-mirror client: picks the first mirror host that answers, searches it for EPUB books and
// reads a book's description. A type without instances; nothing is remembered between calls. Each
// operation comes as the system names it, through the process-wide HTTP client, and with the transport to
// use first.
// The dialogue does not call it: it is the second source of hits (`ResultType::zlibrary`) for a front end
// that offers one, and tests/mirror keeps it working against loopback mirrors.
#pragma once

#include "QuilletApi/records/records.h"
#include "net/transport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick {

class Zlibrary {
public:
    Zlibrary() = delete;

    /// The mirror host table, in probing order; built once, read-only afterwards.
    static const std::vector<std::string>& mirrorTable();
    /// "https://" + the first host whose front page answers 200; absent when none does. A transport
    /// failure ends the probing at once with that error.
    static std::optional<Url> availableURL();
    /// The same, probing through `transport`.
    static std::optional<Url> availableURL(net::Transport& transport);
    /// EPUB books matching a name on the chosen mirror; empty when no mirror answers.
    static std::vector<SearchResult> search(std::string_view name);
    /// The same, through `transport`: the probes and the search.
    static std::vector<SearchResult> search(net::Transport& transport, std::string_view name);
    /// A book's description from its mirror page; empty when the page has none.
    static std::string getIntro(const SearchResult& from);
    /// The same, through `transport`.
    static std::string getIntro(net::Transport& transport, const SearchResult& from);
};

}  // namespace novawick
