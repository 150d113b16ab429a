// A save folder for genEpub runs, inside a private parent so that anything written beside it shows up
// too. It starts with a file of the user's, and can list everything below the parent with sizes so that
// a test can prove a failed run left the user's folder exactly as it found it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace novawick::testing {

class SaveFolder {
public:
    SaveFolder();
    ~SaveFolder();
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;

    /// The folder given to genEpub.
    const std::filesystem::path& path() const noexcept { return save_; }
    /// Every path below the private parent (relative to it, "/" for folders), with file sizes.
    std::map<std::string, std::uintmax_t> snapshot() const;

private:
    std::filesystem::path parent_;
    std::filesystem::path save_;
};

}  // namespace novawick::testing
