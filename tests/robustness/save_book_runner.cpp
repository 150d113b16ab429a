// Saves one book with genEpub, as the dialogue does (no temporary folder, no progress), from a loopback
// site named on the command line. A process of its own, so that a test can read the peak memory of a
// save and of nothing else. Arguments: PORT CA-FILE SAVE-FOLDER. Exit status 0 when the book is saved.
#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "net/http_client.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: save_book_runner PORT CA-FILE SAVE-FOLDER\n");
        return 2;
    }
    using namespace novawick;
    net::ClientSettings settings;
    settings.routes.push_back({std::string(site::kHost), 443, static_cast<std::uint16_t>(std::atoi(argv[1]))});
    settings.caFile = argv[2];
    const std::string base = "https://" + std::string(site::kHost);
    try {
        net::HttpClient client(settings);
        QuilletApi::genEpub(client, argv[3],
                            SearchResult{"书", "某", *Url::parse(base + "/no-cover"), *Url::parse(base + "/book/"),
                                         ResultType::vorune},
                            std::nullopt, {});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "save_book_runner: %s\n", error.what());
        return 1;
    }
    return 0;
}
