#include "tests/robustness/save_folder.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

#include <stdlib.h>

namespace novawick::testing {

namespace fs = std::filesystem;

SaveFolder::SaveFolder() {
    std::string pattern = (fs::temp_directory_path() / "novawick-robustness-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    parent_ = pattern;
    save_ = parent_ / "save";
    fs::create_directory(save_);
    std::ofstream(save_ / "notes.txt") << "the user's own file";
}

SaveFolder::~SaveFolder() {
    std::error_code ignored;
    fs::remove_all(parent_, ignored);
}

std::map<std::string, std::uintmax_t> SaveFolder::snapshot() const {
    std::map<std::string, std::uintmax_t> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(parent_)) {
        const std::string name = entry.path().lexically_relative(parent_).string();
        if (entry.is_directory() && !entry.is_symlink()) {
            entries[name + "/"] = 0;
        } else {
            entries[name] = entry.is_regular_file() ? entry.file_size() : 0;
        }
    }
    return entries;
}

}  // namespace novawick::testing
