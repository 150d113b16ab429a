// What a scraper pays per page: parse a realistic page and take the body's text. The chapter page is
// mostly paragraphs of text, the search page mostly small elements and attributes, so the two stress
// the tokeniser's text runs and the tree builder's element handling respectively. Throughput is
// reported in bytes of HTML per second.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/parser/parser.h"

namespace {

std::string readCorpusPage(const std::string& name) {
    const std::string path = std::string(NOVAWICK_SHARED_DIR) + "/corpus/novel/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void parseAndExtractText(benchmark::State& state, const std::string& page) {
    for (auto _ : state) {
        const auto document = html::parse(page, "https://novel.example/");
        const html::Element* body = document->body();
        std::string text = body == nullptr ? std::string() : body->text();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(page.size()));
}

void chapterPage(benchmark::State& state) {
    static const std::string page = readCorpusPage("chapter.html");
    parseAndExtractText(state, page);
}

void searchPage(benchmark::State& state) {
    static const std::string page = readCorpusPage("search.html");
    parseAndExtractText(state, page);
}

}  // namespace

BENCHMARK(chapterPage);
BENCHMARK(searchPage);
