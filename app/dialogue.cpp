#include "app/dialogue.h"

#include "QuilletApi/quillet_api.h"
#include "base/utf8.h"
#include "net/http_client.h"

#include <sys/ioctl.h>

#include <charconv>
#include <limits>

namespace novawick {
namespace {

class Screen {
public:
    Screen(std::FILE* out, unsigned short columns) : out_(out), rule_(columns, '-') {}

    void line(std::string_view text) {
        write(text);
        write("\n");
    }
    void rule() { line(rule_); }
    /// An empty line, the rule, an empty line.
    void separator() {
        line("");
        rule();
        line("");
    }
    /// Writes a prompt without a line end and makes it visible before input is read.
    void prompt(std::string_view text) {
        write(text);
        std::fflush(out_);
    }
    void flush() { std::fflush(out_); }

private:
    void write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), out_); }

    std::FILE* out_;
    std::string rule_;
};

}  // namespace

net::Transport& QuilletSource::transport() const { return transport_ ? *transport_ : net::HttpClient::shared(); }

std::vector<SearchResult> QuilletSource::search(std::string_view name) { return QuilletApi::search(transport(), name); }

void QuilletSource::genEpub(const std::filesystem::path& at, const SearchResult& with) {
    QuilletApi::genEpub(transport(), at, with, std::nullopt, Progress{});
}

std::optional<std::int64_t> parseChoice(std::string_view line) {
    std::string_view digits = line;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    // Accumulate as a negative number so that the full signed range, minimum included, is accepted.
    std::int64_t value = 0;
    for (char c : digits) {
        int digit = c - '0';
        if (value < (std::numeric_limits<std::int64_t>::min() + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
    return -value;
}

std::string terminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto [scalar, length] = utf8::decode(text, i);
        // Bidirectional controls reorder what follows them on the line, so a name could show as
        // something it is not.
        if (length == 0 || utf8::isControl(scalar) || utf8::isBidiEmbeddingOrIsolate(scalar)) {
            out += utf8::kReplacementBytes;
        } else {
            out.append(text.substr(i, length));
        }
        i += length == 0 ? 1 : length;
    }
    return out;
}

std::optional<std::string> readLine(std::FILE* in) {
    std::string line;
    int c = 0;
    bool readAnything = false;
    while ((c = std::fgetc(in)) != EOF) {
        readAnything = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!readAnything) return std::nullopt;
    if (c == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int runDialogue(BookSource& source, std::FILE* in, std::FILE* out, int terminalFd) {
    winsize size{};
    if (ioctl(terminalFd, TIOCGWINSZ, &size) != 0) return 0;

    Screen screen(out, size.ws_col);
    screen.line(kBannerTitle);
    screen.line(kBannerCredit);
    screen.rule();
    screen.line("");

    screen.prompt(kSearchPrompt);
    std::optional<std::string> term = readLine(in);
    if (!term) return 0;

    std::vector<SearchResult> hits = source.search(*term);
    if (hits.empty()) {
        screen.line(kNoSuchBook);
        screen.flush();
        return 0;
    }

    screen.separator();
    for (std::size_t position = 0; position < hits.size(); ++position) {
        screen.line("-> " + std::to_string(position) + " | " + terminalSafe(hits[position].name) + " | " +
                    terminalSafe(hits[position].author));
    }

    screen.prompt(kIdPrompt);
    std::optional<std::string> choiceLine = readLine(in);
    if (!choiceLine) return 0;
    std::optional<std::int64_t> choice = parseChoice(*choiceLine);
    // Anything that does not name a listed hit ends the program quietly, like any other unusable choice.
    if (!choice || *choice < 0 || static_cast<std::uint64_t>(*choice) >= hits.size()) {
        screen.flush();
        return 0;
    }
    SearchResult chosen = hits[static_cast<std::size_t>(*choice)];

    screen.separator();
    screen.prompt(kSavePathPrompt);
    std::optional<std::string> savePath = readLine(in);
    if (!savePath) return 0;

    screen.separator();
    screen.line(kDownloading);
    screen.flush();
    source.genEpub(std::filesystem::path(*savePath), chosen);

    screen.separator();
    screen.line(kFinish);
    screen.flush();
    return 0;
}

}  // namespace novawick
