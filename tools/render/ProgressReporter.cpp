// The progress bar and the cancel request.
#include "render/ProgressReporter.h"

#include "render/Interrupt.h"

namespace {

constexpr int kBarWidth = 40;

}  // namespace

int ProgressReporter::Callback(int total, int completed, void* user) {
    auto* self = static_cast<ProgressReporter*>(user);
    self->total_ = total;
    self->completed_ = completed;
    if (self->mode_ == Mode::Bar) {
        self->DrawBar();
    }
    if (InterruptRequested()) {
        self->cancelled_ = true;
        return 0;
    }
    return 1;
}

void ProgressReporter::DrawBar() {
    if (total_ <= 0) {
        return;
    }
    const int permille = static_cast<int>(static_cast<long long>(completed_) * 1000 / total_);
    // Redraw only when the shown figure changes: thousands of paths, one line of terminal.
    if (permille == shownPermille_) {
        return;
    }
    shownPermille_ = permille;
    const int filled = permille * kBarWidth / 1000;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) {
        bar[i] = i < filled ? '#' : '-';
    }
    bar[kBarWidth] = '\0';
    std::fprintf(stream_, "\rdrawing [%s] %3d%%  %d/%d paths", bar, permille / 10, completed_,
                 total_);
    std::fflush(stream_);
}

void ProgressReporter::Finish() {
    if (mode_ == Mode::Bar && shownPermille_ >= 0) {
        std::fputc('\n', stream_);
        std::fflush(stream_);
    }
}
