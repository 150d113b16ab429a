#include "tests/support/pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace novawick::testing {

PtySession::PtySession(const std::vector<std::string>& argv, unsigned short columns, unsigned short rows) {
    int errorFds[2];
    if (pipe2(errorFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    winsize size{};
    size.ws_col = columns;
    size.ws_row = rows;
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty failed");
    if (pid_ == 0) {
        dup2(errorFds[1], STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(errorFds[1]);
    errorPipe_ = errorFds[0];
}

PtySession::~PtySession() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
    if (errorPipe_ >= 0) close(errorPipe_);
}

bool PtySession::readSome(std::chrono::milliseconds timeout) {
    pollfd fd{master_, POLLIN, 0};
    int ready = poll(&fd, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) return false;
    char buffer[4096];
    ssize_t count = read(master_, buffer, sizeof buffer);
    if (count <= 0) return false;  // EIO once the program has closed the terminal
    output_.append(buffer, static_cast<std::size_t>(count));
    return true;
}

bool PtySession::waitFor(std::string_view text, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        std::string shown = screen();
        if (shown.size() >= text.size() && std::string_view(shown).substr(shown.size() - text.size()) == text) {
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !readSome(left)) return false;
    }
}

void PtySession::send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(master_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("write to terminal failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void PtySession::drainErrors() {
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(errorPipe_, buffer, sizeof buffer)) > 0) errors_.append(buffer, static_cast<std::size_t>(count));
}

int PtySession::finish(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (!readSome(std::min(left, std::chrono::milliseconds(200)))) {
            int status = 0;
            pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                ended_ = true;
                while (readSome(std::chrono::milliseconds(50))) {
                }
                drainErrors();
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    ended_ = true;
    drainErrors();
    return -1;
}

std::string PtySession::screen() const {
    std::string shown;
    shown.reserve(output_.size());
    for (std::size_t i = 0; i < output_.size(); ++i) {
        if (output_[i] == '\r' && i + 1 < output_.size() && output_[i + 1] == '\n') continue;
        shown += output_[i];
    }
    return shown;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace novawick::testing
