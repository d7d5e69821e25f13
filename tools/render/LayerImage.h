// Turning the layer that the library drew into the output image, alone or over the base image.
#pragma once

#include <cstdint>

#include "render/Image.h"

// The library writes 16-bit coverage as an 8-bit coverage times 255, so full coverage is
// 65025. A PNG's full alpha is 65535: rescale (rounded) so that fully covered pixels are
// opaque and half covered ones stay half.
uint16_t LayerAlphaToPng16(uint32_t alpha);
void RescaleLayerAlpha(Image* layer);

// Whether any pixel of the layer has coverage.
bool AnyCoverage(const Image& layer);

// The base image as RGBA at bitDepth (8 or 16): gray is spread to R, G and B, samples are
// rescaled exactly (x 257 up, rounded down).
Image ToRgba(const Image& image, int bitDepth);

// layer (RGBA) over base (any layout), the result RGBA at the layer's depth. Where the layer
// is transparent the base pixel is kept as it is. A base that is already RGBA at that depth
// is composited in place, so moving it in spares a copy of the picture.
Image CompositeOver(const Image& layer, Image base);
