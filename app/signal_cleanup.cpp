// The handler removes the run's work folder and the folders made for its save folder (see
// epub/work_folder_registry.h), then restores the default action and raises the signal again, so the
// exit status still tells what ended the program.
#include "app/signal_cleanup.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "epub/work_folder_registry.h"

namespace novawick {
namespace {

std::atomic<void (*)() noexcept> extraCleanup{nullptr};

void removeLeftoversAndDie(int signalNumber) {
    // Only the main thread holds these signals back while it makes a folder and records it, so the
    // clean-up runs there: a signal that lands on another thread (a resolver's, a test server's) is
    // passed on and waits until the folder is recorded.
    const pid_t process = getpid();
    if (syscall(SYS_gettid) != process) {
        syscall(SYS_tgkill, process, process, signalNumber);
        return;
    }
    if (auto* extra = extraCleanup.load()) extra();
    epub::removeRunFoldersForSignal();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

}  // namespace

void removeLeftoversOnSignal(void (*alsoRemove)() noexcept) {
    extraCleanup.store(alsoRemove);
    struct sigaction action {};
    action.sa_handler = removeLeftoversAndDie;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : epub::kRunEndingSignals) sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : epub::kRunEndingSignals) sigaction(signalNumber, &action, nullptr);
}

}  // namespace novawick
