// The progress bar and the cancel request.
#include "render/ProgressReporter.h"

#include <cstring>

#include "render/Interrupt.h"

namespace {

constexpr int kBarWidth = 40;
constexpr std::chrono::milliseconds kRedrawInterval(100);

}  // namespace

bool ProgressReporter::Show(const char* phase, int64_t done, int64_t total) {
    phase_ = phase;
    done_ = done;
    of_ = total;
    if (mode_ == Mode::Bar) {
        DrawBar(false);
    }
    return !InterruptRequested();
}

int ProgressReporter::Callback(int total, int completed, void* user) {
    auto* self = static_cast<ProgressReporter*>(user);
    self->total_ = total;
    self->completed_ = completed;
    return self->Show("drawing", completed, total) ? 1 : 0;
}

void ProgressReporter::DrawBar(bool force) {
    const auto now = std::chrono::steady_clock::now();
    // A terminal line redrawn thousands of times a second costs more than the work it shows.
    if (!force && shown_ && now - lastDrawn_ < kRedrawInterval) {
        pending_ = true;
        return;
    }
    if (of_ <= 0) {
        return;
    }
    lastDrawn_ = now;
    shown_ = true;
    pending_ = false;
    const int permille = static_cast<int>(done_ * 1000 / of_);
    const int filled = permille * kBarWidth / 1000;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) {
        bar[i] = i < filled ? '#' : '-';
    }
    bar[kBarWidth] = '\0';
    char paths[48] = "";
    if (std::strcmp(phase_, "drawing") == 0) {
        std::snprintf(paths, sizeof paths, "  %d/%d paths", completed_, total_);
    }
    std::fprintf(stream_, "\r%-8s [%s] %3d%%%-24s", phase_, bar, permille / 10, paths);
    std::fflush(stream_);
}

void ProgressReporter::Finish() {
    if (mode_ == Mode::Bar && shown_) {
        if (pending_) {
            DrawBar(true);
        }
        std::fputc('\n', stream_);
        std::fflush(stream_);
    }
}
