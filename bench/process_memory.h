// Peak resident memory of this process, for the benchmark programs: the kernel's high-water mark
// (VmHWM), which can be reset so that one phase of a program is measured on its own.
#pragma once

#include <cstddef>

namespace novawick::bench {

/// Peak resident set size in KiB since start or since the last successful reset; -1 if unknown.
long peakResidentKibibytes();
/// Current resident set size in KiB; -1 if unknown.
long currentResidentKibibytes();
/// Resets the high-water mark to the current RSS; false when the kernel refuses (the peak then stays
/// the process's peak so far).
bool resetPeakResidentMemory();
/// Bytes of heap in use by malloc (small blocks and mapped ones).
std::size_t heapBytesInUse();

}  // namespace novawick::bench
