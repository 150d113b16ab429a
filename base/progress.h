// The progress callback that long operations take (a book's download, its writing and packing).
#pragma once

#include <functional>

namespace novawick {

/// Progress observer: receives fractions from 0.0 to 1.0; empty when absent.
using Progress = std::function<void(double)>;

}  // namespace novawick
