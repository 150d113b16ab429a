// One downloaded chapter: its lines are held in memory, or spilled to a JSON file so that a long book
// need not sit in memory while it is written. The lines are worked out on every read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace novawick {

class Content {
public:
    /// Exactly one of `lines` and `fileURL` is expected; with neither the chapter is empty.
    Content(std::string title, std::optional<std::vector<std::string>> lines,
            std::optional<std::filesystem::path> fileURL);

    const std::string& title() const noexcept { return title_; }
    const std::optional<std::vector<std::string>>& _content() const noexcept { return lines_; }
    const std::optional<std::filesystem::path>& fileURL() const noexcept { return fileURL_; }

    /// The chapter's lines. A spilled file that is not a JSON array of strings gives no lines; a spilled
    /// file that cannot be read raises std::filesystem::filesystem_error, so that a chapter is never lost
    /// without a word.
    std::vector<std::string> content() const;

private:
    std::string title_;
    std::optional<std::vector<std::string>> lines_;
    std::optional<std::filesystem::path> fileURL_;
};

/// Writes `lines` as one compact JSON array of strings to `file`, replacing any file of that name.
void writeSpilledLines(const std::filesystem::path& file, const std::vector<std::string>& lines);

}  // namespace novawick
