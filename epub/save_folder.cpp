// The path is resolved once (symbolic links in the part that exists, "." and ".." everywhere), so that
// the folders made form one chain of parents that a signal handler can walk up by cutting the path at
// its last "/": the handler needs only the deepest folder made and how many levels were made.
#include "epub/save_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "epub/work_folder_registry.h"

namespace novawick::epub {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(std::string_view what, const fs::path& shown, int error) {
    throw fs::filesystem_error(std::string(what), shown, std::error_code(error, std::generic_category()));
}

std::string_view whatFor(int error) {
    return error == ENOTDIR || error == EEXIST ? kSaveFolderIsNotAFolder : kCannotCreateSaveFolder;
}

bool isFolder(const fs::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

fs::path resolved(const fs::path& shown) {
    std::error_code error;
    fs::path folder = fs::absolute(shown, error);
    if (!error) folder = fs::weakly_canonical(folder, error);
    if (error) fail(kCannotCreateSaveFolder, shown, error.value());
    if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();  // a trailing "/"
    return folder;
}

}  // namespace

SaveFolder::SaveFolder(const fs::path& typed) {
    const fs::path shown = typed.empty() ? fs::current_path() : typed;
    // The system would take the path only up to the NUL: a different folder from the one typed.
    if (shown.native().find('\0') != std::string::npos) fail(kCannotCreateSaveFolder, shown, EINVAL);
    path_ = resolved(shown);

    std::vector<fs::path> missing;  // deepest first
    for (fs::path probe = path_;; probe = probe.parent_path()) {
        struct stat info {};
        if (stat(probe.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) fail(kSaveFolderIsNotAFolder, shown, ENOTDIR);
            break;
        }
        if (errno != ENOENT) fail(whatFor(errno), shown, errno);
        missing.push_back(probe);
        if (!probe.has_relative_path()) break;
    }

    const detail::RunEndingSignalsHeld held;
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (mkdir(folder->c_str(), 0777) == 0) {
            made_.insert(made_.begin(), *folder);
            continue;
        }
        const int error = errno;
        if (error == EEXIST && isFolder(*folder)) {
            // Made by someone else meanwhile: the folders made above it hold theirs now, so they are no
            // longer ours to take back.
            made_.clear();
            continue;
        }
        removeMade();
        fail(whatFor(error), shown, error);
    }
    if (!made_.empty()) ticket_ = detail::rememberMadeFolders(made_.front(), made_.size());
}

SaveFolder::~SaveFolder() { removeMade(); }

void SaveFolder::keep() noexcept {
    detail::forgetMadeFolders(ticket_);
    ticket_ = -1;
    made_.clear();
}

void SaveFolder::removeMade() noexcept {
    for (const fs::path& folder : made_) {
        if (rmdir(folder.c_str()) != 0) break;
    }
    made_.clear();
    detail::forgetMadeFolders(ticket_);
    ticket_ = -1;
}

}  // namespace novawick::epub
