// Base image marks: a bit per pixel for the scans, computed a band of rows at a time.
#include "filter/raster/BaseImageMarks.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int kWordBits = 64;

// Packs 64 flags of 0 or 1 into a word, flag i at bit i. Each multiply gathers eight bytes'
// low bits into its top byte: byte i lands on bit 56 + i and no partial products overlap.
uint64_t PackFlags(const uint8_t (&flags)[kWordBits]) {
    uint64_t word = 0;
    for (int k = 0; k < 8; ++k) {
        uint64_t eight;
        std::memcpy(&eight, flags + 8 * k, sizeof eight);
        word |= ((eight * 0x0102040810204080ULL) >> 56) << (8 * k);
    }
    return word;
}

// The mark of an 8-bit RGB pixel with alpha, as the sampler's depth decides it. 16-bit lanes
// suffice: the weighted sum stays below 256 * 255 and alpha times darkness below 255 * 255.
inline uint8_t MarkRgb8(uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    const auto sum = static_cast<uint16_t>(77 * r + 150 * g + 29 * b);
    const auto dark = static_cast<uint16_t>(255 - (sum >> 8));
    // Opaque: the darkness itself; otherwise (alpha * darkness) >> 8, which exceeds the mark
    // from 129 * 256 on (darkness 0 and alpha 0 give 0).
    const auto scaled = static_cast<uint16_t>(a * dark);
    return a == 255 ? dark > BaseImageMarks::kMarkedAbove : scaled >= 129 * 256;
}

// Up to 64 pixels of a row whose channel offsets are constants here, so the loads vectorise.
template <int kR, int kG, int kB, int kA>
void FlagsFixedOrder(const uint8_t* pixels, int count, uint8_t* flags) {
    for (int i = 0; i < count; ++i) {
        const uint8_t* p = pixels + 4 * i;
        flags[i] = MarkRgb8(p[kR], p[kG], p[kB], p[kA]);
    }
}

// The same for any channel order: the channels are split out first, then marked.
void FlagsAnyOrder(const uint8_t* pixels, int count, const uint8_t* order, uint8_t* flags) {
    uint16_t channel[4][kWordBits];
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < count; ++i) {
            channel[c][i] = pixels[4 * i + order[c]];
        }
    }
    for (int i = 0; i < count; ++i) {
        flags[i] = MarkRgb8(channel[0][i], channel[1][i], channel[2][i], channel[3][i]);
    }
}

}  // namespace

void BaseImageMarks::Reset(const BaseImageSampler& source, double samples) {
    sampler = &source;
    const BaseImage& image = source.Image();
    width = image.pixels != nullptr ? image.width : 0;
    height = image.pixels != nullptr ? image.height : 0;
    rgb8 = image.depth == VELTRIX_DEPTH_U8 && image.colorMode == VELTRIX_COLOR_RGB &&
           image.bytesPerPixel == 4 && image.mask == nullptr;
    wordsPerRow = (static_cast<int64_t>(width) + kWordBits - 1) / kWordBits;
    bands.reset();
    bits.reset();
    const double pixels = static_cast<double>(width) * height;
    if (pixels == 0.0 || !(samples * kPixelsPerSample >= pixels)) {
        return;
    }
    const int64_t bandCount = (static_cast<int64_t>(height) + kBandRows - 1) / kBandRows;
    // malloc, not new[]: a band's words are written when it is built, by the worker that first
    // reaches it, so the pages of bands no scan reaches are never touched.
    bits.reset(static_cast<uint64_t*>(
        std::malloc(static_cast<size_t>(wordsPerRow * height) * sizeof(uint64_t))));
    if (bits != nullptr) {
        bands.reset(new (std::nothrow) std::atomic<uint8_t>[static_cast<size_t>(bandCount)]());
    }
}

bool BaseImageMarks::IsMarked(const PathPoint& point) {
    int32_t x = 0;
    int32_t y = 0;
    if (sampler == nullptr || !sampler->PixelOf(point, x, y)) {
        return false;
    }
    if (bands == nullptr) {
        return Sample(x, y);
    }
    std::atomic<uint8_t>& band = bands[static_cast<size_t>(y / kBandRows)];
    uint8_t state = band.load(std::memory_order_acquire);
    if (state == kUnbuilt &&
        band.compare_exchange_strong(state, kBuilding, std::memory_order_relaxed)) {
        BuildBand(y / kBandRows);
        band.store(kBuilt, std::memory_order_release);
        state = kBuilt;
    }
    if (state != kBuilt) {
        return Sample(x, y);  // another worker is building the band
    }
    const uint64_t word = bits[static_cast<size_t>(y * wordsPerRow + x / kWordBits)];
    return (word >> (x % kWordBits) & 1) != 0;
}

void BaseImageMarks::BuildBand(int32_t band) {
    const int32_t y0 = band * kBandRows;
    const int32_t y1 = std::min(y0 + kBandRows, height);
    for (int32_t y = y0; y < y1; ++y) {
        uint64_t* words = bits.get() + static_cast<int64_t>(y) * wordsPerRow;
        if (rgb8) {
            BuildRowRgb8(y, words);
        } else {
            BuildRowAnyFormat(y, words);
        }
    }
}

void BaseImageMarks::BuildRowRgb8(int32_t y, uint64_t* words) const {
    const BaseImage& image = sampler->Image();
    const uint8_t* row = image.pixels + static_cast<int64_t>(y) * image.rowBytes;
    const uint8_t* order = image.channelOrder;
    const bool rgba = order[0] == 0 && order[1] == 1 && order[2] == 2 && order[3] == 3;
    const bool bgra = order[0] == 2 && order[1] == 1 && order[2] == 0 && order[3] == 3;
    for (int64_t word = 0; word < wordsPerRow; ++word) {
        const int64_t x0 = word * kWordBits;
        const int count = static_cast<int>(std::min<int64_t>(kWordBits, width - x0));
        const uint8_t* pixels = row + x0 * 4;
        uint8_t flags[kWordBits] = {};
        if (rgba) {
            FlagsFixedOrder<0, 1, 2, 3>(pixels, count, flags);
        } else if (bgra) {
            FlagsFixedOrder<2, 1, 0, 3>(pixels, count, flags);
        } else {
            FlagsAnyOrder(pixels, count, order, flags);
        }
        words[word] = PackFlags(flags);
    }
}

void BaseImageMarks::BuildRowAnyFormat(int32_t y, uint64_t* words) const {
    for (int64_t word = 0; word < wordsPerRow; ++word) {
        const auto x0 = static_cast<int32_t>(word * kWordBits);
        const int count = static_cast<int>(std::min<int64_t>(kWordBits, width - x0));
        uint8_t flags[kWordBits] = {};
        for (int i = 0; i < count; ++i) {
            flags[i] = Sample(x0 + i, y) ? 1 : 0;
        }
        words[word] = PackFlags(flags);
    }
}
