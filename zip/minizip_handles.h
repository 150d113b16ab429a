// Owners for the C handles the archiver uses (minizip archives being read, stdio files, descriptors), so
// that every way out of an operation, an exception included, releases them. Internal to the zip library.
#pragma once

#include <cstdio>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <minizip/unzip.h>
#include <unistd.h>

namespace novawick::zip::detail {

/// An archive being read.
class UnzipReaderHandle {
public:
    explicit UnzipReaderHandle(unzFile handle) noexcept : handle_(handle) {}
    UnzipReaderHandle(const UnzipReaderHandle&) = delete;
    UnzipReaderHandle& operator=(const UnzipReaderHandle&) = delete;
    ~UnzipReaderHandle() {
        if (handle_ != nullptr) {
            unzClose(handle_);
        }
    }

    unzFile get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    unzFile handle_;
};

/// The entry currently open for reading in an archive; `close` reports the CRC check's result.
class OpenEntryGuard {
public:
    explicit OpenEntryGuard(unzFile archive) noexcept : archive_(archive) {}
    OpenEntryGuard(const OpenEntryGuard&) = delete;
    OpenEntryGuard& operator=(const OpenEntryGuard&) = delete;
    ~OpenEntryGuard() {
        if (archive_ != nullptr) {
            unzCloseCurrentFile(archive_);
        }
    }

    int close() noexcept { return unzCloseCurrentFile(std::exchange(archive_, nullptr)); }

private:
    unzFile archive_;
};

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

/// A POSIX descriptor; -1 means none.
class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    explicit FileDescriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            descriptor_ = std::exchange(other.descriptor_, -1);
        }
        return *this;
    }
    ~FileDescriptor() { reset(); }

    int get() const noexcept { return descriptor_; }
    bool valid() const noexcept { return descriptor_ >= 0; }
    /// Closes now; false when the close reported an error (for files being written, a lost write).
    bool close() noexcept { return ::close(std::exchange(descriptor_, -1)) == 0; }

private:
    void reset() noexcept {
        if (descriptor_ >= 0) {
            ::close(std::exchange(descriptor_, -1));
        }
    }

    int descriptor_ = -1;
};

}  // namespace novawick::zip::detail
