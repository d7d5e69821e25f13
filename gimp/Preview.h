// The dialog's preview: the effect over the drawable, drawn by the library at a reduced scale
// so that a change shows within a fraction of a second on large images.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

#include "PluginValues.h"

class Preview {
  public:
    Preview(int32_t image, int32_t drawable);
    GtkWidget* Widget() const { return box_; }
    // Draws the values' effect over the scaled drawable.
    void Draw(const PluginValues& values);

  private:
    double scale_;
    int width_;
    int height_;
    int offsetX_;
    int offsetY_;
    std::vector<uint8_t> base_;  // R'G'B'A u8 at the preview scale
    std::vector<uint8_t> mask_;  // the selection at the preview scale, or empty
    std::vector<uint8_t> layer_;
    std::vector<uint8_t> shown_;
    GtkWidget* box_;
    GtkWidget* area_;
    GtkWidget* label_;
};
