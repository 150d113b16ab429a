// Fixtures shared by the zip tests: throw-away folders, small file helpers, and a way to run the other
// zip readers (unzip, zipinfo, python3's zipfile) over an archive and capture what they print.
#pragma once

#include "tests/support/temporary_folder.h"
#include "zip/zip_error.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

namespace novawick::zip::testing {

using novawick::testing::TemporaryFolder;

/// The ZipError an operation raises; a test failure (and zipFail) when it raises none.
ZipError errorOf(const std::function<void()>& operation);

/// Writes `content` to `path`, creating parent folders.
void writeFile(const std::filesystem::path& path, const std::string& content);
std::string readFile(const std::filesystem::path& path);
/// Sets a file's modification time (seconds since the epoch).
void setModificationTime(const std::filesystem::path& path, std::time_t seconds);

struct CommandResult {
    int status = -1;
    std::string output;  ///< standard output and standard error together
};
/// Runs a shell command line.
CommandResult runCommand(const std::string& commandLine);
/// Runs a python3 program, with the archive path as its first argument.
CommandResult runPython(const std::string& program, const std::filesystem::path& archive);
/// A path quoted for the shell.
std::string quoted(const std::filesystem::path& path);

/// One entry as python3's zipfile sees it.
struct ListedEntry {
    std::string name;
    int method = -1;  ///< 0 stored, 8 deflated
    std::string date;  ///< "YYYY-MM-DD hh:mm:ss"
    std::string content;
};
/// Every entry of an archive in archive order, read with python3's zipfile (which checks each CRC).
std::vector<ListedEntry> listWithPython(const std::filesystem::path& archive);

/// Names of all files and folders below `folder`, relative, sorted, "/"-separated.
std::vector<std::string> treeOf(const std::filesystem::path& folder);

/// 2022-12-31 23:59:58 in UTC; the tests that use it run with TZ=UTC.
inline constexpr std::time_t kLastSecondsOf2022 = 1672531198;

/// Sets TZ=UTC for the life of the object, restoring the previous value afterwards.
class UtcTimeZone {
public:
    UtcTimeZone();
    ~UtcTimeZone();
    UtcTimeZone(const UtcTimeZone&) = delete;
    UtcTimeZone& operator=(const UtcTimeZone&) = delete;

private:
    bool hadValue_ = false;
    std::string previous_;
};

/// Sets or clears an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    bool hadValue_ = false;
    std::string previous_;
};

}  // namespace novawick::zip::testing
