// An image in memory as veltrix-render passes it around: gray+alpha or RGBA, 8 or 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Pixels are packed rows of interleaved channels; 16-bit samples are in host byte order.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 4;  // 2 gray+alpha, 4 RGBA
    int bitDepth = 8;  // 8 or 16
    std::vector<uint8_t> pixels;

    size_t BytesPerSample() const { return bitDepth == 16 ? 2 : 1; }
    size_t RowBytes() const { return static_cast<size_t>(width) * channels * BytesPerSample(); }
    // Largest sample value: 255 or 65535.
    uint32_t MaxValue() const { return bitDepth == 16 ? 65535u : 255u; }

    uint32_t Sample(int32_t x, int32_t y, int channel) const;
    void SetSample(int32_t x, int32_t y, int channel, uint32_t value);
    // Allocates zeroed pixels; the caller has checked the size with CheckImageSize.
    void Allocate(int32_t w, int32_t h, int channelCount, int depth);
};

// The largest canvas side and the largest buffer, in bytes, that the library can address:
// it forms offsets in 32-bit signed arithmetic.
constexpr int32_t kMaxImageSide = 65535;
constexpr uint64_t kMaxBufferBytes = 0x7fffffffu;

// Whether a w x h image of bytesPerPixel bytes fits those limits.
bool ImageSizeFits(int64_t w, int64_t h, int64_t bytesPerPixel);
