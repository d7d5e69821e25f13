// The interactive dialog: every setting, preset and guide menus, and a live preview.
#pragma once

#include <cstdint>

#include "PluginValues.h"

// Shows the dialog over values; returns true when the user chose to draw.
bool RunDialog(int32_t image, int32_t drawable, PluginValues* values);

// The default points of the values' effect type around the selection's bounds, or around the
// whole image when nothing is selected, in image pixels.
void SetDefaultPoints(int32_t image, PluginValues* values);
