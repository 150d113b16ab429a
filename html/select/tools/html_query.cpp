// html-query: run a CSS query over an HTML file and print what it selects, one line per element:
// the tag name, a tab, and the element's text (or, with --attr NAME, that attribute's value).
//
// A debugging aid for the scrapers' queries, so it goes through exactly the library calls they use
// (parse, Element.select, text, attr). Exit status: 0 on success, 1 when the file cannot be read,
// 2 for a malformed query or bad arguments.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "html/nodes/nodes.h"
#include "html/parser/parser.h"
#include "html/select/selector.h"

namespace {

constexpr std::string_view kUsage = "usage: html-query [--attr NAME] FILE QUERY\n";

struct Arguments {
    std::optional<std::string> attribute;
    std::string file;
    std::string query;
};

void writeError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

std::optional<Arguments> readArguments(int argc, char** argv) {
    Arguments arguments;
    int next = 1;
    if (next < argc && std::string_view(argv[next]) == "--attr") {
        if (next + 1 >= argc || argv[next + 1][0] == '\0') return std::nullopt;
        arguments.attribute = argv[next + 1];
        next += 2;
    }
    if (argc - next != 2) return std::nullopt;
    arguments.file = argv[next];
    arguments.query = argv[next + 1];
    return arguments;
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(contents).str();
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<Arguments> arguments = readArguments(argc, argv);
    if (!arguments) {
        writeError(kUsage);
        return 2;
    }
    errno = 0;
    std::optional<std::string> html = readFile(arguments->file);
    if (!html) {
        std::string reason = errno != 0 ? std::strerror(errno) : "unreadable";
        writeError("html-query: cannot read " + arguments->file + ": " + reason + "\n");
        return 1;
    }
    auto document = novawick::html::parse(*html);
    novawick::html::Elements selected;
    try {
        selected = novawick::html::select(*document, arguments->query);
    } catch (const novawick::html::Exception& error) {
        writeError(error.message() + "\n");
        return 2;
    }
    std::string out;
    for (const novawick::html::Element* element : selected) {
        out += element->tagName();
        out += '\t';
        out += arguments->attribute ? element->attr(*arguments->attribute) : element->text();
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
