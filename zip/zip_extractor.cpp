// Archive extraction: `unzipFile` and `quickUnzipFile`.
//
// Archives are hostile input, so an entry can never reach outside the destination: names that are
// absolute, carry a drive prefix or a ".." component fail the call before anything of them is written,
// and every folder below the destination is entered with openat(O_NOFOLLOW), so a symlink planted in the
// destination (by an earlier entry or anyone else) is never followed. Files are created fresh
// (O_EXCL|O_NOFOLLOW; with overwriting on, an existing non-folder is unlinked first) so a hard or symbolic
// link in the way is replaced, not written through. A file whose data fails its size or CRC check is
// removed rather than left looking complete.
//
// minizip writes whatever an entry declares, so a few kilobytes of deflate can declare and deliver
// gigabytes. The declared sizes are added up before the first entry is written and an archive over the
// caller's limit is refused; no entry is ever written past its declared size.
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <span>

#include <sys/stat.h>

#include "zip/minizip_handles.h"
#include "zip/progress_tracker.h"
#include "zip/zip.h"

namespace novawick::zip {

namespace fs = std::filesystem;
using detail::FileDescriptor;

namespace {

constexpr std::size_t kExtractBufferSize = 4096;
constexpr unsigned kPermissionMask = 0777;  // never setuid, setgid or sticky from an archive
constexpr unsigned kLowestPermissionsApplied = 0400;

[[noreturn]] void fail() { throw ZipException(ZipError::unzipFail); }

void require(bool condition) {
    if (!condition) {
        fail();
    }
}

void report(const ProgressCallback& progress, double fraction) {
    if (progress) {
        progress(fraction);
    }
}

/// An entry name split into safe components below the destination.
struct EntryPath {
    std::vector<std::string> components;  // no "", "." or ".."
    bool folder = false;
};

/// Splits an entry name ("\" counts as "/"); names that could leave the destination give none.
std::optional<EntryPath> splitEntryName(std::string name) {
    if (name.empty() || name.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    EntryPath result;
    result.folder = name.back() == '/' || name.back() == '\\';
    std::replace(name.begin(), name.end(), '\\', '/');
    const bool drivePrefix =
        name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) != 0 && name[1] == ':';
    if (name.front() == '/' || drivePrefix) {
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) {
            end = name.size();
        }
        std::string component = name.substr(start, end - start);
        if (component == "..") {
            return std::nullopt;
        }
        if (!component.empty() && component != ".") {
            result.components.push_back(std::move(component));
        }
        start = end + 1;
    }
    return result;
}

/// The destination folder, open, and the folders below it reached without following symlinks.
class DestinationTree {
public:
    explicit DestinationTree(const fs::path& destination) {
        std::error_code ignored;  // a folder that cannot be made shows up as entries that cannot be written
        fs::create_directories(destination, ignored);
        root_ = FileDescriptor(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }

    /// Opens the folder chain, creating missing folders; none when a step is missing, not a folder or a
    /// symlink.
    FileDescriptor openFolder(std::span<const std::string> components) const {
        if (!root_.valid()) {
            return {};
        }
        FileDescriptor current(::fcntl(root_.get(), F_DUPFD_CLOEXEC, 0));
        for (const std::string& component : components) {
            if (!current.valid()) {
                return {};
            }
            ::mkdirat(current.get(), component.c_str(), 0777);  // EEXIST and the like are settled by openat
            current = FileDescriptor(
                ::openat(current.get(), component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        return current;
    }

private:
    FileDescriptor root_;
};

/// A file being extracted: unlinked again unless `keep` is called, so a failure leaves nothing behind.
class PartialFile {
public:
    PartialFile(int folder, const std::string& name) noexcept : folder_(folder), name_(name) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile() {
        if (!kept_) {
            ::unlinkat(folder_, name_.c_str(), 0);
        }
    }
    void keep() noexcept { kept_ = true; }

private:
    int folder_;
    const std::string& name_;
    bool kept_ = false;
};

bool writeAll(int descriptor, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

/// What `unzipFile` shares between its entries.
struct ExtractionJob {
    unzFile archive;
    const fs::path& destination;
    DestinationTree tree;
    bool overwrite;
    const std::optional<std::string>& password;
    double position = 0;
};

/// Applies an entry's Unix permissions, if it carries any; a failure is reported and otherwise ignored.
void applyPermissions(int descriptor, uLong externalAttributes, const fs::path& target) {
    if (externalAttributes == 0 || descriptor < 0) {
        return;
    }
    const auto permissions = static_cast<mode_t>((externalAttributes >> 16) & kPermissionMask);
    if (permissions >= kLowestPermissionsApplied && ::fchmod(descriptor, permissions) != 0) {
        std::cout << kPermissionWarningPrefix << target.string() << ", error: " << std::strerror(errno)
                  << std::endl;
    }
}

/// The current entry's information and its name.
std::pair<unz_file_info64, std::string> describeCurrentEntry(unzFile archive) {
    unz_file_info64 info{};
    require(unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK);
    std::vector<char> name(info.size_filename + 1, '\0');
    require(unzGetCurrentFileInfo64(archive, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                                    nullptr, 0) == UNZ_OK);
    return {info, std::string(name.data(), info.size_filename)};
}

/// Throws `unzipFail` naming `target` and errno's reason unless `condition` holds.
void requireWritten(bool condition, const fs::path& target) {
    if (!condition) {
        throw ZipException(ZipError::unzipFail, systemCause("writing", target, errno != 0 ? errno : EIO));
    }
}

/// Refuses an archive whose entries declare more than `limit` bytes together. The walk stops quietly at a
/// damaged central directory: the extraction then fails at the same place, after the entries before it.
void requireWithinLimit(unzFile archive, const fs::path& zipFilePath, std::uint64_t limit) {
    std::uint64_t declared = 0;
    for (int at = unzGoToFirstFile(archive); at == UNZ_OK; at = unzGoToNextFile(archive)) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
            break;
        }
        if (info.uncompressed_size > limit - declared) {
            throw ZipException(ZipError::unzipFail, {"extracting", zipFilePath, extractionLimitReason(limit)});
        }
        declared += info.uncompressed_size;
    }
}

/// Streams the open entry into a new file `leaf` of `folder` (at `target`); returns the open file once
/// size and CRC have been checked, and removes it on any failure.
FileDescriptor writeEntryFile(ExtractionJob& job, detail::OpenEntryGuard& entry, const unz_file_info64& info,
                              int folder, const std::string& leaf, const fs::path& target) {
    struct stat existing {};
    if (job.overwrite && ::fstatat(folder, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISDIR(existing.st_mode)) {
        ::unlinkat(folder, leaf.c_str(), 0);
    }
    errno = 0;
    FileDescriptor file(::openat(folder, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    requireWritten(file.valid(), target);
    PartialFile partial(folder, leaf);

    std::array<char, kExtractBufferSize> buffer{};
    std::uint64_t written = 0;
    for (;;) {
        const int count = unzReadCurrentFile(job.archive, buffer.data(), static_cast<unsigned>(buffer.size()));
        require(count >= 0);  // a damaged or wrongly decrypted stream
        if (count == 0) {
            break;
        }
        written += static_cast<std::uint64_t>(count);
        require(written <= info.uncompressed_size);
        errno = 0;
        requireWritten(writeAll(file.get(), buffer.data(), static_cast<std::size_t>(count)), target);
    }
    require(entry.close() == UNZ_OK);  // UNZ_CRCERROR when the data does not match its CRC
    require(written == info.uncompressed_size);
    partial.keep();
    return file;
}

/// Extracts the current entry; returns its location, or none when it was skipped.
std::optional<fs::path> extractCurrentEntry(ExtractionJob& job) {
    const auto [info, name] = describeCurrentEntry(job.archive);
    // A password only matters for encrypted entries; minizip builds without decryption refuse any.
    const bool encrypted = (info.flag & 1U) != 0;
    const bool withPassword = encrypted && job.password && isAscii(*job.password);
    require((withPassword ? unzOpenCurrentFilePassword(job.archive, job.password->c_str())
                          : unzOpenCurrentFile(job.archive)) == UNZ_OK);
    detail::OpenEntryGuard entry(job.archive);
    const std::optional<EntryPath> path = splitEntryName(name);
    require(path.has_value());

    fs::path target = job.destination;
    for (const std::string& component : path->components) {
        target /= component;
    }
    if (path->folder) {
        job.position += static_cast<double>(info.compressed_size);
        require(entry.close() == UNZ_OK);
        if (!path->components.empty()) {
            const FileDescriptor folder = job.tree.openFolder(path->components);
            applyPermissions(folder.get(), info.external_fa, target);
        }
        return target;
    }

    require(!path->components.empty());
    const std::span<const std::string> parents(path->components.data(), path->components.size() - 1);
    const FileDescriptor parent = job.tree.openFolder(parents);
    require(parent.valid());
    const std::string& leaf = path->components.back();
    job.position += static_cast<double>(info.compressed_size);  // a skipped entry counts as done too
    struct stat existing {};
    if (!job.overwrite && ::fstatat(parent.get(), leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        return std::nullopt;  // the existing file stays as it is
    }
    FileDescriptor file = writeEntryFile(job, entry, info, parent.get(), leaf, target);
    applyPermissions(file.get(), info.external_fa, target);
    require(file.close());
    return target;
}

std::string pathExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    return extension.empty() ? extension : extension.substr(1);
}

}  // namespace

void Zip::unzipFile(const fs::path& zipFilePath, const fs::path& destination, bool overwrite,
                    const std::optional<std::string>& password, const ProgressCallback& progress,
                    const FileOutputHandler& fileOutputHandler, std::uint64_t sizeLimit) {
    std::error_code missing;
    if (!fs::exists(zipFilePath, missing) || !isValidFileExtension(pathExtension(zipFilePath))) {
        throw ZipException(ZipError::fileNotFound);
    }
    struct stat status {};
    if (::stat(zipFilePath.c_str(), &status) != 0) {
        throw fs::filesystem_error("cannot read the archive's attributes", zipFilePath,
                                   std::error_code(errno, std::generic_category()));
    }
    const auto totalSize = static_cast<double>(status.st_size);
    ProgressTracker tracker(static_cast<std::int64_t>(totalSize));

    detail::UnzipReaderHandle archive(unzOpen64(zipFilePath.c_str()));
    require(static_cast<bool>(archive));
    requireWithinLimit(archive.get(), zipFilePath, sizeLimit);
    require(unzGoToFirstFile(archive.get()) == UNZ_OK);
    ExtractionJob job{archive.get(), destination, DestinationTree(destination), overwrite, password};
    int next = UNZ_OK;
    do {
        const std::optional<fs::path> target = extractCurrentEntry(job);
        next = unzGoToNextFile(archive.get());
        report(progress, totalSize > 0 ? std::min(job.position / totalSize, 1.0) : 0.0);
        if (target && fileOutputHandler) {
            fileOutputHandler(*target);
        }
        tracker.setCompletedUnitCount(static_cast<std::int64_t>(job.position));
    } while (next == UNZ_OK);
    require(next == UNZ_END_OF_LIST_OF_FILE);  // anything else is a damaged central directory
    report(progress, 1.0);
    tracker.setCompletedUnitCount(tracker.totalUnitCount());
}

fs::path Zip::quickUnzipFile(const fs::path& zipFilePath, const ProgressCallback& progress) {
    const std::string suffix = "." + pathExtension(zipFilePath);
    std::string folderName = zipFilePath.filename().string();
    for (std::size_t at = folderName.find(suffix); at != std::string::npos; at = folderName.find(suffix, at)) {
        folderName.erase(at, suffix.size());
    }
    if (folderName.empty() || folderName == "." || folderName == "..") {
        fail();  // would name the documents folder itself or its parent
    }
    const fs::path destination = documentsFolder() / folderName;
    try {
        unzipFile(zipFilePath, destination, true, std::nullopt, progress, {});
    } catch (const ZipException& error) {
        if (error.cause()) {
            throw ZipException(ZipError::unzipFail, *error.cause());
        }
        fail();
    } catch (const std::exception&) {
        fail();
    }
    return destination;
}

fs::path Zip::quickUnzipFile(const fs::path& zipFilePath) { return quickUnzipFile(zipFilePath, {}); }

}  // namespace novawick::zip
