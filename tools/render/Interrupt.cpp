// Signal handling kept async-signal-safe: the handler touches only lock-free atomics and a
// fixed buffer, and calls only unlink and _exit.
#include "render/Interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{SIGINT};
// The unfinished output files: a slot is used while its flag is set.
constexpr int kCleanupSlots = 4;
std::atomic<bool> g_haveCleanupPath[kCleanupSlots];
char g_cleanupPath[kCleanupSlots][4096];

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

extern "C" void OnInterrupt(int signal) {
    if (!g_interrupted.exchange(true)) {
        g_signal.store(signal);
        return;
    }
    // The second interrupt: the user wants out now, not after the running paths.
    for (int slot = 0; slot < kCleanupSlots; ++slot) {
        if (g_haveCleanupPath[slot].load()) {
            ::unlink(g_cleanupPath[slot]);
        }
    }
    ::_exit(128 + signal);
}

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
    return g_interrupted.load();
}

int InterruptExitCode() {
    return 128 + g_signal.load();
}

int AddInterruptCleanupPath(const char* path) {
    if (std::strlen(path) >= sizeof g_cleanupPath[0]) {
        return -1;
    }
    for (int slot = 0; slot < kCleanupSlots; ++slot) {
        if (!g_haveCleanupPath[slot].load()) {
            std::memcpy(g_cleanupPath[slot], path, std::strlen(path) + 1);
            g_haveCleanupPath[slot].store(true);
            return slot;
        }
    }
    return -1;
}

void RemoveInterruptCleanupPath(int slot) {
    if (slot >= 0 && slot < kCleanupSlots) {
        g_haveCleanupPath[slot].store(false);
    }
}
