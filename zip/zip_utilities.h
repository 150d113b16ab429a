// Turns the locations given to `Zip::zipFiles` into archive entries: a file becomes one entry under its
// own name, a folder becomes one entry per file below it, named from the folder's own name down. The
// folder walk is sorted by name so that the same tree always gives the same archive.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace novawick::zip {

/// One file on disk that is to become an archive entry.
struct ProcessedFilePath {
    std::filesystem::path filePathURL;    ///< where the file is
    std::optional<std::string> fileName;  ///< its entry name ("/"-separated); absent: cannot be archived

    const std::filesystem::path& filePath() const noexcept { return filePathURL; }
};

class ZipUtilities {
public:
    /// Folders always contribute their own name as the first part of their entries' names.
    const bool includeRootDirectory = true;

    /// Each location in order: a folder expands to its files, anything else (even a missing path) is a
    /// file. Nothing is sorted or de-duplicated across locations.
    std::vector<ProcessedFilePath> expandPaths(const std::vector<std::filesystem::path>& paths) const;

    /// Every non-folder item below `folder`, depth first, siblings sorted by name; folder symlinks are
    /// not followed. A folder that cannot be opened gives nothing; a walk that breaks off part-way is a
    /// `zipFail` rather than a silently shorter list.
    std::vector<ProcessedFilePath> listFolderFiles(const std::filesystem::path& folder) const;
};

/// The last path component, ignoring trailing separators ("/a/OPS/" gives "OPS").
std::string lastPathComponent(const std::filesystem::path& path);

}  // namespace novawick::zip
