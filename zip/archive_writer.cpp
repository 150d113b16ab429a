// The archive file minizip writes through; see archive_writer.h.
#include "zip/archive_writer.h"

#include <cerrno>
#include <limits>
#include <utility>

#include <sys/types.h>

#include "zip/zip_error.h"

namespace novawick::zip::detail {

namespace {

using Stream = ArchiveWriter::Stream;

Stream& streamOf(voidpf stream) { return *static_cast<Stream*>(stream); }

// minizip's file functions. The stream is open before minizip asks for it, and closing it is left to the
// writer, which checks the result.
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
    stream_.file = std::fopen(path_.c_str(), "wbe");
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
    errno = 0;
    const int closed = std::fclose(std::exchange(stream_.file, nullptr));
    if (closed != 0) {
        stream_.recordError();
        fail();
    }
}

}  // namespace novawick::zip::detail
