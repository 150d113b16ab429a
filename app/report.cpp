#include "app/report.h"

#include "app/dialogue.h"
#include "zip/zip_error.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace novawick {

std::string describeError(std::exception_ptr error) {
    std::string description;
    try {
        std::rethrow_exception(error);
    } catch (const std::filesystem::filesystem_error& failure) {
        // The library's text reads "filesystem error: <what>: <cause> [path]"; the prefix says nothing.
        constexpr std::string_view kPrefix = "filesystem error: ";
        std::string_view text = failure.what();
        if (text.substr(0, kPrefix.size()) == kPrefix) text.remove_prefix(kPrefix.size());
        description = text;
    } catch (const zip::ZipException& failure) {
        // The kind's fixed text says only that packing failed; the cause says what happened and where.
        description = failure.cause() ? failure.detail() : failure.what();
    } catch (const std::exception& failure) {
        description = failure.what();
    } catch (...) {
        description = "unknown error";
    }
    if (description.empty()) description = "unknown error";
    // One line, and nothing a terminal would act on.
    for (char& c : description) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return terminalSafe(description);
}

int reportFailure(std::exception_ptr error) {
    std::fflush(stdout);
    std::string line = "novawick: " + describeError(error) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 1;
}

}  // namespace novawick
