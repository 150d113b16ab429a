// The folder a book is saved in, as the user typed it: a relative path is taken from the working folder
// (so an empty one is the working folder itself), and a folder that does not exist yet is made, with its
// missing parents, before anything is downloaded. A run that fails or is interrupted takes back exactly
// the folders it made: deepest first, each only while empty, so nothing that was there before the run and
// nothing put there since is ever removed.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace novawick::epub {

/// Error texts of a save folder that cannot be had.
inline constexpr std::string_view kSaveFolderIsNotAFolder = "the save folder is not a folder";
inline constexpr std::string_view kCannotCreateSaveFolder = "cannot create the save folder";

/// The save folder of one run. Until `keep`, the folders made for it are removed again when this goes
/// away, or by `removeRunFoldersForSignal` when a signal ends the process first.
class SaveFolder {
public:
    /// Makes the folder and its missing parents; fails with a file-system error naming `typed` when a
    /// part of the path is not a folder or a folder cannot be made (and then leaves nothing made).
    explicit SaveFolder(const std::filesystem::path& typed);
    ~SaveFolder();
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;

    /// The folder as an absolute path without "." or ".." parts.
    const std::filesystem::path& path() const noexcept { return path_; }
    /// The book is saved: the folders made stay.
    void keep() noexcept;

private:
    void removeMade() noexcept;

    std::filesystem::path path_;
    std::vector<std::filesystem::path> made_;  // deepest first
    int ticket_ = -1;
};

}  // namespace novawick::epub
