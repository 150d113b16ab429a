// A private folder for the entries that need files, made once per process and removed with it. Made
// under the system's temporary folder so that a fuzzing run never writes into the source tree.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <stdlib.h>

namespace novawick::fuzz {

class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view purpose) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("novawick-fuzz-" + std::string(purpose) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// The folder; empty when it could not be made.
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace novawick::fuzz
