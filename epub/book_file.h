// Where a book ends up: one safe file name inside the save folder, never replacing what is there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace novawick::epub {

/// The book name as one file name: a name that shows nothing becomes the book's fallback title, white
/// space at the ends goes, "/", "\\", control characters (NUL included) and bidirectional controls become
/// "_", "." and ".." are made safe, and the result is cut on a character boundary so that it plus ".epub"
/// fits in 255 bytes.
std::string safeBookFileName(std::string_view bookName);

/// "<save folder>/<safe name>.epub".
std::filesystem::path bookFileLocation(const std::filesystem::path& saveFolder, std::string_view bookName);

/// Fails with a clear file-system error when the save folder is not a folder, or when the book file
/// already exists (so that a long download is not wasted on a book that cannot be saved).
void checkBookFileCanBeCreated(const std::filesystem::path& saveFolder, std::string_view bookName);

/// Moves `from` to `to` only if nothing exists at `to`; fails with "File exists" otherwise, even when
/// another process creates `to` at the same moment.
void moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace novawick::epub
