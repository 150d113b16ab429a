// An archive being written: minizip's handle over a stdio stream this owns. minizip reports a failed write
// only as Z_ERRNO, so the file functions it is given keep the first system error, and a full disk comes
// out as "writing <archive>: No space left on device" rather than a bare failure.
//
// The minizip this builds against writes the ZIP64 end records only for archives past 4 GiB; with more
// than 65,535 entries its classic end record alone cannot count them and readers reject the archive.
// Closing adds the ZIP64 end record and its locator in that case. Internal to the zip library.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include <minizip/zip.h>

namespace novawick::zip::detail {

class ArchiveWriter {
public:
    /// Creates (or empties) the archive at `path`; a `zipFail` naming the cause when that fails.
    explicit ArchiveWriter(std::filesystem::path path);
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;
    /// An archive abandoned by an exception is still closed after the entries written so far.
    ~ArchiveWriter();

    /// The minizip handle, for the entry calls.
    zipFile get() const noexcept { return handle_; }
    /// Throws `zipFail` unless `result` is ZIP_OK, with the file's first system error as the cause.
    void check(int result) const;
    /// Counts an entry minizip has opened, for the end records.
    void entryOpened() noexcept { ++entries_; }
    /// Writes the central directory and the end records and closes the file; throws on any failure.
    void finish();

    /// The file minizip writes through; also what the file functions' opaque pointer points at.
    struct Stream {
        std::FILE* file = nullptr;
        int firstError = 0;  ///< errno of the first failed call, 0 while all went well
        /// Keeps errno (EIO when a call failed without setting it) unless an error was kept already.
        void recordError() noexcept;
    };

private:
    bool completeEndRecords() noexcept;
    [[noreturn]] void fail() const;

    std::filesystem::path path_;
    Stream stream_;
    zipFile handle_ = nullptr;
    std::uint64_t entries_ = 0;
};

}  // namespace novawick::zip::detail
