// Reads VmHWM and VmRSS from /proc/self/status, resets the high-water mark through clear_refs, and
// asks glibc malloc for its in-use count.
#include "bench/process_memory.h"

#include <malloc.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace novawick::bench {
namespace {

long statusField(std::string_view name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ':') {
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

}  // namespace

long peakResidentKibibytes() { return statusField("VmHWM"); }

long currentResidentKibibytes() { return statusField("VmRSS"); }

bool resetPeakResidentMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    if (!clear) return false;
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

std::size_t heapBytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

}  // namespace novawick::bench
