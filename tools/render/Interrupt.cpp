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
std::atomic<bool> g_haveCleanupPath{false};
char g_cleanupPath[4096];

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

extern "C" void OnInterrupt(int signal) {
    if (!g_interrupted.exchange(true)) {
        g_signal.store(signal);
        return;
    }
    // The second interrupt: the user wants out now, not after the running paths.
    if (g_haveCleanupPath.load()) {
        ::unlink(g_cleanupPath);
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

void SetInterruptCleanupPath(const char* path) {
    g_haveCleanupPath.store(false);
    if (path == nullptr || std::strlen(path) >= sizeof g_cleanupPath) {
        return;
    }
    std::memcpy(g_cleanupPath, path, std::strlen(path) + 1);
    g_haveCleanupPath.store(true);
}
