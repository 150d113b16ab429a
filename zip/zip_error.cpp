// Descriptions of the zip archiver's error kinds: fixed English texts, named so tests compare them.
#include "zip/zip_error.h"

#include <string>

namespace novawick::zip {

std::string_view describe(ZipError error) noexcept {
    switch (error) {
    case ZipError::fileNotFound:
        return kFileNotFoundDescription;
    case ZipError::unzipFail:
        return kUnzipFailDescription;
    case ZipError::zipFail:
        return kZipFailDescription;
    case ZipError::documentsFolderNotFound:
        return kDocumentsFolderNotFoundDescription;
    }
    return kZipFailDescription;  // unreachable for valid values; keeps every compiler content
}

ZipException::ZipException(ZipError error) : std::runtime_error(std::string(describe(error))), error_(error) {}

}  // namespace novawick::zip
