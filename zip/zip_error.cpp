// Descriptions of the zip archiver's error kinds: fixed English texts, named so tests compare them, and
// the causes that travel beside them.
#include "zip/zip_error.h"

#include <system_error>
#include <utility>

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

ZipFailureCause systemCause(std::string action, std::filesystem::path file, int errorNumber) {
    return {std::move(action), std::move(file), std::generic_category().message(errorNumber)};
}

std::string extractionLimitReason(std::uint64_t limitBytes) {
    return "the entries declare more than the " + std::to_string(limitBytes) + " bytes one extraction may write";
}

ZipException::ZipException(ZipError error) : std::runtime_error(std::string(describe(error))), error_(error) {}

ZipException::ZipException(ZipError error, ZipFailureCause cause) : ZipException(error) {
    cause_ = std::move(cause);
}

std::string ZipException::detail() const {
    if (!cause_) {
        return {};
    }
    return cause_->action + " " + cause_->file.string() + ": " + cause_->reason;
}

ZipException ZipException::renamingFile(const std::filesystem::path& from, const std::filesystem::path& to) const {
    ZipException renamed(*this);
    if (renamed.cause_ && renamed.cause_->file == from) {
        renamed.cause_->file = to;
    }
    return renamed;
}

}  // namespace novawick::zip
