// Sample access and size checks of the in-memory image.
#include "render/Image.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

namespace {

size_t SampleOffset(const Image& image, int32_t x, int32_t y, int channel) {
    return static_cast<size_t>(y) * image.RowBytes() +
           (static_cast<size_t>(x) * image.channels + channel) * image.BytesPerSample();
}

}  // namespace

uint32_t Image::Sample(int32_t x, int32_t y, int channel) const {
    const uint8_t* p = pixels.data() + SampleOffset(*this, x, y, channel);
    if (bitDepth == 16) {
        uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    return *p;
}

void Image::SetSample(int32_t x, int32_t y, int channel, uint32_t value) {
    uint8_t* p = pixels.data() + SampleOffset(*this, x, y, channel);
    if (bitDepth == 16) {
        const uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(p, &v, sizeof v);
    } else {
        *p = static_cast<uint8_t>(value);
    }
}

void Image::Allocate(int32_t w, int32_t h, int channelCount, int depth) {
    width = w;
    height = h;
    channels = channelCount;
    bitDepth = depth;
    const size_t size = RowBytes() * static_cast<size_t>(h);
    // Canvases run to hundreds of megabytes: huge pages spare most of the page faults of the
    // first touch, which otherwise cost as much as decoding.
    std::vector<uint8_t>().swap(pixels);
    pixels.reserve(size);
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const uintptr_t begin =
        (reinterpret_cast<uintptr_t>(pixels.data()) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(pixels.data()) + size) & ~(kHugePage - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
    pixels.assign(size, 0);
}

bool ImageSizeFits(int64_t w, int64_t h, int64_t bytesPerPixel) {
    if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide) {
        return false;
    }
    return static_cast<uint64_t>(w) * static_cast<uint64_t>(h) *
               static_cast<uint64_t>(bytesPerPixel) <=
           kMaxBufferBytes;
}
