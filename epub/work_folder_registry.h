// The work folders that exist at this moment, kept where a signal handler can read them: a handler that
// is about to end the process removes them, so that Ctrl-C while a book is written leaves nothing behind.
#pragma once

#include <filesystem>

namespace novawick::epub::detail {

/// Records `folder` until `forgetWorkFolder` with the same ticket; returns -1 when every slot is taken
/// (the folder is then only removed the ordinary way).
int rememberWorkFolder(const std::filesystem::path& folder) noexcept;
void forgetWorkFolder(int ticket) noexcept;

}  // namespace novawick::epub::detail
