// Error kinds of the zip archiver. The facade reports every failure of its own as one `ZipException`
// carrying a `ZipError`; file-system errors from reading an archive's attributes pass through unchanged.
#pragma once

#include <stdexcept>
#include <string_view>

namespace novawick::zip {

enum class ZipError {
    fileNotFound,             ///< the archive is missing or its extension is not accepted
    unzipFail,                ///< extraction failed
    zipFail,                  ///< archiving failed
    documentsFolderNotFound,  ///< the quick variants found no documents folder
};

inline constexpr std::string_view kFileNotFoundDescription = "File not found.";
inline constexpr std::string_view kUnzipFailDescription = "Failed to unzip file.";
inline constexpr std::string_view kZipFailDescription = "Failed to zip file.";
inline constexpr std::string_view kDocumentsFolderNotFoundDescription =
    "No documents folder: set XDG_DOCUMENTS_DIR or HOME.";

/// The fixed English text of an error kind.
std::string_view describe(ZipError error) noexcept;

/// The exception every `Zip` operation throws for its own failures.
class ZipException : public std::runtime_error {
public:
    explicit ZipException(ZipError error);
    /// The error kind this exception carries.
    ZipError error() const noexcept { return error_; }

private:
    ZipError error_;
};

}  // namespace novawick::zip
