// The program's entry: runs the dialogue against the novel site. An error that reaches here ends the
// program with one line on standard error and status 1; Ctrl-C ends it without leaving files behind.
#include "app/dialogue.h"
#include "app/report.h"
#include "app/signal_cleanup.h"

#include <unistd.h>

#include <cstdio>

int main() {
    try {
        novawick::removeLeftoversOnSignal();
        novawick::QuilletSource source;
        return novawick::runDialogue(source, stdin, stdout, STDOUT_FILENO);
    } catch (...) {
        return novawick::reportFailure(std::current_exception());
    }
}
