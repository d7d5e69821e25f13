// BaseImageMarks: which base pixels carry lines, one bit each, built band by band on demand.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include <veltrix/veltrix.h>

#include "filter/raster/BaseImageSampler.h"

/// A scan reads the base image one step at a time along its path. Where paths run across rows,
/// each step lands on a new row of the host's image, so nearly every read misses the caches
/// and the TLB, some 50 ns. When a run's scans sample densely enough, each band of rows is
/// instead marked in one sequential pass the first time a scan reaches it (about a nanosecond
/// a pixel), and the scans read a bit per pixel. The answers are the sampler's, bit for bit;
/// only their cost changes.
class BaseImageMarks {
  public:
    /// A pixel is marked when its depth (BaseImageSampler::GetPixelDepth) exceeds this.
    static constexpr int kMarkedAbove = 128;
    /// Rows per band.
    static constexpr int32_t kBandRows = 16;
    /// Bands are built when the run expects at least one sample per this many pixels.
    static constexpr double kPixelsPerSample = 16.0;

    /// Starts a run over `sampler`'s image, which must outlive the run, expecting about
    /// `samples` scan samples in all: every band unbuilt, or no bands when too few samples are
    /// expected or their memory is not to be had (every answer then comes from the sampler).
    /// Called on the calling thread before the run.
    void Reset(const BaseImageSampler& sampler, double samples);

    /// Whether the pixel holding `point` (truncated) is marked; false off the image and without
    /// one. Thread-safe: the first worker to reach a band builds it while others sample.
    bool IsMarked(const PathPoint& point);

    /// Asks the caches for the pixel holding `point`, which a scan will soon sample; nothing
    /// off the image or where the run reads bits. Inlined by force: GCC takes a function that
    /// only prefetches for one without effect and drops its calls.
    __attribute__((always_inline)) void Prefetch(const PathPoint& point) const {
        if (bands != nullptr ||
            !(point.x >= 0.0 && point.x < width && point.y >= 0.0 && point.y < height)) {
            return;
        }
        const BaseImage& image = sampler->Image();
        __builtin_prefetch(image.pixels + static_cast<int64_t>(point.y) * image.rowBytes +
                           static_cast<int64_t>(point.x) * image.bytesPerPixel);
    }

    /// Whether the run builds bands (for checks; the answers are the same either way).
    bool HasBands() const { return bands != nullptr; }

  private:
    enum : uint8_t { kUnbuilt, kBuilding, kBuilt };

    bool Sample(int32_t x, int32_t y) const { return sampler->GetPixelDepth(x, y) > kMarkedAbove; }
    void BuildBand(int32_t band);
    void BuildRowRgb8(int32_t y, uint64_t* words) const;
    void BuildRowAnyFormat(int32_t y, uint64_t* words) const;

    struct FreeWords {
        void operator()(uint64_t* words) const { std::free(words); }
    };

    const BaseImageSampler* sampler = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t wordsPerRow = 0;
    bool rgb8 = false;
    std::unique_ptr<std::atomic<uint8_t>[]> bands;
    /// Bit x % 64 of word y * wordsPerRow + x / 64: pixel (x, y). Written by the band's
    /// builder before it publishes the band as built; unset before.
    std::unique_ptr<uint64_t[], FreeWords> bits;
};
