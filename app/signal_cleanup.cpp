// The handler removes the run's work folder and the folders made for its save folder (see
// epub/work_folder_registry.h), then restores the default action and raises the signal again, so the
// exit status still tells what ended the program.
#include "app/signal_cleanup.h"

#include <signal.h>

#include <atomic>

#include "epub/work_folder_registry.h"

namespace novawick {
namespace {

std::atomic<void (*)() noexcept> extraCleanup{nullptr};

void removeLeftoversAndDie(int signalNumber) {
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
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signalNumber, &action, nullptr);
}

}  // namespace novawick
