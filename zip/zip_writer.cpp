// Archive writing: `zipFiles`, `zipData` and `quickZipFiles`. Every minizip call's result is checked, so
// a failed write is a `zipFail` rather than a quietly damaged archive, and it carries the file and the
// system's reason when there is one; the handles are owned by RAII types, so a failure part-way leaves the
// archive closed after the entries already written.
//
// With a password, minizip puts the entry's CRC into the encryption header as the check byte other tools
// verify; the CRC is therefore computed first (one extra read of the file) rather than passed as 0. A
// minizip whose encryption is broken on this platform makes any password a `zipFail` up front, before an
// archive nobody could open is written.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <new>

#include <sys/stat.h>
#include <zlib.h>

#include "zip/archive_writer.h"
#include "zip/entry_date.h"
#include "zip/minizip_encryption.h"
#include "zip/minizip_handles.h"
#include "zip/progress_tracker.h"
#include "zip/zip.h"
#include "zip/zip_utilities.h"

namespace novawick::zip {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyBufferSize = 16384;
constexpr int kStoredMethod = 0;
constexpr std::uint64_t kLargestPlainEntry = 0xffffffffU;  // at and above this, sizes need zip64 fields
constexpr std::size_t kLargestEntryName = 0xffff;           // the name length field has two bytes

void require(bool condition) {
    if (!condition) {
        throw ZipException(ZipError::zipFail);
    }
}

/// Throws `zipFail` naming the input file and errno's reason unless `condition` holds.
void requireReadable(bool condition, const fs::path& file) {
    if (!condition) {
        throw ZipException(ZipError::zipFail, systemCause("reading", file, errno != 0 ? errno : EIO));
    }
}

void requireUsablePassword(const std::optional<std::string>& password) {
    require(!password || novawick_zip_minizip_encryption_works() != 0);
}

void report(const ProgressCallback& progress, double fraction) {
    if (progress) {
        progress(fraction);
    }
}

/// Position over total, never past 1; an empty total counts as no progress yet.
double fraction(double position, double total) {
    return total > 0 ? std::min(position / total, 1.0) : 0.0;
}

/// How one entry is written: the name, date, method and level, the password and the CRC it needs.
struct EntrySettings {
    const std::string& name;
    DateParts date;
    bool stored = false;
    ZipCompression compression = ZipCompression::DefaultCompression;
    const std::optional<std::string>& password;
    uLong crcForCrypting = 0;
    bool large = false;
};

void openEntry(detail::ArchiveWriter& archive, const EntrySettings& settings) {
    // minizip measures the name with strlen and writes its length in two bytes.
    require(!settings.name.empty() && settings.name.size() <= kLargestEntryName &&
            settings.name.find('\0') == std::string::npos);
    zip_fileinfo info{};
    info.tmz_date.tm_sec = settings.date.second;
    info.tmz_date.tm_min = settings.date.minute;
    info.tmz_date.tm_hour = settings.date.hour;
    info.tmz_date.tm_mday = settings.date.day;
    info.tmz_date.tm_mon = settings.date.month;
    info.tmz_date.tm_year = settings.date.year;
    info.dosDate = 0;  // 0: minizip derives the DOS date from the parts above
    const int method = settings.stored ? kStoredMethod : kDeflateMethod;
    const int level = settings.stored ? 0 : zlibLevel(settings.compression);
    const char* password = settings.password ? settings.password->c_str() : nullptr;
    // Raw deflate (negative window bits), zlib's default memory level and strategy.
    archive.check(zipOpenNewFileInZip3_64(archive.get(), settings.name.c_str(), &info, nullptr, 0, nullptr, 0,
                                          nullptr, method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                          password, settings.crcForCrypting, settings.large ? 1 : 0));
    archive.entryOpened();
}

uLong crcOfBytes(const std::uint8_t* bytes, std::size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const auto piece = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
        crc = crc32(crc, bytes, piece);
        bytes += piece;
        size -= piece;
    }
    return crc;
}

uLong crcOfFile(std::FILE* input, const fs::path& path, std::vector<char>& buffer) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (!std::feof(input)) {
        const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), input);
        requireReadable(!std::ferror(input), path);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(count));
    }
    requireReadable(std::fseek(input, 0, SEEK_SET) == 0, path);
    std::clearerr(input);
    return crc;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;
};

FileIdentity identityOf(const struct stat& status) { return {status.st_dev, status.st_ino, true}; }

bool sameFile(const FileIdentity& left, const FileIdentity& right) {
    return left.known && right.known && left.device == right.device && left.inode == right.inode;
}

/// What `zipFiles` shares between its entries.
struct FileArchiveJob {
    detail::ArchiveWriter& archive;
    FileIdentity archiveIdentity;
    const std::optional<std::string>& password;
    ZipCompression compression;
    const std::set<std::string>& storedEntryNames;
    double position = 0;
};

/// Writes one file as one entry and advances the running position by its size.
void writeFileEntry(FileArchiveJob& job, const ProcessedFilePath& file) {
    errno = 0;
    detail::InputFile input(std::fopen(file.filePath().c_str(), "r"));
    requireReadable(input != nullptr, file.filePath());

    DateParts date;
    std::uint64_t size = 0;
    struct stat status {};
    if (fstat(fileno(input.get()), &status) == 0) {
        if (sameFile(identityOf(status), job.archiveIdentity)) {
            return;  // the archive itself lies among the inputs; reading it while it grows never ends
        }
        date = datePartsFromTime(status.st_mtim.tv_sec);
        size = static_cast<std::uint64_t>(status.st_size);
    }

    std::vector<char> buffer;
    try {
        buffer.resize(kCopyBufferSize);
    } catch (const std::bad_alloc&) {
        throw ZipException(ZipError::zipFail);
    }
    require(file.fileName.has_value());

    const uLong crc = job.password ? crcOfFile(input.get(), file.filePath(), buffer) : 0;
    openEntry(job.archive, {*file.fileName, date, job.storedEntryNames.contains(*file.fileName), job.compression,
                            job.password, crc, size >= kLargestPlainEntry});
    while (!std::feof(input.get())) {
        const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), input.get());
        requireReadable(!std::ferror(input.get()), file.filePath());
        if (count > 0) {
            job.archive.check(zipWriteInFileInZip(job.archive.get(), buffer.data(), static_cast<unsigned>(count)));
        }
    }
    job.archive.check(zipCloseFileInZip(job.archive.get()));
    job.position += static_cast<double>(size);
}

FileIdentity identityOfPath(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? identityOf(status) : FileIdentity{};
}

double totalSizeOf(const std::vector<ProcessedFilePath>& files) {
    double total = 0;
    for (const ProcessedFilePath& file : files) {
        struct stat status {};
        if (stat(file.filePath().c_str(), &status) == 0) {
            total += static_cast<double>(status.st_size);
        }
    }
    return total;
}

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

void Zip::zipFiles(const std::vector<fs::path>& paths, const fs::path& zipFilePath,
                   const std::optional<std::string>& password, ZipCompression compression,
                   const ProgressCallback& progress, const std::set<std::string>& storedEntryNames) {
    requireUsablePassword(password);
    const std::vector<ProcessedFilePath> files = ZipUtilities().expandPaths(paths);
    const double totalSize = totalSizeOf(files);
    ProgressTracker tracker(static_cast<std::int64_t>(totalSize));

    detail::ArchiveWriter archive(zipFilePath);
    FileArchiveJob job{archive, identityOfPath(zipFilePath), password, compression, storedEntryNames};

    for (const ProcessedFilePath& file : files) {
        if (isFolder(file.filePath())) {
            continue;
        }
        writeFileEntry(job, file);
        // 1.0 is held back for the end, so the callback sees it exactly once.
        const double done = fraction(job.position, totalSize);
        if (done != 1.0) {
            report(progress, done);
        }
        tracker.setCompletedUnitCount(static_cast<std::int64_t>(job.position));
    }
    archive.finish();
    report(progress, 1.0);
    tracker.setCompletedUnitCount(tracker.totalUnitCount());
}

void Zip::zipData(const std::vector<ArchiveFile>& archiveFiles, const fs::path& zipFilePath,
                  const std::optional<std::string>& password, ZipCompression compression,
                  const ProgressCallback& progress) {
    requireUsablePassword(password);
    std::uint64_t totalSize = 0;
    for (const ArchiveFile& file : archiveFiles) {
        // One write call takes an unsigned 32-bit count; a larger buffer would be cut short silently.
        require(file.data.size() < kLargestPlainEntry);
        totalSize += file.data.size();
    }
    ProgressTracker tracker(static_cast<std::int64_t>(totalSize));

    detail::ArchiveWriter archive(zipFilePath);
    std::uint64_t position = 0;
    for (const ArchiveFile& file : archiveFiles) {
        if (file.data.empty()) {
            continue;
        }
        const DateParts date = file.modifiedTime ? datePartsFromTime(*file.modifiedTime) : DateParts{};
        const uLong crc = password ? crcOfBytes(file.data.data(), file.data.size()) : 0;
        openEntry(archive, {file.filename, date, false, compression, password, crc, false});
        archive.check(zipWriteInFileInZip(archive.get(), file.data.data(), static_cast<unsigned>(file.data.size())));
        archive.check(zipCloseFileInZip(archive.get()));
        position += file.data.size();
        report(progress, fraction(static_cast<double>(position), static_cast<double>(totalSize)));
        tracker.setCompletedUnitCount(static_cast<std::int64_t>(position));
    }
    archive.finish();
    report(progress, 1.0);
    tracker.setCompletedUnitCount(tracker.totalUnitCount());
}

fs::path Zip::quickZipFiles(const std::vector<fs::path>& paths, const std::string& fileName,
                            const ProgressCallback& progress) {
    const fs::path location = documentsFolder() / (fileName + ".zip");
    zipFiles(paths, location, std::nullopt, ZipCompression::DefaultCompression, progress);
    return location;
}

fs::path Zip::quickZipFiles(const std::vector<fs::path>& paths, const std::string& fileName) {
    return quickZipFiles(paths, fileName, {});
}

}  // namespace novawick::zip
