// Alpha rescaling and the "over" operator with straight (not premultiplied) alpha.
#include "render/LayerImage.h"

#include <algorithm>
#include <cassert>
#include <cmath>

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

}  // namespace

uint16_t LayerAlphaToPng16(uint32_t alpha) {
    const uint32_t scaled = (alpha * 65535u + kLayerFullAlpha16 / 2) / kLayerFullAlpha16;
    return static_cast<uint16_t>(std::min<uint32_t>(scaled, 65535));
}

void RescaleLayerAlpha(Image* layer) {
    if (layer->bitDepth != 16) {
        return;
    }
    for (int32_t y = 0; y < layer->height; ++y) {
        for (int32_t x = 0; x < layer->width; ++x) {
            layer->SetSample(x, y, 3, LayerAlphaToPng16(layer->Sample(x, y, 3)));
        }
    }
}

Image ToRgba(const Image& image, int bitDepth) {
    Image rgba;
    rgba.Allocate(image.width, image.height, 4, bitDepth);
    const int alpha = image.channels - 1;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int source = image.channels == 4 ? c : 0;
                rgba.SetSample(x, y, c,
                               Rescale(image.Sample(x, y, source), image.bitDepth, bitDepth));
            }
            rgba.SetSample(x, y, 3, Rescale(image.Sample(x, y, alpha), image.bitDepth, bitDepth));
        }
    }
    return rgba;
}

Image CompositeOver(const Image& layer, const Image& base) {
    assert(layer.channels == 4 && layer.width == base.width && layer.height == base.height);
    Image out = ToRgba(base, layer.bitDepth);
    const double max = layer.MaxValue();
    for (int32_t y = 0; y < layer.height; ++y) {
        for (int32_t x = 0; x < layer.width; ++x) {
            const uint32_t sourceAlpha = layer.Sample(x, y, 3);
            if (sourceAlpha == 0) {
                continue;
            }
            const double as = sourceAlpha / max;
            const double ad = out.Sample(x, y, 3) / max;
            const double ao = as + ad * (1.0 - as);
            for (int c = 0; c < 3; ++c) {
                const double cs = layer.Sample(x, y, c);
                const double cd = out.Sample(x, y, c);
                const double blended = (cs * as + cd * ad * (1.0 - as)) / ao;
                out.SetSample(x, y, c, static_cast<uint32_t>(std::lround(blended)));
            }
            out.SetSample(x, y, 3, static_cast<uint32_t>(std::lround(ao * max)));
        }
    }
    return out;
}
