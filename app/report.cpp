#include "app/report.h"

#include "app/dialogue.h"
#include "net/errors.h"
#include "zip/zip_error.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace novawick {
namespace {

// A request to the placeholder host fails whatever the cause; the useful news is that the build needs a host.
std::string_view noSiteHostNote(std::exception_ptr error, std::string_view siteHost) {
    if (!isPlaceholderHost(siteHost)) return {};
    try {
        std::rethrow_exception(error);
    } catch (const net::TransportError& failure) {
        // Site addresses are the site base and a path, so the base with its end decides the host.
        const std::string base = "https://" + std::string(siteHost);
        std::string_view url = failure.url();
        if (url.substr(0, base.size()) != base) return {};
        url.remove_prefix(base.size());
        if (url.empty() || url.front() == '/' || url.front() == ':') return kNoSiteHostNote;
    } catch (...) {
    }
    return {};
}

}  // namespace

bool isPlaceholderHost(std::string_view host) {
    constexpr std::string_view kReserved = ".invalid";
    return host == kReserved.substr(1) ||
           (host.size() > kReserved.size() && host.substr(host.size() - kReserved.size()) == kReserved);
}

std::string describeError(std::exception_ptr error, std::string_view siteHost) {
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
    description += noSiteHostNote(error, siteHost);
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
