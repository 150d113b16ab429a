// The one line a failed run leaves on standard error.
#pragma once

#include <exception>
#include <string>

namespace novawick {

/// A one-line description of an error, without line breaks.
std::string describeError(std::exception_ptr error);

/// Flushes standard output, writes "novawick: " + the description to standard error, returns status 1.
int reportFailure(std::exception_ptr error);

}  // namespace novawick
