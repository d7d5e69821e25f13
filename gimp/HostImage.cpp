// GEGL and babl glue.
#include "HostImage.h"

#include <gegl.h>
#include <libgimp/gimp.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr uint8_t kChannelOrder[4] = {0, 1, 2, 3};

const Babl* Format(bool gray, bool alpha, const HostPixels::Encoding& encoding) {
    const std::string name =
        std::string(gray ? "Y'" : "R'G'B'") + (alpha ? "A " : " ") + encoding.babl;
    return babl_format(name.c_str());
}

}  // namespace

const void* BablFormat(bool gray, bool alpha, const HostPixels::Encoding& encoding) {
    return Format(gray, alpha, encoding);
}

HostPixels::Encoding HostPixels::EncodingOf(int32_t image) {
    switch (gimp_image_get_precision(image)) {
        case GIMP_PRECISION_U8_LINEAR:
        case GIMP_PRECISION_U8_GAMMA:
            return {VELTRIX_DEPTH_U8, 1, "u8"};
        case GIMP_PRECISION_U16_LINEAR:
        case GIMP_PRECISION_U16_GAMMA:
            return {VELTRIX_DEPTH_U16, 2, "u16"};
        case GIMP_PRECISION_HALF_LINEAR:
        case GIMP_PRECISION_HALF_GAMMA:
            return {VELTRIX_DEPTH_HALF, 2, "half"};
        default:
            return {VELTRIX_DEPTH_FLOAT, 4, "float"};
    }
}

HostPixels HostPixels::ReadDrawable(int32_t drawable, bool gray, Encoding encoding) {
    HostPixels image;
    image.width = gimp_drawable_width(drawable);
    image.height = gimp_drawable_height(drawable);
    image.gray = gray;
    image.encoding = encoding;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * (gray ? 2 : 4) *
                        encoding.bytes);
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    gegl_buffer_get(buffer, GEGL_RECTANGLE(0, 0, image.width, image.height), 1.0,
                    Format(gray, true, encoding), image.pixels.data(), GEGL_AUTO_ROWSTRIDE,
                    GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    return image;
}

std::vector<uint8_t> HostPixels::ReadSelection(int32_t image, int x, int y, int width, int height) {
    std::vector<uint8_t> mask;
    if (gimp_selection_is_empty(image)) {
        return mask;
    }
    mask.resize(static_cast<size_t>(width) * height);
    GeglBuffer* buffer = gimp_drawable_get_buffer(gimp_image_get_selection(image));
    // Outside the image nothing is selected: the abyss reads as 0.
    gegl_buffer_get(buffer, GEGL_RECTANGLE(x, y, width, height), 1.0, babl_format("Y u8"),
                    mask.data(), width, GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    return mask;
}

void HostPixels::WriteDrawable(int32_t drawable, bool gray, Encoding encoding,
                               const uint8_t* pixels) {
    const int width = gimp_drawable_width(drawable);
    const int height = gimp_drawable_height(drawable);
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    gegl_buffer_set(buffer, GEGL_RECTANGLE(0, 0, width, height), 0, Format(gray, true, encoding),
                    pixels, GEGL_AUTO_ROWSTRIDE);
    g_object_unref(buffer);  // flushes the tiles to GIMP
    gimp_drawable_update(drawable, 0, 0, width, height);
}

void HostPixels::ForegroundColor(bool gray, Encoding encoding, uint8_t* color) {
    GimpRGB foreground;
    gimp_context_get_foreground(&foreground);
    const double rgb[3] = {foreground.r, foreground.g, foreground.b};
    babl_process(babl_fish(babl_format("R'G'B' double"), Format(gray, false, encoding)), rgb, color,
                 1);
}

void HostPixels::RescaleAlpha16(uint8_t* pixels, size_t samples, int channels) {
    auto* values = reinterpret_cast<uint16_t*>(pixels);
    for (size_t i = static_cast<size_t>(channels) - 1; i < samples; i += channels) {
        const uint32_t scaled = (values[i] * 65535u + 65025u / 2) / 65025u;
        values[i] = static_cast<uint16_t>(std::min<uint32_t>(scaled, 65535));
    }
}

MoveEffectImageParam HostPixels::ImageParam() const {
    MoveEffectImageParam image{};
    image.colorMode = gray ? VELTRIX_COLOR_GRAY : VELTRIX_COLOR_RGB;
    image.depth = encoding.depth;
    image.channelOrder = kChannelOrder;
    image.channelCount = gray ? 2 : 4;
    image.width = width;
    image.height = height;
    image.rowBytes = width * (gray ? 2 : 4) * encoding.bytes;
    image.pixels = pixels.empty() ? nullptr : pixels.data();
    return image;
}
