// Fuzz entries of the records and the site client's text helpers: spilled chapter files, the search
// form's encoding, and address joining. Each checks a property a bug would break, not just survival.
#include "fuzz/entries/fuzz_entries.h"

#include "QuilletApi/Content/content.h"
#include "QuilletApi/site_profile.h"
#include "fuzz/entries/scratch_folder.h"
#include "net/url.h"
#include "pages/requests.h"

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace novawick::fuzz {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) invariantBroken("content_spill", "cannot write the scratch file");
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Undoes percent-encoding; none when the text holds anything the encoder must not emit.
std::optional<std::string> percentDecode(std::string_view encoded, std::string_view allowed) {
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            if (i + 2 >= encoded.size()) return std::nullopt;
            const int high = hexValue(encoded[i + 1]);
            const int low = hexValue(encoded[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   allowed.find(c) != std::string_view::npos) {
            decoded += c;
        } else {
            return std::nullopt;
        }
    }
    return decoded;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
        pieces.push_back(text.substr(start, end - start));
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

}  // namespace

void fuzzContentSpill(std::string_view input) {
    static const ScratchFolder scratch("content");
    if (scratch.path().empty()) invariantBroken("content_spill", "no scratch folder");
    const fs::path file = scratch.path() / "chapter.json";
    writeFile(file, input);
    const std::vector<std::string> lines = Content("t", std::nullopt, file).content();
    // Whatever was read back must survive a spill of its own unchanged.
    const fs::path copy = scratch.path() / "copy.json";
    writeSpilledLines(copy, lines);
    if (Content("t", std::nullopt, copy).content() != lines) {
        invariantBroken("content_spill", "lines changed on a write-read round trip");
    }
}

void fuzzFormEncode(std::string_view input) {
    // Lines alternate key and value; a last key without a line of its own has an empty value.
    const std::vector<std::string_view> pieces = splitLines(input);
    pages::FormTable table;
    for (std::size_t i = 0; i < pieces.size(); i += 2) {
        table.emplace_back(pieces[i], i + 1 < pieces.size() ? pieces[i + 1] : std::string_view());
    }
    const std::string encoded = pages::queryParameterString(table);
    std::vector<std::string_view> pairs;
    if (!encoded.empty()) {
        std::size_t start = 0;
        for (std::size_t end; (end = encoded.find('&', start)) != std::string::npos; start = end + 1) {
            pairs.push_back(std::string_view(encoded).substr(start, end - start));
        }
        pairs.push_back(std::string_view(encoded).substr(start));
    }
    if (pairs.size() != table.size()) invariantBroken("form_encode", "the pairs do not split apart on '&'");
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const std::size_t equals = pairs[i].find('=');
        if (equals == std::string_view::npos) invariantBroken("form_encode", "a pair without '='");
        const auto key = percentDecode(pairs[i].substr(0, equals), "!$'()*,-./:;?@_~");
        const auto value = percentDecode(pairs[i].substr(equals + 1), "!$'()*,-./:;?@_~");
        if (!key || !value || *key != table[i].first || *value != table[i].second) {
            invariantBroken("form_encode", "a pair does not decode back to what was encoded");
        }
    }
}

void fuzzUrlJoin(std::string_view input) {
    // The first line is a base address, the rest a path as a page would hold it.
    const std::size_t lineEnd = input.find('\n');
    const std::string_view base = input.substr(0, lineEnd);
    const std::string_view component = lineEnd == std::string_view::npos ? "" : input.substr(lineEnd + 1);
    (void)site::siteUrl(component);
    (void)site::siteUrl(base);
    const std::optional<Url> url = Url::parse(base);
    if (!url) return;
    (void)url->origin();
    if (const std::optional<Url> resolved = url->resolve(component)) (void)resolved->origin();
    const Url joined = url->appendingPathComponent(component);
    if (!joined.text().starts_with(url->text())) invariantBroken("url_join", "the base is not kept as written");
    std::string_view added = std::string_view(joined.text()).substr(url->text().size());
    if (added.starts_with("/")) added.remove_prefix(1);
    const auto decoded = percentDecode(added, "-._~!$&'()*+,;=:@/");
    std::string_view expected = component;
    while (expected.starts_with("/")) expected.remove_prefix(1);
    if (!decoded || *decoded != expected) invariantBroken("url_join", "the appended path is not the component, encoded");
}

}  // namespace novawick::fuzz
