#include "epub/book_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

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

bool isControl(unsigned char lead, unsigned char next) {
    return lead < 0x20 || lead == 0x7F || (lead == 0xC2 && next >= 0x80 && next < 0xA0);
}

// The bidirectional embedding, override and isolate controls U+202A-U+202E and U+2066-U+2069, which make
// "abc\u202Etxt.exe.epub" show as "abcexe.txt...".
bool isBidiControl(std::string_view text, std::size_t i) {
    if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xE2) return false;
    auto second = static_cast<unsigned char>(text[i + 1]);
    auto third = static_cast<unsigned char>(text[i + 2]);
    return (second == 0x80 && third >= 0xAA && third <= 0xAE) || (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

}  // namespace

std::string safeBookFileName(std::string_view bookName) {
    // The same fallback as the book's title, so that the file is called what the book is called.
    const std::string title = bookTitle(bookName);
    const std::string_view trimmed = trimWhiteSpace(title);
    std::string name;
    name.reserve(trimmed.size());
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(trimmed[i]);
        unsigned char next = i + 1 < trimmed.size() ? static_cast<unsigned char>(trimmed[i + 1]) : 0;
        if (isBidiControl(trimmed, i)) {
            name += '_';
            i += 2;
        } else if (byte == '/' || byte == '\\' || isControl(byte, next)) {
            name += '_';
            if (byte == 0xC2) ++i;  // a C1 control is two bytes
        } else {
            name += static_cast<char>(byte);
        }
    }
    if (name.empty()) name = kUntitledBook;
    if (name == "." || name == "..") name = "_" + name;
    std::size_t limit = kMaximumFileNameBytes - kBookExtension.size();
    if (name.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // never split a character
        name.resize(cut);
    }
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
