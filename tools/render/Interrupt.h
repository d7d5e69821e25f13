// Signal handling. SIGINT, SIGTERM and SIGHUP ask the drawing run to stop (what was drawn is
// still written); a second one ends the program at once. Every other terminating signal ends it
// at once. Either way the unfinished output files are removed and standard error says so.
// SIGPIPE and SIGXFSZ are ignored, so that a closed pipe or a full quota fails the write.
#pragma once

#include <string>

// Installs the handlers. Call once, from the main thread, before any output file is created.
void InstallSignalHandlers();

// Whether a stop signal (SIGINT, SIGTERM, SIGHUP) has arrived. Any thread.
bool InterruptRequested();

// The exit code that reports it: 128 + the signal's number (130 for Ctrl-C).
int InterruptExitCode();

// The signal's name, such as "SIGINT".
std::string InterruptName();

// Registers an unfinished file that a terminating signal removes (copied; at most 4095 bytes
// each, at most 4 files at once); target is its name for the message. Returns its slot for the
// removal below, or -1 when it could not be kept. Main thread only.
int AddInterruptCleanupPath(const char* path, const char* target);
void RemoveInterruptCleanupPath(int slot);
