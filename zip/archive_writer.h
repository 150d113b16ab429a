// An archive being written: minizip's handle over a stdio stream this owns. minizip reports a failed write
// only as Z_ERRNO, so the file functions it is given keep the first system error, and a full disk comes
// out as "writing <archive>: No space left on device" rather than a bare failure. Internal to the zip
// library.
#pragma once

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
    [[noreturn]] void fail() const;

    std::filesystem::path path_;
    Stream stream_;
    zipFile handle_ = nullptr;
};

}  // namespace novawick::zip::detail
