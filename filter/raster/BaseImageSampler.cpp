// Sampling the base image: how dark and how opaque it is at a pixel.
#include "filter/raster/BaseImageSampler.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "filter/raster/HalfFloat.h"

namespace {

// Truncates toward zero; NaN counts as 0 and values beyond int32 saturate, so float channels
// that are NaN, infinite or huge convert safely. Values in range are unchanged.
int32_t TruncateSaturated(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0f) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < -2147483648.0f) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// Element reads go through memcpy: odd row bytes leave wider elements misaligned.
uint16_t LoadU16(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

float LoadF32(const uint8_t* at) {
    float value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

float BaseImageSampler::GetChannelAsFloat(const uint8_t* pixel, int index, int depth) {
    const auto offset = static_cast<ptrdiff_t>(index);
    switch (depth) {
        case VELTRIX_DEPTH_U8:
            return static_cast<float>(pixel[offset]) / 255.0f;
        case VELTRIX_DEPTH_U16:
            return static_cast<float>(LoadU16(pixel + offset * 2)) / 65535.0f;
        case VELTRIX_DEPTH_HALF:
            return Float16To32(LoadU16(pixel + offset * 2));
        case VELTRIX_DEPTH_FLOAT:
            return LoadF32(pixel + offset * 4);
        default:
            return 0.0f;
    }
}

int BaseImageSampler::GetPixelDepth(const PathPoint& point) const {
    int32_t x = 0;
    int32_t y = 0;
    return PixelOf(point, x, y) ? GetPixelDepth(x, y) : -1;
}

int BaseImageSampler::GetPixelDepth(int x, int y) const {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height || image.pixels == nullptr) {
        return -1;
    }
    const uint8_t* pixel = image.pixels + static_cast<int64_t>(y) * image.rowBytes +
                           static_cast<int64_t>(x) * image.bytesPerPixel;
    const uint8_t* order = image.channelOrder;
    const uint8_t* mask = image.mask == nullptr
                              ? nullptr
                              : image.mask + static_cast<int64_t>(y) * image.maskRowBytes + x;

    int32_t alpha = 0;
    int32_t darkness = 0;
    if (image.depth == VELTRIX_DEPTH_U8) {
        int32_t lightness = 255;
        switch (image.colorMode) {
            case VELTRIX_COLOR_RGB:
                lightness =
                    (77 * pixel[order[0]] + 150 * pixel[order[1]] + 29 * pixel[order[2]]) >> 8;
                alpha = pixel[order[3]];
                break;
            case VELTRIX_COLOR_GRAY:
                lightness = image.invertGray ? 255 - pixel[order[0]] : pixel[order[0]];
                alpha = pixel[order[1]];
                break;
            case VELTRIX_COLOR_CMYK: {
                const int32_t k = 255 - pixel[order[3]];
                const int32_t r = (255 - pixel[order[0]]) * k / 255;
                const int32_t g = (255 - pixel[order[1]]) * k / 255;
                const int32_t b = (255 - pixel[order[2]]) * k / 255;
                lightness = (77 * r + 150 * g + 29 * b) >> 8;
                alpha = pixel[order[4]];
                break;
            }
            default:
                alpha = pixel[0];
                break;
        }
        if (mask != nullptr) {
            // The mask is read as one byte whatever its declared depth.
            alpha = (*mask * alpha + 127) / 255;
        }
        darkness = 255 - lightness;
    } else {
        const int depth = image.depth;
        const auto channel = [&](int logical) {
            return GetChannelAsFloat(pixel, order[logical], depth);
        };
        float lightness = 1.0f;
        float a = 0.0f;
        switch (image.colorMode) {
            case VELTRIX_COLOR_RGB:
                lightness = 0.299f * channel(0) + 0.587f * channel(1) + 0.114f * channel(2);
                a = channel(3);
                break;
            case VELTRIX_COLOR_GRAY:
                lightness = image.invertGray ? 1.0f - channel(0) : channel(0);
                a = channel(1);
                break;
            case VELTRIX_COLOR_CMYK: {
                const float k = 1.0f - channel(3);
                lightness = 0.299f * (1.0f - channel(0)) * k + 0.587f * (1.0f - channel(1)) * k +
                            0.114f * (1.0f - channel(2)) * k;
                a = channel(4);
                break;
            }
            default:
                a = GetChannelAsFloat(pixel, 0, depth);
                break;
        }
        if (mask != nullptr) {
            const float m = GetChannelAsFloat(mask, 0, image.maskDepth);
            alpha = TruncateSaturated(a * 255.0f * m + 0.5f);
        } else {
            alpha = TruncateSaturated(a * 255.0f);
        }
        darkness = TruncateSaturated((1.0f - lightness) * 255.0f);
    }

    // Opaque pixels give their darkness unchanged (float images may leave 0..255 here).
    if (alpha > 254) {
        return darkness;
    }
    if (darkness == 0 || alpha < 1) {
        return 0;
    }
    const int64_t scaled = static_cast<int64_t>(alpha) * darkness;
    if (scaled <= 0) {
        return 0;
    }
    return static_cast<int>(scaled >> 8 > 255 ? 255 : scaled >> 8);
}

int BaseImageSampler::ChannelsOf(int colorMode) {
    switch (colorMode) {
        case VELTRIX_COLOR_RGB:
            return 4;
        case VELTRIX_COLOR_GRAY:
            return 2;
        case VELTRIX_COLOR_CMYK:
            return 5;
        default:
            return 1;
    }
}

int BaseImageSampler::ChannelWidthOf(int depth) {
    switch (depth) {
        case VELTRIX_DEPTH_U16:
        case VELTRIX_DEPTH_HALF:
            return 2;
        case VELTRIX_DEPTH_FLOAT:
            return 4;
        default:
            return 1;
    }
}

bool BaseImageSampler::Set(const MoveEffectImageParam* source) {
    // A negative size counts as no base image, like a null pixel pointer.
    if (source == nullptr || source->pixels == nullptr || source->width < 0 || source->height < 0) {
        return false;
    }
    BaseImage next;
    next.colorMode = source->colorMode;
    next.depth = source->depth;
    next.invertGray = source->invertGray != 0;
    next.pixels = static_cast<const uint8_t*>(source->pixels);
    next.width = source->width;
    next.height = source->height;
    next.rowBytes = source->rowBytes;
    const int count =
        source->channelCount < 0 ? 0 : (source->channelCount > 5 ? 5 : source->channelCount);
    const int channels = ChannelsOf(next.colorMode);
    for (int i = 0; i < count && source->channelOrder != nullptr; ++i) {
        // An index past the pixel's channels would read outside the pixel: it counts as 0.
        const uint8_t index = source->channelOrder[i];
        next.channelOrder[i] = index < channels ? index : 0;
    }
    next.bytesPerPixel = channels * ChannelWidthOf(next.depth);
    next.maskDepth = source->maskDepth;
    next.maskRowBytes = source->maskRowBytes;
    next.mask = static_cast<const uint8_t*>(source->mask);
    image = next;
    return true;
}
