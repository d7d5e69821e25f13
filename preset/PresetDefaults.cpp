// The factory defaults of a preset and the default target points of each effect type.
#include "preset/PresetDefaults.h"

#include <cstring>

namespace {

// Rows are effect types (radiate, parallel, circle), columns p1, p2, p3.
constexpr PathPoint kDefaultTargetPoints[3][3] = {
    {{0.5, 0.5}, {0.5, 0.325}, {0.5, 0.125}},
    {{0.25, 0.875}, {0.25, 0.125}, {0.75, 0.875}},
    {{0.25, 0.5}, {0.75, 0.5}, {0.5, 0.25}},
};

}  // namespace

void GetDefaultPreset(MoveEffectIniParam* param) {
    std::memset(param, 0, sizeof(*param));
    std::memcpy(param->name, ":S", 3);
    param->type = VELTRIX_TYPE_RADIATE;
    GetDefaultTargetPoint(VELTRIX_TYPE_RADIATE, 0, param->p1);
    GetDefaultTargetPoint(VELTRIX_TYPE_RADIATE, 1, param->p2);
    GetDefaultTargetPoint(VELTRIX_TYPE_RADIATE, 2, param->p3);
    param->curvature = 1.0;
    param->size = 2.0;
    param->hardness = 1.0;
    param->in = 500;
    param->out = 500;
    param->length = 10;
    param->spacing = 50;
    param->connect = 1;
}

void GetDefaultTargetPoint(int type, int index, PathPoint& point) {
    if (type < 0 || type > 2 || index < 0 || index > 2) {
        return;
    }
    point = kDefaultTargetPoints[type][index];
}
