// Progress on standard error: reading the base, drawing (fed by the library's progress
// callback, which also passes an interrupt on to the library as a cancel) and writing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressReporter {
  public:
    enum class Mode {
        Bar,    // a bar redrawn in place, at most ten times a second (standard error is a tty)
        Plain,  // nothing while working; the caller prints a final line
        Quiet   // nothing at all
    };

    ProgressReporter(Mode mode, std::FILE* stream) : mode_(mode), stream_(stream) {}

    // Shows done of total in phase ("reading", "drawing", "writing"; a string literal). Returns
    // false once an interrupt has arrived. Main thread only.
    bool Show(const char* phase, int64_t done, int64_t total);

    // The library's ProgressCallback; user is the reporter. Returns 0 once an interrupt has
    // arrived, which cancels the run. Called on the drawing thread only.
    static int Callback(int total, int completed, void* user);

    // Ends the bar's line. Call once after the last phase.
    void Finish();

    int total() const { return total_; }
    int completed() const { return completed_; }

  private:
    void DrawBar(bool force);

    Mode mode_;
    std::FILE* stream_;
    const char* phase_ = "";
    int64_t done_ = 0;
    int64_t of_ = 0;
    int total_ = 0;  // paths
    int completed_ = 0;
    bool shown_ = false;
    bool pending_ = false;
    std::chrono::steady_clock::time_point lastDrawn_{};
};
