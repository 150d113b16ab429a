// The dialogue with a stand-in book source, for driving the dialogue through a terminal in tests.
// Arguments: --hit NAME AUTHOR (repeatable), --search-error TEXT, --gen-error TEXT, --record FILE
// (receives "search:<term>" and "genEpub:<path>|<name>" lines).
#include "app/dialogue.h"
#include "app/report.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace {

class StandInSource : public novawick::BookSource {
public:
    std::vector<novawick::SearchResult> hits;
    std::string searchError;
    std::string genError;
    std::string recordFile;

    std::vector<novawick::SearchResult> search(std::string_view name) override {
        record("search:" + std::string(name));
        if (!searchError.empty()) throw std::runtime_error(searchError);
        return hits;
    }
    void genEpub(const std::filesystem::path& at, const novawick::SearchResult& with) override {
        record("genEpub:" + at.string() + "|" + with.name);
        if (!genError.empty()) throw std::runtime_error(genError);
    }

private:
    void record(const std::string& line) {
        if (!recordFile.empty()) std::ofstream(recordFile, std::ios::app) << line << "\n";
    }
};

}  // namespace

int main(int argc, char** argv) {
    StandInSource source;
    auto url = *novawick::Url::parse("https://example.invalid/book");
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--hit" && i + 2 < argc) {
            source.hits.push_back({argv[i + 1], argv[i + 2], url, url, novawick::ResultType::vorune});
            i += 2;
        } else if (arg == "--search-error" && i + 1 < argc) {
            source.searchError = argv[++i];
        } else if (arg == "--gen-error" && i + 1 < argc) {
            source.genError = argv[++i];
        } else if (arg == "--record" && i + 1 < argc) {
            source.recordFile = argv[++i];
        }
    }
    try {
        return novawick::runDialogue(source, stdin, stdout, STDOUT_FILENO);
    } catch (...) {
        return novawick::reportFailure(std::current_exception());
    }
}
