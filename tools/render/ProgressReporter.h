// Progress of a drawing run on standard error, fed by the library's progress callback, which
// also passes a Ctrl-C on to the library as a cancel.
#pragma once

#include <cstdio>

class ProgressReporter {
  public:
    enum class Mode {
        Bar,    // a bar redrawn in place (standard error is a terminal)
        Plain,  // nothing while drawing; the caller prints a final line
        Quiet   // nothing at all
    };

    ProgressReporter(Mode mode, std::FILE* stream) : mode_(mode), stream_(stream) {}

    // The library's ProgressCallback; user is the reporter. Returns 0 once an interrupt has
    // arrived, which cancels the run. Called on the drawing thread only.
    static int Callback(int total, int completed, void* user);

    // Ends the bar's line. Call once after the run.
    void Finish();

    int total() const { return total_; }
    int completed() const { return completed_; }
    bool cancelled() const { return cancelled_; }

  private:
    void DrawBar();

    Mode mode_;
    std::FILE* stream_;
    int total_ = 0;
    int completed_ = 0;
    int shownPermille_ = -1;
    bool cancelled_ = false;
};
