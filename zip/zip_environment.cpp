// What the facade reads from outside a single call: the process-wide set of extra archive extensions
// (changed from any thread, so guarded by a mutex) and the user's documents folder.
#include <cstdlib>
#include <mutex>

#include "zip/zip.h"

namespace novawick::zip {

namespace {

struct ExtraExtensions {
    std::mutex mutex;
    std::set<std::string> extensions;
};

ExtraExtensions& extraExtensions() {
    static ExtraExtensions instance;  // built on first use; thread-safe initialisation
    return instance;
}

const char* nonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : nullptr;
}

}  // namespace

void Zip::addCustomFileExtension(const std::string& fileExtension) {
    ExtraExtensions& extra = extraExtensions();
    const std::lock_guard lock(extra.mutex);
    extra.extensions.insert(fileExtension);
}

void Zip::removeCustomFileExtension(const std::string& fileExtension) {
    ExtraExtensions& extra = extraExtensions();
    const std::lock_guard lock(extra.mutex);
    extra.extensions.erase(fileExtension);
}

bool Zip::isValidFileExtension(const std::string& fileExtension) {
    if (fileExtension == "zip" || fileExtension == "cbz") {
        return true;
    }
    ExtraExtensions& extra = extraExtensions();
    const std::lock_guard lock(extra.mutex);
    return extra.extensions.contains(fileExtension);
}

std::filesystem::path documentsFolder() {
    if (const char* documents = nonEmptyEnvironment("XDG_DOCUMENTS_DIR")) {
        return documents;
    }
    if (const char* home = nonEmptyEnvironment("HOME")) {
        return std::filesystem::path(home) / "Documents";
    }
    throw ZipException(ZipError::documentsFolderNotFound);
}

}  // namespace novawick::zip
