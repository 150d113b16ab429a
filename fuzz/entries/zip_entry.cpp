// Fuzz entry of the zip extractor. Archive bytes are written to a private folder and extracted a few
// folders further down, so that an entry escaping the destination (by "..", an absolute name or a
// symlink) lands somewhere this entry looks, and is reported as a crash.
#include "fuzz/entries/fuzz_entries.h"

#include "fuzz/entries/scratch_folder.h"
#include "zip/zip.h"

#include <fstream>
#include <set>
#include <string>

namespace novawick::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kName = "zip_unzip";

bool isWithin(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !relative.empty() && *relative.begin() != "..";
}

// Folders an archive made read-only must not stop the clean-up of the next run.
void removeExtracted(const fs::path& destination) {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(destination, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(destination, error);
    if (fs::exists(fs::symlink_status(destination))) invariantBroken(kName, "cannot clean the destination");
}

}  // namespace

void fuzzZipUnzip(std::string_view input) {
    static const ScratchFolder scratch("zip");
    if (scratch.path().empty()) invariantBroken(kName, "no scratch folder");
    const fs::path archive = scratch.path() / "archive.zip";
    const fs::path destination = scratch.path() / "a" / "b" / "c" / "out";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
        if (!out) invariantBroken(kName, "cannot write the archive");
    }
    try {
        zip::Zip::unzipFile(archive, destination, true, std::nullopt, {}, [&](const fs::path& item) {
            if (!isWithin(item, destination)) invariantBroken(kName, "an item was reported outside the destination");
        });
    } catch (const zip::ZipException&) {
        // A damaged or hostile archive fails the call; what matters is where its entries went.
    }

    // Nothing but the archive and the chain of folders down to the destination may exist outside it.
    const std::set<fs::path> expected{archive, scratch.path() / "a", scratch.path() / "a" / "b",
                                      scratch.path() / "a" / "b" / "c", destination};
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(scratch.path(), error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        if (path == destination) {
            it.disable_recursion_pending();
            continue;
        }
        if (!expected.contains(path)) invariantBroken(kName, "an entry escaped the destination: " + path.string());
    }
    for (auto it = fs::recursive_directory_iterator(destination, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        if (status.type() != fs::file_type::regular && status.type() != fs::file_type::directory) {
            invariantBroken(kName, "extraction made something other than a file or folder: " + it->path().string());
        }
    }
    removeExtracted(destination);
}

}  // namespace novawick::fuzz
