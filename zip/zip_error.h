// Error kinds of the zip archiver. The facade reports every failure of its own as one `ZipException`
// carrying a `ZipError`; file-system errors from reading an archive's attributes pass through unchanged.
// The kind's text is fixed, so the exception also carries what lay beneath it when that is known (the
// file being read or written and the system's reason), for a report that says what happened and where.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
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

/// What lay beneath a failure: "<action> <file>: <reason>".
struct ZipFailureCause {
    std::string action;          ///< "reading", "writing" or "extracting"
    std::filesystem::path file;  ///< the file the action was on
    std::string reason;          ///< the system's error text, or what the archive got wrong
};

/// The cause of a failed system call on `file`, from an errno value.
ZipFailureCause systemCause(std::string action, std::filesystem::path file, int errorNumber);

/// The reason given when an archive's entries declare more bytes than one extraction may write.
std::string extractionLimitReason(std::uint64_t limitBytes);

/// The exception every `Zip` operation throws for its own failures.
class ZipException : public std::runtime_error {
public:
    explicit ZipException(ZipError error);
    ZipException(ZipError error, ZipFailureCause cause);
    /// The error kind this exception carries.
    ZipError error() const noexcept { return error_; }
    /// What lay beneath the failure, when known.
    const std::optional<ZipFailureCause>& cause() const noexcept { return cause_; }
    /// "<action> <file>: <reason>", or empty when the cause is not known.
    std::string detail() const;
    /// The same failure with a cause that names `to` where it named `from`: for callers that write an
    /// archive under a work name and hand the user another.
    ZipException renamingFile(const std::filesystem::path& from, const std::filesystem::path& to) const;

private:
    ZipError error_;
    std::optional<ZipFailureCause> cause_;
};

}  // namespace novawick::zip
