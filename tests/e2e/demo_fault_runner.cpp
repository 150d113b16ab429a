// novawick-demo with faults, for the end-to-end failure runs: the same site, client, dialogue and signal
// clean-up, but pages named on the command line go wrong. Test-only: the demo itself takes no arguments.
// Arguments: --server-error PATH, --missing-next-link PATH and --stall PATH, each repeatable.
#include "app/dialogue.h"
#include "app/report.h"
#include "app/signal_cleanup.h"
#include "demo/demo_site.h"

#include <unistd.h>

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    try {
        novawick::demo::DemoSite site;
        for (int i = 1; i + 1 < argc; i += 2) {
            std::string_view option = argv[i];
            if (option == "--server-error") {
                site.injectFault(argv[i + 1], novawick::demo::Fault::ServerError);
            } else if (option == "--missing-next-link") {
                site.injectFault(argv[i + 1], novawick::demo::Fault::MissingNextLink);
            } else if (option == "--stall") {
                site.injectFault(argv[i + 1], novawick::demo::Fault::Stall);
            } else {
                std::fprintf(stderr, "demo_fault_runner: unknown option %s\n", argv[i]);
                return 2;
            }
        }
        novawick::removeLeftoversOnSignal();
        novawick::QuilletSource source(site.client());
        return novawick::runDialogue(source, stdin, stdout, STDOUT_FILENO);
    } catch (...) {
        return novawick::reportFailure(std::current_exception());
    }
}
