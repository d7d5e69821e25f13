// BaseImageSampler: the host's base image, read as darkness times opacity at a pixel.
#pragma once

#include <cmath>
#include <cstdint>

#include <veltrix/veltrix.h>

/// The base image as a run keeps it: the host's pixels are used in place, not owned.
struct BaseImage {
    int8_t colorMode = 0;
    uint8_t depth = 0;
    uint8_t channelOrder[5] = {0, 0, 0, 0, 0};
    const uint8_t* pixels = nullptr;  ///< null: no base image
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;
    int32_t bytesPerPixel = 0;
    bool invertGray = false;
    uint8_t maskDepth = 0;
    int32_t maskRowBytes = 0;
    const uint8_t* mask = nullptr;
};

/// Reads the base image of one run. Set on the calling thread before the run; afterwards
/// read-only, so any worker may sample it. The host's pixels must outlive the run.
class BaseImageSampler {
  public:
    /// Records the host's image: a copy of its description with channel indices past the
    /// pixel's channels read as 0. False, and nothing changes, for a null image or pixels or a
    /// negative size.
    bool Set(const MoveEffectImageParam* image);

    const BaseImage& Image() const { return image; }
    bool HasImage() const { return image.pixels != nullptr; }

    /// Darkness times opacity at a point (truncated to a pixel), 0..255, or -1 outside the
    /// canvas or without an image.
    int GetPixelDepth(const PathPoint& point) const;
    int GetPixelDepth(int x, int y) const;
    /// The pixel (x, y) holding `point`, its coordinates truncated; false off the image (NaN
    /// and coordinates beyond int32 included).
    bool PixelOf(const PathPoint& point, int32_t& x, int32_t& y) const {
        // Truncate in double first: NaN and coordinates beyond int32 are simply outside.
        const double fx = std::trunc(point.x);
        const double fy = std::trunc(point.y);
        if (!(fx >= 0.0 && fx < image.width && fy >= 0.0 && fy < image.height)) {
            return false;
        }
        x = static_cast<int32_t>(fx);
        y = static_cast<int32_t>(fy);
        return true;
    }

    /// Channel `index` of a pixel in the encoding `depth`, as 0..1 for the integer encodings;
    /// 0 for an unknown encoding.
    static float GetChannelAsFloat(const uint8_t* pixel, int index, int depth);
    /// Channels of a pixel in an image's colour mode (alpha included).
    static int ChannelsOf(int colorMode);
    /// Bytes of one channel in the encoding `depth`.
    static int ChannelWidthOf(int depth);

  private:
    BaseImage image;
};
