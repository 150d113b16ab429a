// Shared fixtures for the zip tests; see zip_test_support.h.
#include "zip_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace novawick::zip::testing {

namespace fs = std::filesystem;

ZipError errorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const ZipException& error) {
        return error.error();
    }
    ADD_FAILURE() << "expected a ZipException";
    return ZipError::zipFail;
}

void writeFile(const fs::path& path, const std::string& content) {
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void setModificationTime(const fs::path& path, std::time_t seconds) {
    const std::array<timespec, 2> times{timespec{seconds, 0}, timespec{seconds, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times.data(), 0) != 0) {
        throw std::runtime_error("cannot set the time of " + path.string());
    }
}

CommandResult runCommand(const std::string& commandLine) {
    CommandResult result;
    std::FILE* pipe = ::popen(("exec 2>&1\n" + commandLine).c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const fs::path& path) {
    std::string text = "'";
    for (char c : path.string()) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

CommandResult runPython(const std::string& program, const fs::path& archive) {
    return runCommand("python3 - " + quoted(archive) + " <<'PYTHON_PROGRAM'\n" + program + "\nPYTHON_PROGRAM");
}

std::vector<ListedEntry> listWithPython(const fs::path& archive) {
    // One record per entry: name, method, date and content, hex-encoded so any byte survives the pipe.
    static const std::string program = R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as archive:
    for info in archive.infolist():
        date = '%04d-%02d-%02d %02d:%02d:%02d' % info.date_time
        data = archive.read(info)
        print(info.filename.encode().hex(), info.compress_type, date.encode().hex(), data.hex() or '-'))";
    const CommandResult result = runPython(program, archive);
    if (result.status != 0) {
        throw std::runtime_error("python3 zipfile failed: " + result.output);
    }
    auto unhex = [](const std::string& hex) {
        std::string bytes;
        for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
            bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
        }
        return bytes;
    };
    std::vector<ListedEntry> entries;
    std::istringstream lines(result.output);
    std::string name, date, content;
    int method = 0;
    while (lines >> name >> method >> date >> content) {
        entries.push_back({unhex(name), method, unhex(date), content == "-" ? "" : unhex(content)});
    }
    return entries;
}

std::vector<std::string> treeOf(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        names.push_back(item.path().lexically_relative(folder).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

UtcTimeZone::UtcTimeZone() {
    if (const char* value = std::getenv("TZ")) {
        hadValue_ = true;
        previous_ = value;
    }
    ::setenv("TZ", "UTC", 1);
    ::tzset();
}

UtcTimeZone::~UtcTimeZone() {
    if (hadValue_) {
        ::setenv("TZ", previous_.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

ScopedEnvironment::ScopedEnvironment(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        hadValue_ = true;
        previous_ = old;
    }
    if (value != nullptr) {
        ::setenv(name_.c_str(), value, 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (hadValue_) {
        ::setenv(name_.c_str(), previous_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

}  // namespace novawick::zip::testing
