// The lock is flock(2) on a file inside the folder: the kernel drops it when the process ends, however it
// ends, which is the one thing a killed run can still be relied on for. The lock file is made under a
// second name, locked, then renamed into place, so a folder is never marked before it is locked. A later
// run works relative to open folder descriptors throughout, so a link swapped in meanwhile leads nowhere.
#include "epub/work_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "epub/work_folder_registry.h"

namespace novawick::epub {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCannotCreateWorkFolder = "cannot create a work folder";
constexpr std::string_view kUnmarkedLockName = "in-use.lock.new";
constexpr std::size_t kRandomPartLength = 6;  // mkdtemp's "XXXXXX"

// A file descriptor closed at scope end.
class Descriptor {
public:
    explicit Descriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return descriptor_; }
    int release() noexcept { return std::exchange(descriptor_, -1); }
    explicit operator bool() const noexcept { return descriptor_ >= 0; }

private:
    int descriptor_;
};

bool isAsciiLetterOrDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isWorkFolderName(std::string_view name) {
    if (name.size() != kWorkFolderPrefix.size() + kRandomPartLength) return false;
    if (!name.starts_with(kWorkFolderPrefix)) return false;
    for (char c : name.substr(kWorkFolderPrefix.size())) {
        if (!isAsciiLetterOrDigit(c)) return false;
    }
    return true;
}

// The held lock of a fresh folder, or -1 when it cannot be had (a file system without locks): the folder
// then goes unmarked, which costs only the clean-up after a killed run, not the book.
int holdLock(const fs::path& folderPath) {
    Descriptor folder(open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) return -1;
    const std::string unmarked(kUnmarkedLockName);
    const std::string marked(kWorkFolderLockName);
    Descriptor lock(openat(folder.get(), unmarked.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock) return -1;
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0 ||
        renameat(folder.get(), unmarked.c_str(), folder.get(), marked.c_str()) != 0) {
        unlinkat(folder.get(), unmarked.c_str(), 0);
        return -1;
    }
    return lock.release();
}

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Removes the folder `name` inside the open folder `parent` if it is an abandoned work folder.
bool removeIfAbandoned(int parent, const std::string& name) {
    Descriptor folder(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) return false;
    const std::string marked(kWorkFolderLockName);
    // Non-blocking: a FIFO planted under the lock file's name must not stall the run.
    Descriptor lock(openat(folder.get(), marked.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!lock) return false;
    struct stat held {};
    if (fstat(lock.get(), &held) != 0 || !S_ISREG(held.st_mode)) return false;
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) return false;
    // Another run may have removed this folder between our open and our lock: the file locked must still
    // be the folder's marker, and the folder must still be under that name.
    struct stat named {};
    struct stat opened {};
    struct stat listed {};
    if (fstatat(folder.get(), marked.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !sameFile(named, held)) return false;
    if (fstat(folder.get(), &opened) != 0 || fstatat(parent, name.c_str(), &listed, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(opened, listed)) {
        return false;
    }
    detail::emptyOpenFolder(folder.get());
    return unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

}  // namespace

WorkFolder::WorkFolder(const fs::path& inside) {
    const detail::RunEndingSignalsHeld held;
    std::string pattern = (inside / (std::string(kWorkFolderPrefix) + std::string(kRandomPartLength, 'X'))).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw fs::filesystem_error(std::string(kCannotCreateWorkFolder), inside,
                                   std::error_code(errno, std::generic_category()));
    }
    path_ = pattern;
    ticket_ = detail::rememberWorkFolder(path_);
    lock_ = holdLock(path_);
}

WorkFolder::~WorkFolder() { removeNow(); }

void WorkFolder::removeNow() noexcept {
    std::error_code ignored;
    // Unlocked and forgotten only once gone: a signal in the middle of the removal finishes it, and no
    // other run takes a folder that is still being removed.
    fs::remove_all(path_, ignored);
    if (lock_ >= 0) close(lock_);
    lock_ = -1;
    detail::forgetWorkFolder(ticket_);
    ticket_ = -1;
}

std::size_t removeAbandonedWorkFolders(const fs::path& folder) noexcept {
    try {
        Descriptor parent(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!parent) return 0;
        std::vector<std::string> candidates;
        {
            Descriptor listingDescriptor(dup(parent.get()));
            if (!listingDescriptor) return 0;
            std::unique_ptr<DIR, int (*)(DIR*)> listing(fdopendir(listingDescriptor.get()), closedir);
            if (!listing) return 0;
            listingDescriptor.release();  // the listing owns it now
            while (const dirent* entry = readdir(listing.get())) {
                if (isWorkFolderName(entry->d_name)) candidates.emplace_back(entry->d_name);
            }
        }
        std::size_t removed = 0;
        for (const std::string& name : candidates) {
            if (removeIfAbandoned(parent.get(), name)) ++removed;
        }
        return removed;
    } catch (...) {
        return 0;  // out of memory while listing: the folders stay for a later run
    }
}

}  // namespace novawick::epub
