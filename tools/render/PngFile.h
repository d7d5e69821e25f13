// Reading base images from and writing results to PNG files with libpng.
#pragma once

#include <cstdio>
#include <string>

#include "render/Image.h"

// Reads a PNG of any kind and expands it as libpng does: palettes to RGB, gray below 8 bits
// to 8, transparency chunks to alpha; images without alpha get an opaque one. The result is
// gray+alpha or RGBA at 8 or 16 bits. Throws RenderError (kExitInput) with the reason.
Image ReadPng(const std::string& path);

// Writes image (2 or 4 channels, 8 or 16 bits) as a PNG to an open stream; displayName names
// the file in messages. Throws RenderError (kExitOutput) when libpng or the stream fails.
void WritePng(std::FILE* stream, const Image& image, const std::string& displayName);
