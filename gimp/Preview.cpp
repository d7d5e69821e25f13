// The preview draws the same records as the real run with every length scaled.
#include "Preview.h"

#include <gegl.h>
#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "HostImage.h"
#include "hostsupport/HostSettings.h"

namespace {

// The preview's longer side at most, in screen pixels.
constexpr int kPreviewSide = 480;
constexpr uint8_t kChannelOrder[4] = {0, 1, 2, 3};

}  // namespace

Preview::Preview(int32_t image, int32_t drawable) {
    const int width = gimp_drawable_width(drawable);
    const int height = gimp_drawable_height(drawable);
    gimp_drawable_offsets(drawable, &offsetX_, &offsetY_);
    scale_ = std::min(1.0, static_cast<double>(kPreviewSide) / std::max(width, height));
    width_ = std::max(1, static_cast<int>(width * scale_));
    height_ = std::max(1, static_cast<int>(height * scale_));
    base_.resize(static_cast<size_t>(width_) * height_ * 4);
    layer_.resize(base_.size());
    shown_.resize(base_.size());
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    gegl_buffer_get(buffer, GEGL_RECTANGLE(0, 0, width_, height_), scale_,
                    babl_format("R'G'B'A u8"), base_.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    if (!gimp_selection_is_empty(image)) {
        mask_.resize(static_cast<size_t>(width_) * height_);
        GeglBuffer* selection = gimp_drawable_get_buffer(gimp_image_get_selection(image));
        gegl_buffer_get(
            selection,
            GEGL_RECTANGLE(static_cast<int>(std::lround(offsetX_ * scale_)),
                           static_cast<int>(std::lround(offsetY_ * scale_)), width_, height_),
            scale_, babl_format("Y u8"), mask_.data(), width_, GEGL_ABYSS_NONE);
        g_object_unref(selection);
    }
    box_ = gtk_vbox_new(FALSE, 4);
    area_ = gimp_preview_area_new();
    gtk_widget_set_size_request(area_, width_, height_);
    gtk_box_pack_start(GTK_BOX(box_), area_, FALSE, FALSE, 0);
    label_ = gtk_label_new("");
    gtk_box_pack_start(GTK_BOX(box_), label_, FALSE, FALSE, 0);
}

void Preview::Draw(const PluginValues& values) {
    const gint64 start = g_get_monotonic_time();
    if (!CheckValues(values).empty()) {
        gtk_label_set_text(GTK_LABEL(label_), "(settings out of range)");
        return;
    }
    veltrix_host::DrawingSettings drawing =
        veltrix_host::ToDrawingSettings(values.settings, width_, height_);
    MoveEffectParam& p = drawing.param;
    const double s = scale_;
    // A pen thinner than a pixel would vanish from the preview.
    p.size = std::max(p.size * s, std::min(p.size, 1.0));
    p.position = static_cast<int32_t>(std::lround(p.position * s));
    p.length = static_cast<int32_t>(std::lround(p.length * s));
    p.spcgain *= s;
    if (p.type != VELTRIX_TYPE_RADIATE) {
        // Radiate counts its spacing as an angle, which a smaller picture keeps.
        p.spacing = std::max(1, static_cast<int32_t>(std::lround(p.spacing * s)));
    }
    if (p.asdist) {
        p.in *= s;
        p.out *= s;
    }
    TargetPoint* targets[3] = {&drawing.target.p1, &drawing.target.p2, &drawing.target.p3};
    for (int i = 0; i < 3; ++i) {
        *targets[i] = {static_cast<int32_t>(std::lround((values.points[i][0] - offsetX_) * s)),
                       static_cast<int32_t>(std::lround((values.points[i][1] - offsetY_) * s))};
    }

    MoveEffectImageParam image{};
    image.colorMode = VELTRIX_COLOR_RGB;
    image.depth = VELTRIX_DEPTH_U8;
    image.channelOrder = kChannelOrder;
    image.channelCount = 4;
    image.width = width_;
    image.height = height_;
    image.rowBytes = width_ * 4;
    image.pixels = base_.data();
    if (!mask_.empty()) {
        image.maskDepth = VELTRIX_DEPTH_U8;
        image.maskRowBytes = width_;
        image.mask = mask_.data();
    }
    uint8_t color[4];
    HostPixels::ForegroundColor(false, {VELTRIX_DEPTH_U8, 1, "u8"}, color);
    MoveEffectCanvasParam canvas{};
    canvas.colorMode = VELTRIX_COLOR_RGB;
    canvas.depth = VELTRIX_DEPTH_U8;
    canvas.color = color;
    canvas.pixels = layer_.data();
    canvas.rowBytes = width_ * 4;
    VeltrixDrawOptions options{};
    options.structSize = sizeof options;
    options.flags = VELTRIX_OPTION_SEED;
    options.seed = 1;
    veltrix_host::ParseSeed(values.seed, &options.seed);
    DrawEffectWithOptions(&p, &drawing.target, drawing.guide.c_str(), &image, &canvas, nullptr,
                          nullptr, &options);

    // The lines over the base, straight alpha.
    for (size_t i = 0; i < shown_.size(); i += 4) {
        const double as = layer_[i + 3] / 255.0;
        const double ad = base_[i + 3] / 255.0;
        const double ao = as + ad * (1.0 - as);
        for (int c = 0; c < 3; ++c) {
            const double v = ao > 0 ? (layer_[i + c] * as + base_[i + c] * ad * (1 - as)) / ao : 0;
            shown_[i + c] = static_cast<uint8_t>(std::lround(v));
        }
        shown_[i + 3] = static_cast<uint8_t>(std::lround(ao * 255));
    }
    gimp_preview_area_draw(GIMP_PREVIEW_AREA(area_), 0, 0, width_, height_, GIMP_RGBA_IMAGE,
                           shown_.data(), width_ * 4);
    char text[96];
    std::snprintf(text, sizeof text, "Preview at %d %%, drawn in %d ms",
                  static_cast<int>(std::lround(s * 100)),
                  static_cast<int>((g_get_monotonic_time() - start) / 1000));
    gtk_label_set_text(GTK_LABEL(label_), text);
}
