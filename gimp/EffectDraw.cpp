// Reading the drawable through GEGL, one seeded drawing run, and the new layer.
#include <libgimp/gimp.h>
#include <veltrix/veltrix.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "HostImage.h"
#include "PluginValues.h"
#include "hostsupport/HostSettings.h"

namespace {

// The library forms offsets in 32-bit signed arithmetic.
constexpr int64_t kMaxBufferBytes = 0x7fffffff;
constexpr int32_t kMaxSide = 65535;
// Points may lie off the canvas, but not absurdly far.
constexpr int32_t kMaxPointPixels = 1000000;

struct ProgressState {
    double shown = -1.0;
    bool cancelled = false;
};

int OnProgress(int total, int completed, void* user) {
    auto* state = static_cast<ProgressState*>(user);
    const double fraction = total > 0 ? static_cast<double>(completed) / total : 1.0;
    // Each update is a round trip to GIMP: report whole percents only.
    if (fraction - state->shown >= 0.01 || completed == total) {
        state->shown = fraction;
        if (!gimp_progress_update(fraction)) {
            state->cancelled = true;
            return 0;
        }
    }
    return 1;
}

}  // namespace

std::string CheckValues(const PluginValues& values) {
    std::string error = veltrix_host::CheckSettings(values.settings);
    if (!error.empty()) {
        return error;
    }
    for (const auto& point : values.points) {
        if (std::abs(point[0]) > kMaxPointPixels || std::abs(point[1]) > kMaxPointPixels) {
            return "a target point lies too far off the image (at most 1000000 pixels)";
        }
    }
    uint64_t seed;
    if (values.seed[0] != '\0' && !veltrix_host::ParseSeed(values.seed, &seed)) {
        return std::string("seed '") + values.seed + "' is not a number of 1 to 20 digits";
    }
    return std::string();
}

DrawResult DrawIntoNewLayer(int32_t image, int32_t drawable, const PluginValues& values) {
    DrawResult result;
    result.error = CheckValues(values);
    if (!result.error.empty()) {
        return result;
    }
    const HostPixels::Encoding encoding = HostPixels::EncodingOf(image);
    const bool gray = gimp_drawable_is_gray(drawable);
    const int32_t width = gimp_drawable_width(drawable);
    const int32_t height = gimp_drawable_height(drawable);
    const int channels = gray ? 2 : 4;
    if (width > kMaxSide || height > kMaxSide ||
        int64_t{width} * height * channels * encoding.bytes > kMaxBufferBytes) {
        result.error =
            "the layer is too large for the library (at most 65535 pixels a side and "
            "2 GiB of pixels)";
        return result;
    }
    gint offsetX = 0;
    gint offsetY = 0;
    gimp_drawable_offsets(drawable, &offsetX, &offsetY);

    HostPixels base = HostPixels::ReadDrawable(drawable, gray, encoding);
    std::vector<uint8_t> mask = HostPixels::ReadSelection(image, offsetX, offsetY, width, height);
    std::vector<uint8_t> layer(static_cast<size_t>(width) * height * channels * encoding.bytes);

    veltrix_host::DrawingSettings drawing =
        veltrix_host::ToDrawingSettings(values.settings, width, height);
    TargetPoint* targets[3] = {&drawing.target.p1, &drawing.target.p2, &drawing.target.p3};
    for (int i = 0; i < 3; ++i) {
        *targets[i] = {values.points[i][0] - offsetX, values.points[i][1] - offsetY};
    }

    MoveEffectImageParam imageParam = base.ImageParam();
    if (!mask.empty()) {
        imageParam.maskDepth = VELTRIX_DEPTH_U8;
        imageParam.maskRowBytes = width;
        imageParam.mask = mask.data();
    }
    uint8_t color[16];
    HostPixels::ForegroundColor(gray, encoding, color);
    MoveEffectCanvasParam canvas{};
    canvas.colorMode = gray ? VELTRIX_COLOR_GRAY : VELTRIX_COLOR_RGB;
    canvas.depth = encoding.depth;
    canvas.color = color;
    canvas.pixels = layer.data();
    canvas.rowBytes = width * channels * encoding.bytes;

    VeltrixDrawOptions options{};
    options.structSize = sizeof options;
    options.flags = VELTRIX_OPTION_SEED;
    uint64_t seed = 0;
    if (!veltrix_host::ParseSeed(values.seed, &seed)) {
        seed = (uint64_t{std::random_device()()} << 32) | std::random_device()();
    }
    options.seed = seed;

    gimp_progress_init("Drawing effect lines");
    ProgressState progress;
    DrawEffectWithOptions(&drawing.param, &drawing.target, drawing.guide.c_str(), &imageParam,
                          &canvas, OnProgress, &progress, &options);
    if (progress.cancelled) {
        // Cancelled: the image stays as it was.
        result.cancelled = true;
        result.error = "cancelled";
        return result;
    }
    if (encoding.depth == VELTRIX_DEPTH_U16) {
        HostPixels::RescaleAlpha16(layer.data(), layer.size() / 2, channels);
    }

    gimp_image_undo_group_start(image);
    const gint32 id =
        gimp_layer_new(image, "Effect lines", width, height,
                       gray ? GIMP_GRAYA_IMAGE : GIMP_RGBA_IMAGE, 100.0, GIMP_LAYER_MODE_NORMAL);
    gimp_layer_set_offsets(id, offsetX, offsetY);
    gint32 parent = -1;
    gint position = 0;
    if (gimp_item_is_layer(drawable)) {
        parent = gimp_item_get_parent(drawable);
        position = gimp_image_get_item_position(image, drawable);
    }
    gimp_image_insert_layer(image, id, parent > 0 ? parent : -1, position);
    HostPixels::WriteDrawable(id, gray, encoding, layer.data());
    gimp_image_undo_group_end(image);
    gimp_progress_update(1.0);
    result.layer = id;
    return result;
}
