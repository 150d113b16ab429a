// The run's folders that exist at this moment, kept where a signal handler can read them: a handler that
// is about to end the process removes the work folders, then the folders the run made for its save
// folder, so that Ctrl-C during a download or while a book is written leaves nothing behind.
#pragma once

#include <signal.h>

#include <array>
#include <cstddef>
#include <filesystem>

namespace novawick::epub {

/// The signals that end a run and run the clean-up: Ctrl-C, and the usual requests to stop.
inline constexpr std::array<int, 4> kRunEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

/// Removes every work folder that exists at this moment, then every folder made for a save folder
/// (deepest first, each only while empty), with async-signal-safe calls only: for the handler of a
/// signal that ends the process.
void removeRunFoldersForSignal() noexcept;

namespace detail {

/// Holds back the run-ending signals for its lifetime, so that a folder is never on disk without being
/// recorded for the handler: a signal that arrives meanwhile is delivered once both are done.
class RunEndingSignalsHeld {
public:
    RunEndingSignalsHeld() noexcept;
    ~RunEndingSignalsHeld();
    RunEndingSignalsHeld(const RunEndingSignalsHeld&) = delete;
    RunEndingSignalsHeld& operator=(const RunEndingSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

/// Records `folder` until `forgetWorkFolder` with the same ticket; returns -1 when every slot is taken
/// (the folder is then only removed the ordinary way).
int rememberWorkFolder(const std::filesystem::path& folder) noexcept;
void forgetWorkFolder(int ticket) noexcept;

/// Records that `deepest` and its `levels - 1` nearest parents were made by this run, until
/// `forgetMadeFolders`; `deepest` is absolute, without "." or ".." parts. -1 when every slot is taken.
int rememberMadeFolders(const std::filesystem::path& deepest, std::size_t levels) noexcept;
void forgetMadeFolders(int ticket) noexcept;

/// Empties the open folder `folder` with async-signal-safe calls, never following a symbolic link and
/// going at most a work folder's depth down.
void emptyOpenFolder(int folder) noexcept;

}  // namespace detail
}  // namespace novawick::epub
