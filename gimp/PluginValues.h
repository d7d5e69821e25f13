// The settings of one run of the plug-in, as kept between runs with gimp_set_data.
#pragma once

#include <veltrix/veltrix.h>

#include <cstdint>
#include <string>

constexpr const char* kProcedureName = "plug-in-veltrix-effect-lines";

struct PluginValues {
    MoveEffectIniParam settings;  // p1..p3 unused: the points below are in image pixels
    int32_t points[3][2];
    char seed[24];  // decimal digits; empty draws with a new random seed
};

// The outcome of drawing: the new layer, or why there is none.
struct DrawResult {
    int32_t layer = -1;
    std::string error;
    bool cancelled = false;
};

// Draws the effect over the drawable into a new layer above it (one undo step). The layer is
// added only when the drawing has finished.
DrawResult DrawIntoNewLayer(int32_t image, int32_t drawable, const PluginValues& values);

// Checks the values against the drawable; returns what is wrong, or an empty string.
std::string CheckValues(const PluginValues& values);
