// html-throughput: parse each file N times and report the median MB/s and the peak resident memory of
// that file's parses. Kept free of the benchmark library so that it also serves as a plain driver under
// valgrind or /usr/bin/time; `--runs 1` parses each file exactly once.
//
// Instructions per byte are callgrind's count of `--runs 2` less that of `--runs 1`, over the page's
// size: the difference is exactly one parse of a page the process has parsed once already, with
// start-up, reading the file and every table built on first use cancelled out. `--engine gumbo|libxml2`
// runs a peer through the same driver so that its figure is taken the same way. Counting only a measured
// function after a small warm-up page (parse-count) puts a parser in other conditions: its allocations
// come from a fresh heap rather than one a page has just been freed from, which moves libxml2's figure
// on the glossary page by 7 %.
//
// Peak RSS is per file as far as the kernel allows: the high-water mark is reset before each file
// (clear_refs "5"), but it restarts from the current RSS, which includes memory malloc kept from earlier
// files; run one file per process for a clean figure.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/peer_parsers.h"
#include "bench/process_memory.h"
#include "html/nodes/document.h"
#include "html/parser/parser.h"
#include "bench/read_file.h"

namespace {

using novawick::bench::Engine;

constexpr std::string_view kUsage = "usage: html-throughput [--engine novawick|gumbo|libxml2] [--runs N] [--text] FILE...\n";

struct Options {
    Engine engine = Engine::Novawick;
    int runs = 20;
    bool withText = false;
    std::vector<std::string> files;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int index = 1; index < argc; ++index) {
        std::string_view argument = argv[index];
        if (argument == "--text") {
            options.withText = true;
        } else if (argument == "--engine" && index + 1 < argc) {
            if (!novawick::bench::engineFromName(argv[++index], options.engine)) return false;
        } else if (argument == "--runs" && index + 1 < argc) {
            std::string_view count = argv[++index];
            auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), options.runs);
            if (error != std::errc() || end != count.data() + count.size() || options.runs < 1) return false;
        } else if (argument.starts_with("--")) {
            return false;
        } else {
            options.files.emplace_back(argument);
        }
    }
    return !options.files.empty();
}

// One parse (and text when asked); returns seconds.
double timeOneParse(Engine engine, const std::string& page, bool withText) {
    const auto start = std::chrono::steady_clock::now();
    if (engine != Engine::Novawick) {
        // Keeps the work from being optimised away, like the text check below.
        if (novawick::bench::parseWith(engine, page, withText) == static_cast<std::size_t>(-1)) std::abort();
    } else {
        const auto document = novawick::html::parse(page, "https://bench.invalid/");
        if (withText) {
            const novawick::html::Element* body = document->body();
            std::string text = body == nullptr ? std::string() : body->text();
            if (text.size() == 1 && text[0] == '\0') std::abort();  // keeps the text from being optimised away
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    int status = 0;
    for (const std::string& path : options.files) {
        std::string page;
        if (!novawick::bench::readFile(path, page)) {
            std::cerr << "html-throughput: cannot read " << path << '\n';
            status = 1;
            continue;
        }
        novawick::bench::resetPeakResidentMemory();
        std::vector<double> seconds;
        for (int run = 0; run < options.runs; ++run) seconds.push_back(timeOneParse(options.engine, page, options.withText));
        const double medianSeconds = median(seconds);
        const double megabytesPerSecond = medianSeconds > 0 ? static_cast<double>(page.size()) / 1e6 / medianSeconds : 0;
        std::printf("%s\t%zu\t%.2f\t%ld\n", path.c_str(), page.size(), megabytesPerSecond,
                    novawick::bench::peakResidentKibibytes());
    }
    return status;
}
