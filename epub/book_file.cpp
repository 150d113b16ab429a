#include "epub/book_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "base/utf8.h"
#include "epub/titles.h"
#include "epub/xml_text.h"

namespace novawick::epub {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBookExtension = ".epub";
constexpr std::size_t kMaximumFileNameBytes = 255;

[[noreturn]] void throwFileSystemError(const std::string& what, const fs::path& path, int error) {
    throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

}  // namespace

std::string safeBookFileName(std::string_view bookName) {
    // The same fallback as the book's title, so that the file is called what the book is called.
    const std::string title = bookTitle(bookName);
    const std::string_view trimmed = trimWhiteSpace(title);
    std::string name;
    name.reserve(trimmed.size());
    for (std::size_t i = 0; i < trimmed.size();) {
        const auto [scalar, length] = utf8::decode(trimmed, i);
        if (length == 0) {
            name += trimmed[i++];  // a byte that is not UTF-8 stays as it is
            continue;
        }
        // Bidirectional controls would make "abc\u202Etxt.exe.epub" show as "abcexe.txt...".
        if (scalar == '/' || scalar == '\\' || utf8::isControl(scalar) || utf8::isBidiEmbeddingOrIsolate(scalar)) {
            name += '_';
        } else {
            name.append(trimmed.substr(i, length));
        }
        i += length;
    }
    if (name.empty()) name = kUntitledBook;
    if (name == "." || name == "..") name = "_" + name;
    std::size_t limit = kMaximumFileNameBytes - kBookExtension.size();
    if (name.size() > limit) name.resize(utf8::scalarStart(name, limit));  // never split a character
    return name;
}

fs::path bookFileLocation(const fs::path& saveFolder, std::string_view bookName) {
    return saveFolder / (safeBookFileName(bookName) + std::string(kBookExtension));
}

void checkBookFileCanBeCreated(const fs::path& saveFolder, std::string_view bookName) {
    std::error_code error;
    if (!fs::is_directory(saveFolder, error)) {
        throwFileSystemError("the save folder is not a folder", saveFolder, error ? error.value() : ENOTDIR);
    }
    fs::path target = bookFileLocation(saveFolder, bookName);
    if (fs::exists(fs::symlink_status(target))) throwFileSystemError("the book file already exists", target, EEXIST);
}

void moveWithoutReplacing(const fs::path& from, const fs::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // File systems without RENAME_NOREPLACE: a hard link is just as exclusive.
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return;
        }
        error = errno;
    }
    throwFileSystemError(error == EEXIST ? "the book file already exists" : "cannot save the book file", to, error);
}

}  // namespace novawick::epub
