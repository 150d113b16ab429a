// The zip archiver: a small static facade over minizip. It writes archives from files and folders
// (`zipFiles`) or from memory (`zipData`), extracts them (`unzipFile`), and has "quick" variants that use
// the user's documents folder. Failures are `ZipException`s; progress goes to an optional callback as a
// fraction from 0 to 1 that ends with 1.0.
// The program packs books with `zipFiles` alone; `zipData`, extraction and the quick variants complete the
// archiver for callers beyond the program, and tests/zip and the zip_unzip fuzz target hold them to it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "zip/archive_file.h"
#include "zip/zip_compression.h"
#include "zip/zip_error.h"

namespace novawick::zip {

/// The most bytes one extraction writes unless the caller allows more: 4 GiB, the entries' declared
/// sizes together.
inline constexpr std::uint64_t kDefaultExtractionLimit = std::uint64_t{4} << 30;

/// Receives a fraction from 0.0 to 1.0; an empty function means no callback.
using ProgressCallback = std::function<void(double)>;
/// Receives the location of each item extracted; an empty function means no callback.
using FileOutputHandler = std::function<void(const std::filesystem::path&)>;

class Zip {
public:
    Zip() = default;

    /// Writes `paths` (folders expanded into their files) into a new archive at `zipFilePath`, in the
    /// given order, every entry deflated at `compression`'s level except those whose entry name is in
    /// `storedEntryNames`, which are stored uncompressed (an EPUB's "mimetype" must be).
    static void zipFiles(const std::vector<std::filesystem::path>& paths,
                         const std::filesystem::path& zipFilePath,
                         const std::optional<std::string>& password, ZipCompression compression,
                         const ProgressCallback& progress,
                         const std::set<std::string>& storedEntryNames = {});

    /// Writes in-memory entries into a new archive; names are written exactly as given and empty
    /// buffers are skipped.
    static void zipData(const std::vector<ArchiveFile>& archiveFiles, const std::filesystem::path& zipFilePath,
                        const std::optional<std::string>& password, ZipCompression compression,
                        const ProgressCallback& progress);

    /// Zips into "<documents>/<fileName>.zip" at the default level and returns that location.
    static std::filesystem::path quickZipFiles(const std::vector<std::filesystem::path>& paths,
                                               const std::string& fileName, const ProgressCallback& progress);
    static std::filesystem::path quickZipFiles(const std::vector<std::filesystem::path>& paths,
                                               const std::string& fileName);

    /// Extracts every entry below `destination`. Entries that would land outside it fail the call, and so
    /// does an archive whose entries declare more than `sizeLimit` bytes together, before anything is
    /// written.
    static void unzipFile(const std::filesystem::path& zipFilePath, const std::filesystem::path& destination,
                          bool overwrite, const std::optional<std::string>& password,
                          const ProgressCallback& progress, const FileOutputHandler& fileOutputHandler,
                          std::uint64_t sizeLimit = kDefaultExtractionLimit);

    /// Extracts into "<documents>/<archive name without its extension>", overwriting; any failure of
    /// the extraction is reported as `unzipFail`. Returns the destination.
    static std::filesystem::path quickUnzipFile(const std::filesystem::path& zipFilePath,
                                                const ProgressCallback& progress);
    static std::filesystem::path quickUnzipFile(const std::filesystem::path& zipFilePath);

    /// Extra archive extensions (without the leading ".") that `unzipFile` accepts beside zip and cbz.
    static void addCustomFileExtension(const std::string& fileExtension);
    static void removeCustomFileExtension(const std::string& fileExtension);
    /// Exact, case-sensitive test against zip, cbz and the extra extensions.
    static bool isValidFileExtension(const std::string& fileExtension);
};

/// The user's documents folder: $XDG_DOCUMENTS_DIR, else $HOME/Documents; throws
/// `ZipError::documentsFolderNotFound` when neither variable is set.
std::filesystem::path documentsFolder();

/// The line printed when an extracted item's permissions cannot be set.
inline constexpr std::string_view kPermissionWarningPrefix = "Failed to set permissions to file ";

}  // namespace novawick::zip
