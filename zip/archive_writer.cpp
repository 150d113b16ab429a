// The archive file minizip writes through, and the end records it leaves out; see archive_writer.h.
#include "zip/archive_writer.h"

#include <array>
#include <cerrno>
#include <limits>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "zip/zip_error.h"

namespace novawick::zip::detail {

namespace {

using Stream = ArchiveWriter::Stream;

// The classic end record, as minizip writes it when closing without a global comment.
constexpr std::size_t kEndRecordSize = 22;
constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::size_t kCentralDirectorySizeAt = 12;
constexpr std::size_t kCentralDirectoryOffsetAt = 16;
constexpr std::size_t kCommentLengthAt = 20;
constexpr std::uint64_t kLargestClassicEntryCount = 0xffff;
constexpr std::uint32_t kOffsetInZip64Record = 0xffffffff;  // minizip wrote the ZIP64 records itself

constexpr std::uint32_t kZip64EndRecordSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint64_t kZip64EndRecordRemainder = 44;  // the record's size minus its first 12 bytes
constexpr std::uint16_t kZip64Version = 45;             // 4.5: the version that introduced ZIP64

std::uint32_t read32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

/// Appends `value` as `size` little-endian bytes.
void put(std::vector<std::uint8_t>& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

Stream& streamOf(voidpf stream) { return *static_cast<Stream*>(stream); }

// minizip's file functions. The stream is open before minizip asks for it, and closing it is left to the
// writer, which still has the end records to check.
voidpf ZCALLBACK openStream(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK readStream(voidpf, voidpf stream, void* buffer, uLong size) {
    Stream& file = streamOf(stream);
    const std::size_t count = std::fread(buffer, 1, size, file.file);
    if (count < size && std::ferror(file.file) != 0) {
        file.recordError();
    }
    return static_cast<uLong>(count);
}

uLong ZCALLBACK writeStream(voidpf, voidpf stream, const void* buffer, uLong size) {
    Stream& file = streamOf(stream);
    const std::size_t count = std::fwrite(buffer, 1, size, file.file);
    if (count < size) {
        file.recordError();
    }
    return static_cast<uLong>(count);
}

ZPOS64_T ZCALLBACK tellStream(voidpf, voidpf stream) {
    Stream& file = streamOf(stream);
    const off_t position = ::ftello(file.file);
    if (position < 0) {
        file.recordError();
        return static_cast<ZPOS64_T>(-1);
    }
    return static_cast<ZPOS64_T>(position);
}

long ZCALLBACK seekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    Stream& file = streamOf(stream);
    int whence = SEEK_SET;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_CUR:
        whence = SEEK_CUR;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        whence = SEEK_END;
        break;
    default:
        break;
    }
    if (offset > static_cast<ZPOS64_T>(std::numeric_limits<off_t>::max())) {
        errno = EOVERFLOW;
        file.recordError();
        return -1;
    }
    if (::fseeko(file.file, static_cast<off_t>(offset), whence) != 0) {
        file.recordError();
        return -1;
    }
    return 0;
}

int ZCALLBACK closeStream(voidpf, voidpf stream) {
    Stream& file = streamOf(stream);
    if (std::fflush(file.file) != 0) {
        file.recordError();
        return -1;
    }
    return 0;
}

int ZCALLBACK testErrorOfStream(voidpf, voidpf stream) { return std::ferror(streamOf(stream).file); }

}  // namespace

void ArchiveWriter::Stream::recordError() noexcept {
    if (firstError == 0) {
        firstError = errno != 0 ? errno : EIO;
    }
}

ArchiveWriter::ArchiveWriter(std::filesystem::path path) : path_(std::move(path)) {
    errno = 0;
    stream_.file = std::fopen(path_.c_str(), "w+be");  // read back too: the end record may need completing
    if (stream_.file == nullptr) {
        stream_.recordError();
        fail();
    }
    zlib_filefunc64_def functions{openStream, readStream,  writeStream,       tellStream,
                                  seekStream, closeStream, testErrorOfStream, &stream_};
    handle_ = zipOpen2_64(path_.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    if (handle_ == nullptr) {
        std::fclose(std::exchange(stream_.file, nullptr));
        fail();
    }
}

ArchiveWriter::~ArchiveWriter() {
    if (handle_ != nullptr) {
        zipClose(std::exchange(handle_, nullptr), nullptr);
        completeEndRecords();
    }
    if (stream_.file != nullptr) {
        std::fclose(stream_.file);
    }
}

void ArchiveWriter::fail() const {
    if (stream_.firstError != 0) {
        throw ZipException(ZipError::zipFail, systemCause("writing", path_, stream_.firstError));
    }
    throw ZipException(ZipError::zipFail);
}

void ArchiveWriter::check(int result) const {
    if (result != ZIP_OK) {
        fail();
    }
}

void ArchiveWriter::finish() {
    check(zipClose(std::exchange(handle_, nullptr), nullptr));
    if (!completeEndRecords()) {
        fail();
    }
    errno = 0;
    const int closed = std::fclose(std::exchange(stream_.file, nullptr));
    if (closed != 0) {
        stream_.recordError();
        fail();
    }
}

bool ArchiveWriter::completeEndRecords() noexcept {
    if (entries_ <= kLargestClassicEntryCount) {
        return true;
    }
    std::FILE* file = stream_.file;
    std::array<std::uint8_t, kEndRecordSize> end{};
    errno = 0;
    if (::fseeko(file, -static_cast<off_t>(kEndRecordSize), SEEK_END) != 0) {
        stream_.recordError();
        return false;
    }
    const off_t endAt = ::ftello(file);
    if (endAt < 0 || std::fread(end.data(), 1, end.size(), file) != end.size()) {
        stream_.recordError();
        return false;
    }
    if (read32(end.data()) != kEndRecordSignature || end[kCommentLengthAt] != 0 || end[kCommentLengthAt + 1] != 0) {
        return false;  // not the end minizip writes; better refused than patched blindly
    }
    const std::uint32_t directoryOffset = read32(end.data() + kCentralDirectoryOffsetAt);
    if (directoryOffset == kOffsetInZip64Record) {
        return true;
    }

    // The ZIP64 end record takes the place of the classic one, then its locator, then the classic one
    // again, whose saturated entry counts send readers to the ZIP64 record.
    std::vector<std::uint8_t> records;
    put(records, kZip64EndRecordSignature, 4);
    put(records, kZip64EndRecordRemainder, 8);
    put(records, kZip64Version, 2);  // version made by
    put(records, kZip64Version, 2);  // version needed to extract
    put(records, 0, 4);              // this disk
    put(records, 0, 4);              // the disk where the central directory starts
    put(records, entries_, 8);       // entries on this disk
    put(records, entries_, 8);       // entries in all
    put(records, read32(end.data() + kCentralDirectorySizeAt), 8);
    put(records, directoryOffset, 8);
    put(records, kZip64LocatorSignature, 4);
    put(records, 0, 4);  // the disk holding the ZIP64 end record
    put(records, static_cast<std::uint64_t>(endAt), 8);
    put(records, 1, 4);  // disks in all
    records.insert(records.end(), end.begin(), end.end());

    if (::fseeko(file, endAt, SEEK_SET) != 0 || std::fwrite(records.data(), 1, records.size(), file) != records.size() ||
        std::fflush(file) != 0) {
        stream_.recordError();
        return false;
    }
    return true;
}

}  // namespace novawick::zip::detail
