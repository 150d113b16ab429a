// Side-by-side parser benchmarks on the corpus: this library against gumbo and libxml2's HTML parser on
// the same bytes in the same run, so the closing table compares ratios measured under the same machine
// load rather than absolute times. Also timed alone: the tokeniser through a do-nothing sink, the
// selections the scrapers make on a large page, and the chapter pipeline (parse a chapter page and take
// its paragraphs' text). Throughput is in bytes of HTML per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/read_file.h"
#include "bench/peer_parsers.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/parser/character_reader.h"
#include "html/parser/parser.h"
#include "html/parser/tokeniser.h"

namespace {

using novawick::bench::Engine;

struct Page {
    std::string label;
    std::string relativePath;
};

// A chapter, a search answer, a mid-sized and the largest documentation page, and the 4 MB WHATWG source.
const std::vector<Page> kPages = {
    {"chapter", "novel/chapter.html"},          {"search", "novel/search.html"},
    {"os", "pydocs/library_os.html"},           {"contents", "pydocs/contents.html"},
    {"whatwg", "whatwg/source-2010-04-30.html"},
};
constexpr const char* kSelectionPage = "pydocs/contents.html";
constexpr Engine kEngines[] = {Engine::Novawick, Engine::Gumbo, Engine::Libxml2};

const std::string& corpusPage(const std::string& relativePath) {
    static std::map<std::string, std::string> cache;
    auto found = cache.find(relativePath);
    if (found != cache.end()) return found->second;
    const std::string path = std::string(NOVAWICK_BENCH_CORPUS_DIR) + "/" + relativePath;
    std::string content;
    if (!novawick::bench::readFile(path, content)) {
        throw std::runtime_error("cannot read the benchmark page " + path +
                                 " (the corpus listed in tests/data/corpus/MANIFEST.md; set -DNOVAWICK_BENCH_CORPUS_DIR)");
    }
    return cache.emplace(relativePath, std::move(content)).first->second;
}

void countBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void parseBenchmark(benchmark::State& state, Engine engine, const std::string& page, bool withText) {
    for (auto _ : state) benchmark::DoNotOptimize(novawick::bench::parseWith(engine, page, withText));
    countBytes(state, page.size());
}

void tokeniseBenchmark(benchmark::State& state, const std::string& page) {
    for (auto _ : state) {
        novawick::html::CharacterReader reader{std::string_view(page)};
        novawick::html::Tokeniser tokeniser(reader, nullptr);
        std::size_t tokens = 0;
        while (tokeniser.read().type() != novawick::html::TokenType::EndOfFile) ++tokens;
        benchmark::DoNotOptimize(tokens);
    }
    countBytes(state, page.size());
}

const novawick::html::Document& selectionDocument() {
    static const auto document = novawick::html::parse(corpusPage(kSelectionPage), "https://bench.invalid/");
    return *document;
}

void selectLi(benchmark::State& state) {
    const novawick::html::Document& document = selectionDocument();
    for (auto _ : state) benchmark::DoNotOptimize(document.select("li").size());
}

void elementById(benchmark::State& state) {
    const novawick::html::Document& document = selectionDocument();
    // An id the page lacks: the worst case, a walk over the whole document.
    for (auto _ : state) benchmark::DoNotOptimize(document.getElementById("no-such-id"));
}

void elementsByClass(benchmark::State& state) {
    const novawick::html::Document& document = selectionDocument();
    for (auto _ : state) benchmark::DoNotOptimize(document.getElementsByClass("reference").size());
}

void chapterPipeline(benchmark::State& state) {
    const std::string& page = corpusPage("novel/chapter.html");
    for (auto _ : state) {
        const auto document = novawick::html::parse(page, "https://novel.invalid/");
        std::size_t bytes = 0;
        if (const novawick::html::Element* content = document->getElementById("Content")) {
            for (const novawick::html::Element* paragraph : content->select("p")) bytes += paragraph->text().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    countBytes(state, page.size());
}

std::string benchmarkName(const char* job, Engine engine, const std::string& label) {
    return std::string(job) + "/" + std::string(novawick::bench::engineName(engine)) + "/" + label;
}

void registerBenchmarks() {
    for (const Page& page : kPages) {
        const std::string& bytes = corpusPage(page.relativePath);
        for (Engine engine : kEngines) {
            benchmark::RegisterBenchmark(benchmarkName("parse", engine, page.label).c_str(), parseBenchmark, engine,
                                         bytes, false)->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(benchmarkName("parse_text", engine, page.label).c_str(), parseBenchmark,
                                         engine, bytes, true)->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("tokenise/novawick/" + page.label).c_str(), tokeniseBenchmark, bytes)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("select/li/contents", selectLi)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("select/getElementById/contents", elementById)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("select/getElementsByClass/contents", elementsByClass)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pipeline/chapter", chapterPipeline)->Unit(benchmark::kMillisecond);
}

// Keeps each benchmark's real time per iteration so the ratios can be printed after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}  // no colour codes: scripts/bench reads the output

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                seconds_[run.benchmark_name()] = run.GetAdjustedRealTime() / 1e3;  // reported in ms
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nSide by side (time ratio, higher means this library is faster):\n");
        std::printf("%-10s %-11s %14s %16s\n", "page", "job", "gumbo/novawick", "libxml2/novawick");
        for (const Page& page : kPages) {
            for (const char* job : {"parse", "parse_text"}) {
                const double ours = find(benchmarkName(job, Engine::Novawick, page.label));
                std::printf("%-10s %-11s %14.2f %16.2f\n", page.label.c_str(), job,
                            ratio(find(benchmarkName(job, Engine::Gumbo, page.label)), ours),
                            ratio(find(benchmarkName(job, Engine::Libxml2, page.label)), ours));
            }
        }
        const double parse = find("parse/novawick/contents");
        std::printf("\nSelection on contents.html as a fraction of its parse (goal < 0.10):\n");
        for (const char* name : {"select/li/contents", "select/getElementById/contents",
                                 "select/getElementsByClass/contents"}) {
            std::printf("%-36s %.4f\n", name, ratio(find(name), parse));
        }
    }

private:
    double find(const std::string& name) const {
        auto found = seconds_.find(name);
        return found == seconds_.end() ? 0 : found->second;
    }
    static double ratio(double numerator, double denominator) { return denominator > 0 ? numerator / denominator : 0; }

    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
