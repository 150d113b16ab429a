// html5lib-conformance SUITE DIR [--print-differences]: runs one html5lib suite ("tokenizer" or
// "tree") over the test files in DIR. With --print-differences every failing case is also printed
// as a line for expected-differences.txt (to review, never to paste blindly).
#include <exception>
#include <iostream>
#include <string_view>

#include "tests/conformance/conformance_suites.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: html5lib-conformance tokenizer|tree DIR [--print-differences]\n";
        return 2;
    }
    const std::string_view suite = argv[1];
    const bool print = argc > 3 && std::string_view(argv[3]) == "--print-differences";
    try {
        if (suite == "tokenizer") return novawick::conformance::runTokenizerSuite(argv[2], print);
        if (suite == "tree") return novawick::conformance::runTreeSuite(argv[2], print);
    } catch (const std::exception& failure) {
        std::cerr << "html5lib-conformance: " << failure.what() << "\n";
        return 2;
    }
    std::cerr << "unknown suite: " << suite << "\n";
    return 2;
}
