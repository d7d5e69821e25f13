// An output file that appears under its name only when it is complete: it is written under a
// temporary name in the same folder and renamed at the end.
#pragma once

#include <cstdio>
#include <string>

class AtomicOutputFile {
  public:
    // Creates the temporary file next to target. Throws RenderError (kExitOutput) when the
    // folder cannot take it or target is a folder.
    explicit AtomicOutputFile(const std::string& target);
    // Removes the temporary file unless Commit succeeded.
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    std::FILE* Stream() const { return stream_; }
    const std::string& TemporaryPath() const { return temporary_; }
    const std::string& Target() const { return target_; }

    // Flushes, closes and renames the file onto the target. Throws RenderError (kExitOutput);
    // the temporary file is gone either way.
    void Commit();

  private:
    void Discard();

    std::string target_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    bool committed_ = false;
    int cleanupSlot_ = -1;
};
