// The failures veltrix-render reports to its user, each with its exit code.
#pragma once

#include <stdexcept>
#include <string>

// Exit codes of veltrix-render; --help lists them.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,       // out of memory or another fault of the program itself
    kExitUsage = 2,         // bad command line: unknown option, bad or out-of-range value
    kExitInput = 3,         // the base image is missing, unreadable, corrupt or too large
    kExitOutput = 4,        // the output file cannot be written
    kExitPreset = 5,        // a preset cannot be found, read, used or saved
    kExitInterrupted = 130  // Ctrl-C (128 + SIGINT): what was drawn has been written
};

// A failure with a message for the user (without the program name) and the exit code.
class RenderError : public std::runtime_error {
  public:
    RenderError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

  private:
    ExitCode code_;
};
