// The plain fetch: a GET with no header set by the program and the client's default settings, for the
// requests that look only at the status and the bytes (a cover picture, a mirror's front page). The site
// clients' request kinds with their header profiles are in pages/requests.h.
#pragma once

#include <string>

#include "net/transport.h"

namespace novawick::net {

/// GET through `transport` with no header set by the program and the client's default settings.
Response plainFetch(Transport& transport, const std::string& url);

}  // namespace novawick::net
