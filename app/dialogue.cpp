#include "app/dialogue.h"

#include "QuilletApi/quillet_api.h"
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

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    unsigned char second = byte(i + 1);
    if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
    if (lead == 0xED && second > 0x9F) return 0;  // surrogate
    if (lead == 0xF0 && second < 0x90) return 0;  // overlong
    if (lead == 0xF4 && second > 0x8F) return 0;  // above U+10FFFF
    return length;
}

// The bidirectional embedding, override and isolate controls U+202A-U+202E and U+2066-U+2069: they
// reorder what follows them on the line, so a name could show as something it is not.
bool isBidiControl(std::string_view sequence) {
    auto second = static_cast<unsigned char>(sequence[1]);
    auto third = static_cast<unsigned char>(sequence[2]);
    return static_cast<unsigned char>(sequence[0]) == 0xE2 &&
           ((second == 0x80 && third >= 0xAA && third <= 0xAE) || (second == 0x81 && third >= 0xA6 && third <= 0xA9));
}

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
        std::size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        unsigned char lead = static_cast<unsigned char>(text[i]);
        bool c0OrDelete = length == 1 && (lead < 0x20 || lead == 0x7F);
        bool c1 = length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (c0OrDelete || c1 || (length == 3 && isBidiControl(text.substr(i, 3)))) {
            out += kReplacement;
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
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
