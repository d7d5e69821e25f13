// The exported preset entry points. No exception may leave them.
#include <veltrix/veltrix.h>

#include "platform/TextConversion.h"
#include "preset/PresetDefaults.h"
#include "preset/PresetStore.h"

extern "C" {

VELTRIX_API void GetDefaultParam(MoveEffectIniParam* param) noexcept {
    if (param != nullptr) {
        GetDefaultPreset(param);
    }
}

VELTRIX_API int GetDefaultTargetPoints(int type, PathPoint* points, int count) noexcept {
    if (type < VELTRIX_TYPE_RADIATE || type > VELTRIX_TYPE_CIRCLE) {
        return 0;
    }
    for (int i = 0; i < 3 && i < count && points != nullptr; ++i) {
        GetDefaultTargetPoint(type, i, points[i]);
    }
    return 3;
}

VELTRIX_API bool LoadParam(const char* name, MoveEffectIniParam* param,
                           MoveEffectIniReadFlag* flags) noexcept {
    if (name == nullptr || param == nullptr) {
        return false;
    }
    try {
        return LoadPreset(Utf8ToUtf16(name), param, flags);
    } catch (...) {
        return false;
    }
}

VELTRIX_API bool SaveParam(const char* name, MoveEffectIniParam* param) noexcept {
    if (name == nullptr || param == nullptr) {
        return false;
    }
    try {
        return SavePreset(Utf8ToUtf16(name), param);
    } catch (...) {
        return false;
    }
}

}  // extern "C"
