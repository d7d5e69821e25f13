// Kept for the tests that include it by this name: the drawing harness.
#pragma once

#include "DrawHarness.h"
