// A run's private work folder inside the save folder: it holds the chapters that do not stay in memory
// and the book while it is written, and leaves nothing behind whatever happens. It carries a lock file
// that the run holds for as long as the folder lives. A killed run (SIGKILL, a power cut) cannot remove
// its folder, but its lock goes with it: a later run in the same folder removes exactly the folders that
// carry the lock file and whose lock nobody holds, never a live run's, never one that merely looks alike.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace novawick::epub {

/// Work folders are named this followed by six random letters and digits.
inline constexpr std::string_view kWorkFolderPrefix = ".novawick-";
/// The lock file inside a work folder; its presence marks the folder as a work folder.
inline constexpr std::string_view kWorkFolderLockName = "in-use.lock";

/// A fresh private folder inside a given folder, locked while this lives and removed with everything in
/// it when this goes away, or by `removeRunFoldersForSignal` when a signal ends the process first.
class WorkFolder {
public:
    explicit WorkFolder(const std::filesystem::path& inside);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    void removeNow() noexcept;

    std::filesystem::path path_;
    int ticket_ = -1;
    int lock_ = -1;
};

/// Removes the work folders directly inside `folder` that earlier runs left behind (named like one,
/// holding the lock file, lock free) and returns how many. Never follows a symbolic link, never waits for
/// a lock, and reports no error: what cannot be removed stays.
std::size_t removeAbandonedWorkFolders(const std::filesystem::path& folder) noexcept;

}  // namespace novawick::epub
