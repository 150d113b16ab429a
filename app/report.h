// The one line a failed run leaves on standard error.
#pragma once

#include "QuilletApi/site.h"

#include <exception>
#include <string>
#include <string_view>

namespace novawick {

/// Added to the line of a failed request to a placeholder site host: such a build can reach nothing.
inline constexpr std::string_view kNoSiteHostNote =
    " (this build has no site host; build one with cmake -DNOVAWICK_SITE_HOST=<host name>)";

/// True for a host under the reserved ".invalid" domain, which never resolves: a build without a site host.
bool isPlaceholderHost(std::string_view host);

/// A one-line description of an error, without line breaks. `siteHost` is the novel site's host.
std::string describeError(std::exception_ptr error, std::string_view siteHost = site::kHost);

/// Flushes standard output, writes "novawick: " + the description to standard error, returns status 1.
int reportFailure(std::exception_ptr error);

}  // namespace novawick
