// Installs a transport seam on the shared client for one scope. Removing it also drops the client's
// kept-alive connections, so a test server can shut down without waiting for idle clients.
#pragma once

#include "net/http_client.h"

namespace novawick::loopback {

/// RAII owner of the shared client's seam.
class ScopedTransportSeam {
public:
    explicit ScopedTransportSeam(net::TransportSeam seam) { net::setTransportSeam(std::move(seam)); }
    ~ScopedTransportSeam() { net::setTransportSeam(std::nullopt); }
    ScopedTransportSeam(const ScopedTransportSeam&) = delete;
    ScopedTransportSeam& operator=(const ScopedTransportSeam&) = delete;
};

}  // namespace novawick::loopback
