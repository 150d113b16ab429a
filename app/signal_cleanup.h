// Ctrl-C and the other signals that end the program (SIGTERM, SIGHUP, SIGQUIT) first remove what a
// half-done run has on disk, then end the process as the signal would have.
#pragma once

namespace novawick {

/// Installs the handlers. `alsoRemove`, when given, runs first in the handler, so it must use
/// async-signal-safe calls only.
void removeLeftoversOnSignal(void (*alsoRemove)() noexcept = nullptr);

}  // namespace novawick
