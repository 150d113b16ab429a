// Slots of fixed-size path buffers guarded by lock-free atomics, and a removal that uses only
// async-signal-safe system calls (openat, getdents64, unlinkat, rmdir, close): no allocation, no locks,
// no stdio.
#include "epub/work_folder_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstring>

namespace novawick::epub {
namespace {

enum SlotState : int { kFree, kFilling, kHeld };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
    std::size_t levels = 0;
};

// One book is written at a time; a few slots cover callers that write several at once.
std::array<Slot, 4> workSlots;
std::array<Slot, 4> madeSlots;
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only read lock-free atomics");

// A work folder is at most three levels deep (book/OPS/chapter), so the descent is bounded by a constant.
constexpr int kDeepestLevel = 6;

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Empties the open folder `folder`. Listing again from the start after a pass that removed something
// catches entries a listing may skip while its folder changes; a handful of passes is plenty.
void emptyFolder(int folder, int level) {
    for (int pass = 0; pass < 4; ++pass) {
        bool removedAny = false;
        if (lseek(folder, 0, SEEK_SET) != 0) return;
        alignas(dirent64) char buffer[4096];
        for (;;) {
            const long read = syscall(SYS_getdents64, folder, buffer, sizeof buffer);
            if (read <= 0) break;
            for (long offset = 0; offset < read;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
                offset += entry->d_reclen;
                if (isDotOrDotDot(entry->d_name)) continue;
                if (unlinkat(folder, entry->d_name, 0) == 0) {
                    removedAny = true;
                    continue;
                }
                if (level >= kDeepestLevel) continue;
                const int child = openat(folder, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child < 0) continue;
                emptyFolder(child, level + 1);
                close(child);
                if (unlinkat(folder, entry->d_name, AT_REMOVEDIR) == 0) removedAny = true;
            }
        }
        if (!removedAny) return;
    }
}

int remember(std::array<Slot, 4>& slots, const std::filesystem::path& folder, std::size_t levels) noexcept {
    const std::string& text = folder.native();
    if (text.size() >= PATH_MAX) return -1;
    for (std::size_t index = 0; index < slots.size(); ++index) {
        int expected = kFree;
        if (!slots[index].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(slots[index].path, text.c_str(), text.size() + 1);
        slots[index].levels = levels;
        slots[index].state.store(kHeld);
        return static_cast<int>(index);
    }
    return -1;
}

void forget(std::array<Slot, 4>& slots, int ticket) noexcept {
    if (ticket >= 0) slots[static_cast<std::size_t>(ticket)].state.store(kFree);
}

// rmdir on the deepest made folder, then on each parent the run made, stopping at the first that is not
// empty: its parents are not empty either.
void removeMadeFolders(const Slot& slot) {
    char path[PATH_MAX];
    std::memcpy(path, slot.path, sizeof path);
    path[PATH_MAX - 1] = '\0';
    for (std::size_t level = 0; level < slot.levels; ++level) {
        if (rmdir(path) != 0) return;
        char* lastSlash = std::strrchr(path, '/');
        if (lastSlash == nullptr || lastSlash == path) return;
        *lastSlash = '\0';
    }
}

}  // namespace

namespace detail {

RunEndingSignalsHeld::RunEndingSignalsHeld() noexcept {
    sigset_t held;
    sigemptyset(&held);
    for (int signalNumber : kRunEndingSignals) sigaddset(&held, signalNumber);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

RunEndingSignalsHeld::~RunEndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int rememberWorkFolder(const std::filesystem::path& folder) noexcept { return remember(workSlots, folder, 1); }

void forgetWorkFolder(int ticket) noexcept { forget(workSlots, ticket); }

int rememberMadeFolders(const std::filesystem::path& deepest, std::size_t levels) noexcept {
    return remember(madeSlots, deepest, levels);
}

void forgetMadeFolders(int ticket) noexcept { forget(madeSlots, ticket); }

void emptyOpenFolder(int folder) noexcept { emptyFolder(folder, 0); }

}  // namespace detail

void removeRunFoldersForSignal() noexcept {
    for (Slot& slot : workSlots) {
        if (slot.state.load() != kHeld) continue;
        const int folder = open(slot.path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0) continue;
        emptyFolder(folder, 0);
        close(folder);
        rmdir(slot.path);
    }
    for (Slot& slot : madeSlots) {
        if (slot.state.load() == kHeld) removeMadeFolders(slot);
    }
}

}  // namespace novawick::epub
