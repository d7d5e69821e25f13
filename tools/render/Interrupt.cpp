// Signal handling kept async-signal-safe: the handlers touch only lock-free atomics and fixed
// buffers filled beforehand, and call only unlink, write, sigaction, raise and _exit.
#include "render/Interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{SIGINT};
// The unfinished output files: a slot is used while its flag is set.
constexpr int kCleanupSlots = 4;
constexpr size_t kPathBytes = 4096;
std::atomic<bool> g_haveCleanupPath[kCleanupSlots];
char g_cleanupPath[kCleanupSlots][kPathBytes];
char g_cleanupTarget[kCleanupSlots][kPathBytes];
// Names of the signals, filled before the handlers are installed.
char g_signalName[NSIG][16];
// The actions replaced for the fault signals, which get them back after the cleanup.
struct sigaction g_previous[NSIG];

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kFaultSignals[] = {SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSEGV, SIGSYS, SIGTRAP};
const int kEndSignals[] = {SIGQUIT, SIGUSR1, SIGUSR2,   SIGALRM, SIGVTALRM,
                           SIGPROF, SIGPOLL, SIGSTKFLT, SIGPWR,  SIGXCPU};

void Say(const char* text) {
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
}

// Removes the unfinished files and says what became of each.
void CleanUp(int signal, const char* how) {
    Say("veltrix-render: ");
    Say(g_signalName[signal]);
    Say(how);
    for (int slot = 0; slot < kCleanupSlots; ++slot) {
        if (g_haveCleanupPath[slot].load()) {
            ::unlink(g_cleanupPath[slot]);
            Say("; ");
            Say(g_cleanupTarget[slot]);
            Say(" was not written");
        }
    }
    Say("\n");
}

extern "C" void OnStopSignal(int signal) {
    if (!g_interrupted.exchange(true)) {
        g_signal.store(signal);
        return;
    }
    // The second one: the user wants out now, not after the running paths and the write.
    CleanUp(signal, " again: quit at once");
    ::_exit(128 + signal);
}

extern "C" void OnEndSignal(int signal, siginfo_t* info, void*) {
    CleanUp(signal, ": quit at once");
    // End by the signal itself, so that the parent sees what ended the program. A fault the
    // kernel raised comes back when the instruction is retried, now to the earlier action
    // (the default, or a sanitizer's report).
    ::sigaction(signal, &g_previous[signal], nullptr);
    if (info == nullptr || info->si_code <= 0) {
        ::raise(signal);
    }
}

void Install(int signal, bool stop) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    if (stop) {
        action.sa_handler = OnStopSignal;
    } else {
        action.sa_sigaction = OnEndSignal;
        action.sa_flags = SA_SIGINFO;
    }
    ::sigaction(signal, &action, &g_previous[signal]);
    if (g_previous[signal].sa_handler == SIG_IGN) {
        ::sigaction(signal, &g_previous[signal], nullptr);  // ignored by whoever started us
    }
}

}  // namespace

void InstallSignalHandlers() {
    for (int signal = 1; signal < NSIG; ++signal) {
        const char* abbreviation = signal < SIGRTMIN ? sigabbrev_np(signal) : nullptr;
        if (abbreviation != nullptr) {
            std::snprintf(g_signalName[signal], sizeof g_signalName[signal], "SIG%s", abbreviation);
        } else {
            std::snprintf(g_signalName[signal], sizeof g_signalName[signal], "signal %d", signal);
        }
    }
    for (int signal : kStopSignals) {
        Install(signal, true);
    }
    for (int signal : kFaultSignals) {
        Install(signal, false);
    }
    for (int signal : kEndSignals) {
        Install(signal, false);
    }
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        Install(signal, false);
    }
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

bool InterruptRequested() {
    return g_interrupted.load();
}

int InterruptExitCode() {
    return 128 + g_signal.load();
}

std::string InterruptName() {
    return g_signalName[g_signal.load()];
}

int AddInterruptCleanupPath(const char* path, const char* target) {
    if (std::strlen(path) >= kPathBytes) {
        return -1;
    }
    for (int slot = 0; slot < kCleanupSlots; ++slot) {
        if (!g_haveCleanupPath[slot].load()) {
            std::snprintf(g_cleanupPath[slot], kPathBytes, "%s", path);
            std::snprintf(g_cleanupTarget[slot], kPathBytes, "%s", target);
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
