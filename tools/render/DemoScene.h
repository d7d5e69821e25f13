// The built-in demo: a base image made in code and effect settings that suit it.
#pragma once

#include <veltrix/veltrix.h>

#include <cstdint>

#include "render/Image.h"
#include "render/RenderSettings.h"

constexpr int32_t kDefaultDemoSize = 512;
constexpr int32_t kMinDemoSize = 64;
constexpr int32_t kMaxDemoSize = 4096;

// A night-blue page, lighter towards the middle, with a pale yellow star at its centre:
// lines are laid on the dark page and stop at the star. RGBA, 8 bits, size x size.
Image MakeDemoBase(int32_t size);

// Settings for the effect type (points relative to the canvas, spacing and pen scaled to a
// size x size canvas) that frame the star.
MoveEffectIniParam DemoSettings(int32_t type, int32_t size);

// The demo's line colour, a warm white.
Rgb DemoLineColor();
