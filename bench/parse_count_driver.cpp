// parse-count ENGINE [--text] FILE...: one parse per file through one engine, for callgrind. Only
// `novawick_bench_measured_parse` is meant to be counted (run valgrind with
// --collect-atstart=no --toggle-collect=novawick_bench_measured_parse), so reading the files and the
// engines' one-time table set-up (done on a small warm-up page first) stay out of the figure.
//
// parse-count --memory FILE...: for each file, the heap bytes a parsed document holds (malloc's in-use
// count with the document alive, less the count once it is gone), as "path<TAB>source bytes<TAB>bytes".
// Heap counts rather than RSS: freed pages that malloc keeps would blur a resident-memory difference.
// Not the count before the parse: the first page that needs the character-reference tables would carry
// them, so a page's figure would depend on the pages before it in the same process.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "bench/peer_parsers.h"
#include "bench/process_memory.h"
#include "html/nodes/document.h"
#include "html/parser/parser.h"
#include "bench/read_file.h"

using novawick::bench::Engine;

extern "C" __attribute__((noinline)) std::size_t novawick_bench_measured_parse(int engine, const char* data,
                                                                               std::size_t size, int withText) {
    return novawick::bench::parseWith(static_cast<Engine>(engine), std::string_view(data, size), withText != 0);
}

namespace {

int reportDocumentMemory(int argc, char** argv) {
    novawick::html::parse("<p>warm</p>");
    for (int index = 2; index < argc; ++index) {
        std::string page;
        if (!novawick::bench::readFile(argv[index], page)) {
            std::cerr << "parse-count: cannot read " << argv[index] << '\n';
            return 1;
        }
        std::size_t alive = 0;
        {
            const auto document = novawick::html::parse(page, "https://bench.invalid/");
            alive = novawick::bench::heapBytesInUse();
        }
        // What the document frees when it goes is what it held; tables the parse built for the
        // process stay allocated and so are not counted, whichever page first needed them.
        const std::size_t gone = novawick::bench::heapBytesInUse();
        std::printf("%s\t%zu\t%zu\n", argv[index], page.size(), alive > gone ? alive - gone : 0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "--memory") return reportDocumentMemory(argc, argv);
    Engine engine{};
    if (argc < 3 || !novawick::bench::engineFromName(argv[1], engine)) {
        std::cerr << "usage: parse-count novawick|gumbo|libxml2 [--text] FILE...\n";
        return 2;
    }
    int first = 2;
    const bool withText = std::string_view(argv[2]) == "--text";
    if (withText) ++first;
    // Non-ASCII text beside spaces: the text rules build their tables on first use.
    constexpr std::string_view kWarmUp = "<!DOCTYPE html><title>x</title><p class=a>&amp; <b>warm</b> é ü 中 文</p>";
    novawick::bench::parseWith(engine, kWarmUp, withText);
    std::size_t checksum = 0;
    for (int index = first; index < argc; ++index) {
        std::string page;
        if (!novawick::bench::readFile(argv[index], page)) {
            std::cerr << "parse-count: cannot read " << argv[index] << '\n';
            return 1;
        }
        checksum += novawick_bench_measured_parse(static_cast<int>(engine), page.data(), page.size(), withText ? 1 : 0);
    }
    std::printf("%zu\n", checksum);
    return 0;
}
