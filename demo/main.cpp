// novawick-demo: the very same dialogue as `novawick`, against the embedded demo site. The site runs
// in-process on 127.0.0.1 under the real site's host name, and the site client reaches it through an HTTP
// client of the site's that routes that name to it, so every line of the client, the EPUB writer and the
// zip archiver runs as it does for real. The demo adds no output of its own and leaves no files behind: its run-time
// certificates go with the site, or with the process when a signal such as Ctrl-C ends it.
#include "app/dialogue.h"
#include "app/report.h"
#include "app/signal_cleanup.h"
#include "demo/demo_site.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Paths copied up front, so that the handler only calls async-signal-safe functions.
char certificatePaths[3][PATH_MAX];
char certificateFolder[PATH_MAX];

void removeCertificates() noexcept {
    for (const char* path : certificatePaths) unlink(path);
    rmdir(certificateFolder);
}

void copyPath(char (&to)[PATH_MAX], const std::filesystem::path& from) {
    std::strncpy(to, from.c_str(), PATH_MAX - 1);
    to[PATH_MAX - 1] = '\0';
}

void removeCertificatesOnSignal(const novawick::loopback::CertificateKit& certificates) {
    copyPath(certificatePaths[0], certificates.caFile());
    copyPath(certificatePaths[1], certificates.certificateFile());
    copyPath(certificatePaths[2], certificates.keyFile());
    copyPath(certificateFolder, certificates.caFile().parent_path());
    novawick::removeLeftoversOnSignal(removeCertificates);
}

}  // namespace

int main() {
    try {
        novawick::demo::DemoSite site;
        removeCertificatesOnSignal(site.certificates());
        novawick::QuilletSource source(site.client());
        return novawick::runDialogue(source, stdin, stdout, STDOUT_FILENO);
    } catch (...) {
        return novawick::reportFailure(std::current_exception());
    }
}
