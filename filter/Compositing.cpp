// Compositing: the stroke buffer becomes the host's colour with coverage as alpha.
#include <cstdlib>
#include <cstring>

#include "filter/MoveEffectFilter.h"

void MoveEffectFilter::DrawToCanvas(int colorMode, int depth, const uint8_t* color, uint8_t* pixels,
                                    int rowBytes) {
    if (pixels == nullptr || !strokeBuffer) {
        return;
    }
    int channels = 2;
    int colorChannels = 1;
    switch (colorMode) {
        case 0:
            channels = 4;
            colorChannels = 3;
            break;
        case 2:
            channels = 5;
            colorChannels = 4;
            break;
        case 3:
            channels = 1;
            colorChannels = 0;
            break;
        default:
            break;
    }
    int channelWidth = 1;
    if (depth == VELTRIX_DEPTH_U16 || depth == VELTRIX_DEPTH_HALF) {
        channelWidth = 2;
    } else if (depth == VELTRIX_DEPTH_FLOAT) {
        channelWidth = 4;
    }
    const int64_t pixelSize = static_cast<int64_t>(channels) * channelWidth;
    const int64_t width = baseImage.width;
    const int64_t height = baseImage.height;
    // Rows are addressed as rowBytes apart and each spans |rowBytes| bytes from its start, so
    // bottom-up layers (negative rowBytes) are cleared and written in their own rows. Rows
    // narrower than the canvas would spill into the next row or past the last: no output.
    const int64_t rowSpan = std::llabs(static_cast<int64_t>(rowBytes));
    if (rowSpan < width * pixelSize) {
        return;
    }
    for (int64_t y = 0; y < height; ++y) {
        std::memset(pixels + y * rowBytes, 0, static_cast<size_t>(rowSpan));
    }
    if (depth < VELTRIX_DEPTH_U8 || depth > VELTRIX_DEPTH_FLOAT) {
        return;
    }

    const size_t colorBytes = static_cast<size_t>(colorChannels) * channelWidth;
    const int32_t x0 = minX.load(std::memory_order_relaxed);
    const int32_t x1 = maxX.load(std::memory_order_relaxed);
    const int32_t y0 = minY.load(std::memory_order_relaxed);
    const int32_t y1 = maxY.load(std::memory_order_relaxed);
    for (int64_t y = y0; y < y1; ++y) {
        const std::atomic<uint8_t>* coverageRow = strokeBuffer.get() + y * width;
        uint8_t* row = pixels + y * rowBytes;
        for (int64_t x = x0; x < x1; ++x) {
            const uint8_t c = coverageRow[x].load(std::memory_order_relaxed);
            uint8_t* pixel = row + x * pixelSize;
            // A null colour is all zeros, which the clearing already wrote.
            if (color != nullptr) {
                std::memcpy(pixel, color, colorBytes);
            }
            uint8_t* alpha = pixel + colorBytes;
            // Wider elements go through memcpy: odd row bytes leave them misaligned.
            switch (depth) {
                case VELTRIX_DEPTH_U8:
                    *alpha = c;
                    break;
                case VELTRIX_DEPTH_U16: {
                    // Full coverage is 255 * 255 = 65025, not 65535.
                    const auto value = static_cast<uint16_t>(c * 255);
                    std::memcpy(alpha, &value, sizeof value);
                    break;
                }
                case VELTRIX_DEPTH_HALF: {
                    const uint16_t value = Float32To16(static_cast<float>(c) / 255.0f);
                    std::memcpy(alpha, &value, sizeof value);
                    break;
                }
                default: {
                    const float value = static_cast<float>(c) / 255.0f;
                    std::memcpy(alpha, &value, sizeof value);
                    break;
                }
            }
        }
    }
}
