// Ctrl-C handling: the first interrupt asks the drawing run to stop, a second one ends the
// program at once after removing the unfinished output file.
#pragma once

// Installs the handler for SIGINT and SIGTERM. Call once, from the main thread.
void InstallInterruptHandler();

// Whether an interrupt has arrived since the handler was installed. Any thread.
bool InterruptRequested();

// The exit code that reports the interrupt: 128 + the signal's number (130 for Ctrl-C).
int InterruptExitCode();

// Registers a file that a second interrupt removes before the program exits (copied; at most
// 4095 bytes, at most 4 files at once). Returns its slot for the removal below, or -1 when it
// could not be kept. Main thread only.
int AddInterruptCleanupPath(const char* path);
void RemoveInterruptCleanupPath(int slot);
