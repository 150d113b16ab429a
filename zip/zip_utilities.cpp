// Path expansion for archiving. Folder walks use the standard iterator (an explicit stack, so deep trees
// cost memory, not call depth) and are sorted afterwards: path comparison is per component, which gives a
// depth-first order with siblings by name.
#include "zip/zip_utilities.h"

#include <algorithm>
#include <system_error>

#include "zip/zip_error.h"

namespace novawick::zip {

namespace fs = std::filesystem;

namespace {

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);  // follows symlinks; a missing path is simply not a folder
}

}  // namespace

std::string lastPathComponent(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (normal.empty() || normal == "." || normal.filename() == "..") {
        std::error_code error;
        fs::path absolute = fs::absolute(path, error);
        if (!error) {
            normal = absolute.lexically_normal();
        }
    }
    if (!normal.has_filename()) {
        normal = normal.parent_path();
    }
    return normal.filename().string();
}

std::vector<ProcessedFilePath> ZipUtilities::expandPaths(const std::vector<fs::path>& paths) const {
    std::vector<ProcessedFilePath> result;
    for (const fs::path& path : paths) {
        if (isFolder(path)) {
            std::vector<ProcessedFilePath> files = listFolderFiles(path);
            result.insert(result.end(), std::make_move_iterator(files.begin()),
                          std::make_move_iterator(files.end()));
        } else {
            result.push_back({path, lastPathComponent(path)});
        }
    }
    return result;
}

std::vector<ProcessedFilePath> ZipUtilities::listFolderFiles(const fs::path& folder) const {
    std::error_code error;
    fs::recursive_directory_iterator walker(folder, fs::directory_options::skip_permission_denied, error);
    if (error) {
        return {};
    }
    std::vector<fs::path> relativePaths;
    while (walker != fs::recursive_directory_iterator()) {
        relativePaths.push_back(walker->path().lexically_relative(folder));
        walker.increment(error);
        if (error) {
            // Unreadable sub-folders are skipped above; anything else would silently lose files.
            throw ZipException(ZipError::zipFail);
        }
    }
    std::sort(relativePaths.begin(), relativePaths.end());

    const std::string root = lastPathComponent(folder);
    std::vector<ProcessedFilePath> result;
    for (const fs::path& relative : relativePaths) {
        fs::path location = folder / relative;
        if (isFolder(location)) {
            continue;
        }
        std::string name = includeRootDirectory ? (fs::path(root) / relative).generic_string()
                                                : relative.generic_string();
        result.push_back({std::move(location), std::move(name)});
    }
    return result;
}

}  // namespace novawick::zip
