// Drives a program through a real pseudo-terminal with a set window size, the way a user would: wait for
// a prompt, type a line, read the screen. Standard error goes to a pipe of its own so that the screen
// transcript and the error report can be checked apart.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::testing {

class PtySession {
public:
    PtySession(const std::vector<std::string>& argv, unsigned short columns, unsigned short rows = 24);
    ~PtySession();
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    /// Reads until the screen output ends with `text`; false on time-out or end of output.
    bool waitFor(std::string_view text, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    /// Types bytes at the terminal.
    void send(std::string_view bytes);
    /// Types the end-of-file character at the start of a line.
    void sendEndOfInput() { send("\x04"); }
    /// Reads the rest of the output and waits for the program; returns its exit status (-1: killed).
    int finish(std::chrono::milliseconds timeout = std::chrono::seconds(60));

    /// Everything shown on the screen so far, with the terminal's CR LF turned into LF.
    std::string screen() const;
    /// What the program wrote to standard error.
    const std::string& errors() const { return errors_; }

private:
    bool readSome(std::chrono::milliseconds timeout);
    void drainErrors();

    int master_ = -1;
    int errorPipe_ = -1;
    int pid_ = -1;
    bool ended_ = false;
    std::string output_;
    std::string errors_;
};

/// Splits text at LF (a final LF gives no extra empty line).
std::vector<std::string> splitLines(std::string_view text);

}  // namespace novawick::testing
