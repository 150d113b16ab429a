#include "QuilletApi/Content/content.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <fstream>
#include <system_error>

namespace novawick {
namespace {

std::string readWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::filesystem::filesystem_error("cannot read chapter file", file,
                                                std::error_code(errno ? errno : ENOENT, std::generic_category()));
    }
    // Read in large pieces: a character-wise stream iterator costs more than the JSON parse after it.
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        throw std::filesystem::filesystem_error("cannot read chapter file", file,
                                                std::make_error_code(std::errc::io_error));
    }
    return bytes;
}

}  // namespace

Content::Content(std::string title, std::optional<std::vector<std::string>> lines,
                 std::optional<std::filesystem::path> fileURL)
    : title_(std::move(title)), lines_(std::move(lines)), fileURL_(std::move(fileURL)) {}

std::vector<std::string> Content::content() const {
    if (lines_) return *lines_;
    if (!fileURL_) return {};
    std::string bytes = readWholeFile(*fileURL_);
    // Anything but an array of strings decodes to an empty chapter; invalid UTF-8 counts as undecodable.
    nlohmann::json document = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (!document.is_array()) return {};
    std::vector<std::string> result;
    result.reserve(document.size());
    for (const auto& element : document) {
        if (!element.is_string()) return {};
        result.push_back(element.get<std::string>());
    }
    return result;
}

void writeSpilledLines(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::filesystem::filesystem_error("cannot write chapter file", file,
                                                std::error_code(errno ? errno : EIO, std::generic_category()));
    }
    // One line encoded at a time, the same bytes as encoding the whole array: a chapter is never held a
    // second and third time, as a JSON value and as its text.
    out.put('[');
    for (std::size_t index = 0; index < lines.size() && out; ++index) {
        if (index > 0) out.put(',');
        const std::string encoded = nlohmann::json(lines[index]).dump();
        out.write(encoded.data(), static_cast<std::streamsize>(encoded.size()));
    }
    out.put(']');
    out.close();
    if (!out) {
        throw std::filesystem::filesystem_error("cannot write chapter file", file,
                                                std::make_error_code(std::errc::io_error));
    }
}

}  // namespace novawick
