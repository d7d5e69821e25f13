// Ctrl-C handling: the first interrupt asks the drawing run to stop, a second one ends the
// program at once after removing the unfinished output file.
#pragma once

// Installs the handler for SIGINT and SIGTERM. Call once, from the main thread.
void InstallInterruptHandler();

// Whether an interrupt has arrived since the handler was installed. Any thread.
bool InterruptRequested();

// The exit code that reports the interrupt: 128 + the signal's number (130 for Ctrl-C).
int InterruptExitCode();

// The file a second interrupt removes before the program exits (copied; at most 4095 bytes),
// or null for none. Main thread only.
void SetInterruptCleanupPath(const char* path);
