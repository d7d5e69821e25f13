// An output file that appears under its name only when it is complete: it is written under a
// temporary name in the folder of the file it replaces and renamed at the end. "-" names
// standard output, which is written directly.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

class AtomicOutputFile {
  public:
    // Follows symbolic links to the file they name and creates the temporary file next to it.
    // Throws RenderError (kExitOutput), touching nothing, when the target is a folder, a device,
    // a FIFO or a socket, when "-" is a terminal, or when the folder cannot take the file.
    explicit AtomicOutputFile(const std::string& target);
    // Removes the temporary file unless Commit succeeded.
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    std::FILE* Stream() const { return stream_; }
    // The name for messages: the name given, or "standard output".
    const std::string& DisplayName() const { return display_; }

    // Flushes, closes and renames the file onto the target, which keeps its permission bits.
    // Throws RenderError (kExitOutput); the temporary file is gone either way.
    void Commit();

  private:
    void Discard();

    std::string display_;
    std::string target_;  // the file replaced: symbolic links resolved
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    bool standardOutput_ = false;
    bool committed_ = false;
    int cleanupSlot_ = -1;
};

// Whether path names standard output.
inline bool IsStandardOutput(const std::string& path) {
    return path == "-";
}
