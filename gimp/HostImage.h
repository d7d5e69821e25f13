// Pixels moved between GIMP's drawables and the library's records, in GIMP's perceptual
// formats at the image's precision.
#pragma once

#include <veltrix/veltrix.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class HostPixels {
  public:
    // The library's encoding for an image precision: 8 and 16 bit as they are, half as half,
    // everything wider as float.
    struct Encoding {
        uint8_t depth;     // VELTRIX_DEPTH_*
        int bytes;         // per channel
        const char* babl;  // component type in babl's format names
    };
    static Encoding EncodingOf(int32_t image);

    // The drawable as Y'A or R'G'B'A.
    static HostPixels ReadDrawable(int32_t drawable, bool gray, Encoding encoding);
    // The image's selection over (x, y, width, height) as 8-bit opacity; empty when nothing
    // is selected.
    static std::vector<uint8_t> ReadSelection(int32_t image, int x, int y, int width, int height);
    // Writes width x height pixels of the drawable's size, Y'A or R'G'B'A.
    static void WriteDrawable(int32_t drawable, bool gray, Encoding encoding,
                              const uint8_t* pixels);
    // The context's foreground colour as Y' or R'G'B' in the encoding.
    static void ForegroundColor(bool gray, Encoding encoding, uint8_t* color);
    // 16-bit layers: full coverage (65025) becomes opaque (65535).
    static void RescaleAlpha16(uint8_t* pixels, size_t samples, int channels);

    // The library's record for these pixels.
    MoveEffectImageParam ImageParam() const;

    int32_t width = 0;
    int32_t height = 0;
    bool gray = false;
    Encoding encoding{};
    std::vector<uint8_t> pixels;
};

// Babl's name for a format: "R'G'B'A u8", "Y'A half", ...
const void* BablFormat(bool gray, bool alpha, const HostPixels::Encoding& encoding);
