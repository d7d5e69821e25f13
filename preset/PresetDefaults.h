// The factory defaults of a preset and the default target points of each effect type.
#pragma once

#include <veltrix/veltrix.h>

/// Clears the whole record (padding and the name's tail included) and stores the defaults.
/// param must point to a whole record.
void GetDefaultPreset(MoveEffectIniParam* param);

/// Stores the default point `index` (0, 1, 2 for p1, p2, p3) of effect `type` (0, 1, 2) in
/// canvas-relative coordinates. Any other type or index leaves point unchanged.
void GetDefaultTargetPoint(int type, int index, PathPoint& point);
