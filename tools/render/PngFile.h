// Reading base images from PNG files with libpng, and writing results with a deflate spread
// over all cores.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "render/Image.h"

// Told (done, total) as the work goes on, on the calling thread. Returns false to stop.
using PngProgress = std::function<bool(int64_t done, int64_t total)>;

// Reads a PNG of any kind and expands it as libpng does: palettes to RGB, gray below 8 bits
// to 8, transparency chunks to alpha; images without alpha get an opaque one. The result is
// gray+alpha or RGBA at 8 or 16 bits. The size its header claims is checked against the
// program's limits and against the image data the file holds before any pixel memory is
// taken. tags receives the chunks that describe the pixels' resolution and colours (pHYs,
// sRGB, gAMA, cHRM, iCCP), whole, for WritePng. Throws RenderError (kExitInput) with the
// reason; returns an empty image when progress asked to stop.
Image ReadPng(const std::string& path, std::vector<std::string>* tags, const PngProgress& progress);

enum class PngCompression { Fast, Default, Best };

// Writes image (2 or 4 channels, 8 or 16 bits) as a PNG to an open stream with the tags of
// ReadPng (an iCCP whose profile is not RGB is left out of an RGB image, and sRGB beside a
// kept iCCP); displayName names the file in messages. Rows are filtered and deflated in bands
// on every core. Throws RenderError (kExitOutput) when the stream fails.
void WritePng(std::FILE* stream, const Image& image, const std::string& displayName,
              const std::vector<std::string>& tags, PngCompression compression,
              const PngProgress& progress);
