// Runs part of a test in a child process whose files cannot grow past a given size, so that a write fails
// part-way with EFBIG: what a full disk does to a writer, without a small file system to mount. The part
// returns text, which comes back to the parent; call it while the test runs no other threads.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace novawick::testing {

/// The text `part` returns (or "exception: " + its what()) when run with files capped at `bytes`.
inline std::string runWithFileSizeLimit(std::uint64_t bytes, const std::function<std::string()>& part) {
    std::array<int, 2> channel{};
    if (::pipe(channel.data()) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(channel[0]);
        const rlimit limit{bytes, bytes};
        std::string text;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || ::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
            text = "cannot limit file sizes";
        } else {
            try {
                text = part();
            } catch (const std::exception& error) {
                text = std::string("exception: ") + error.what();
            }
        }
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t written = ::write(channel[1], text.data() + at, text.size() - at);
            if (written <= 0) break;
            at += static_cast<std::size_t>(written);
        }
        ::_exit(0);  // no exit handlers or test-framework teardown in the child
    }
    ::close(channel[1]);
    std::string text;
    std::array<char, 4096> buffer{};
    for (ssize_t count; (count = ::read(channel[0], buffer.data(), buffer.size())) > 0;) {
        text.append(buffer.data(), static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the limited child failed");
    return text;
}

}  // namespace novawick::testing
