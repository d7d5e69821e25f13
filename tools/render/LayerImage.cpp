// Alpha rescaling and the "over" operator with straight (not premultiplied) alpha. The loops
// address samples directly: canvases run to hundreds of millions of them.
#include "render/LayerImage.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <utility>

#include "render/Rounding.h"
#include "render/RowBands.h"

namespace {

constexpr uint32_t kLayerFullAlpha16 = 65025;

uint32_t Rescale(uint32_t value, int fromDepth, int toDepth) {
    if (fromDepth == toDepth) {
        return value;
    }
    if (toDepth == 16) {
        return value * 257;
    }
    return (value * 255 + 32767) / 65535;
}

template <typename T>
T* Samples(Image& image) {
    return reinterpret_cast<T*>(image.pixels.data());
}

template <typename T>
const T* Samples(const Image& image) {
    return reinterpret_cast<const T*>(image.pixels.data());
}

template <typename From, typename To>
void SpreadToRgba(const Image& image, Image* rgba) {
    const From* in = Samples<From>(image);
    To* out = Samples<To>(*rgba);
    const size_t pixels = size_t(image.width) * size_t(image.height);
    const int channels = image.channels;
    for (size_t i = 0; i < pixels; ++i, in += channels, out += 4) {
        for (int c = 0; c < 3; ++c) {
            out[c] = To(Rescale(in[channels == 4 ? c : 0], image.bitDepth, rgba->bitDepth));
        }
        out[3] = To(Rescale(in[channels - 1], image.bitDepth, rgba->bitDepth));
    }
}

template <typename T>
void Over(const Image& layer, Image* out) {
    const size_t width = size_t(layer.width);
    const double max = layer.MaxValue();
    ForEachRowBand(layer.height, 64, [&](int32_t fromRow, int32_t toRow) {
        const size_t from = size_t(fromRow) * width;
        const size_t to = size_t(toRow) * width;
        const T* source = Samples<T>(layer) + from * 4;
        T* target = Samples<T>(*out) + from * 4;
        for (size_t i = from; i < to; ++i, source += 4, target += 4) {
            if (source[3] == 0) {
                continue;
            }
            const double as = source[3] / max;
            const double ad = target[3] / max;
            const double ao = as + ad * (1.0 - as);
            for (int c = 0; c < 3; ++c) {
                const double blended = (source[c] * as + target[c] * ad * (1.0 - as)) / ao;
                target[c] = T(RoundHalfUp(blended));
            }
            target[3] = T(RoundHalfUp(ao * max));
        }
    });
}

}  // namespace

uint16_t LayerAlphaToPng16(uint32_t alpha) {
    const uint32_t scaled = (alpha * 65535u + kLayerFullAlpha16 / 2) / kLayerFullAlpha16;
    return static_cast<uint16_t>(std::min<uint32_t>(scaled, 65535));
}

void RescaleLayerAlpha(Image* layer) {
    if (layer->bitDepth != 16) {
        return;
    }
    uint16_t* samples = Samples<uint16_t>(*layer);
    const size_t count = size_t(layer->width) * size_t(layer->height) * 4;
    for (size_t i = 3; i < count; i += 4) {
        samples[i] = LayerAlphaToPng16(samples[i]);
    }
}

template <typename T>
bool AnyAlpha(const Image& layer) {
    const T* samples = Samples<T>(layer);
    const size_t count = size_t(layer.width) * size_t(layer.height) * 4;
    for (size_t i = 3; i < count; i += 4) {
        if (samples[i] != 0) {
            return true;
        }
    }
    return false;
}

bool AnyCoverage(const Image& layer) {
    return layer.bitDepth == 16 ? AnyAlpha<uint16_t>(layer) : AnyAlpha<uint8_t>(layer);
}

Image ToRgba(const Image& image, int bitDepth) {
    Image rgba;
    rgba.Allocate(image.width, image.height, 4, bitDepth);
    if (image.bitDepth == 16) {
        bitDepth == 16 ? SpreadToRgba<uint16_t, uint16_t>(image, &rgba)
                       : SpreadToRgba<uint16_t, uint8_t>(image, &rgba);
    } else {
        bitDepth == 16 ? SpreadToRgba<uint8_t, uint16_t>(image, &rgba)
                       : SpreadToRgba<uint8_t, uint8_t>(image, &rgba);
    }
    return rgba;
}

Image CompositeOver(const Image& layer, Image base) {
    assert(layer.channels == 4 && layer.width == base.width && layer.height == base.height);
    Image out = base.channels == 4 && base.bitDepth == layer.bitDepth
                    ? std::move(base)
                    : ToRgba(base, layer.bitDepth);
    layer.bitDepth == 16 ? Over<uint16_t>(layer, &out) : Over<uint8_t>(layer, &out);
    return out;
}
