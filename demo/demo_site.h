// The embedded demo site: the sample books served over HTTPS on 127.0.0.1 under the novel site's own
// host name, so that the unchanged site client, handed the site's own HTTP client as its transport, can
// search, list and download them. Faults are injected from code only (tests), never from the
// environment or the command line of the demo.
#pragma once

#include "demo/loopback/loopback_site.h"
#include "demo/sample_books.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::demo {

/// A way for one page of the site to go wrong.
enum class Fault {
    ServerError,      // the page answers status 500
    MissingNextLink,  // a chapter page is served without its "next_url" link
    Stall,            // the page does not answer while the site runs (for interrupting a download)
};

/// The value of `key` in an application/x-www-form-urlencoded body, percent-decoded ("+" is a space);
/// absent when the key is missing or its value is not well-formed percent-encoding.
std::optional<std::string> formField(std::string_view body, std::string_view key);

/// The sample books whose title or author contains `term`, in library order; every book for "".
std::vector<const SampleBook*> findBooks(std::string_view term);

/// The site, listening from construction to destruction. Serves nothing outside its books' pages.
class DemoSite {
public:
    DemoSite();
    /// Releases the stalled pages, then stops the site.
    ~DemoSite();
    DemoSite(const DemoSite&) = delete;
    DemoSite& operator=(const DemoSite&) = delete;

    /// The books served (the same as sampleBooks()).
    const std::vector<SampleBook>& books() const { return sampleBooks(); }
    /// The cover bytes served for the book at this index.
    const std::string& cover(std::size_t bookIndex) const { return covers_.at(bookIndex); }

    /// Makes the page at `path` go wrong from now on; a later call for the same path replaces it.
    void injectFault(std::string path, Fault fault);

    /// Client settings that route the site's host (port 443) to this server and trust its run-time authority.
    net::ClientSettings clientSettings() const { return server_.clientSettings(); }
    /// A client made with clientSettings(), for the site client to reach this site through.
    net::HttpClient& client() const { return server_.client(); }
    /// The run-time certificates (removed with the site).
    const loopback::CertificateKit& certificates() const { return server_.certificates(); }
    /// Requests answered so far.
    std::size_t requestsServed() const { return server_.requestsServed(); }

private:
    std::optional<Fault> faultAt(const std::string& path) const;
    void addPage(const std::string& path, std::function<std::string(std::optional<Fault>)> render);
    void addBook(std::size_t bookIndex);
    void addSearch();

    std::vector<std::string> covers_;
    mutable std::mutex faultMutex_;
    std::map<std::string, Fault> faults_;
    std::condition_variable closing_;
    bool closed_ = false;
    // Last: its handlers use the members above, so it must stop before they go.
    loopback::LoopbackSite server_;
};

}  // namespace novawick::demo
