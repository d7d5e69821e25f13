// The settings table and the conversions built on it.
#include "hostsupport/HostSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace veltrix_host {

namespace {

#define FIELD_AT(field) offsetof(MoveEffectIniParam, field)

int32_t RelativeToPixel(double relative, int32_t side) {
    return static_cast<int32_t>(std::llround(relative * side));
}

// Whole fields are int32 except the switches, which are bytes; the rest are doubles.
bool IsInt32(const SettingField& f) {
    return f.kind == FieldKind::Type || f.kind == FieldKind::Taper ||
           (f.kind == FieldKind::Number && f.integer);
}

}  // namespace

const SettingField kSettingFields[] = {
#define VELTRIX_TYPE(field, group, help) \
    {#field, FieldKind::Type, 0, 2, true, group, help, FIELD_AT(field)},
#define VELTRIX_GUIDE(field, option, group, help) \
    {#field, FieldKind::Guide, 0, 0, false, group, help, FIELD_AT(field)},
#define VELTRIX_POINT(field, group, help) \
    {#field, FieldKind::Point, 0, 0, false, group, help, FIELD_AT(field)},
#define VELTRIX_NUMBER(field, min, max, group, help)          \
    {#field,                                                  \
     FieldKind::Number,                                       \
     min,                                                     \
     max,                                                     \
     std::is_integral_v<decltype(MoveEffectIniParam::field)>, \
     group,                                                   \
     help,                                                    \
     FIELD_AT(field)},
#define VELTRIX_TAPER(field, min, max, group, help) \
    {#field, FieldKind::Taper, min, max, true, group, help, FIELD_AT(field)},
#define VELTRIX_SWITCH(field, group, help) \
    {#field, FieldKind::Switch, 0, 1, true, group, help, FIELD_AT(field)},
#include "hostsupport/SettingFields.inc"
};
const size_t kSettingFieldCount = sizeof kSettingFields / sizeof kSettingFields[0];

const BuiltInGuide kBuiltInGuides[2] = {{":S", "built-in straight line"}, {":C", "built-in curve"}};

double GetNumber(const MoveEffectIniParam& s, const SettingField& f) {
    const auto* at = reinterpret_cast<const uint8_t*>(&s) + f.offset;
    if (f.kind == FieldKind::Switch) {
        return *at;
    }
    if (IsInt32(f)) {
        int32_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    double value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void SetNumber(MoveEffectIniParam* s, const SettingField& f, double value) {
    auto* at = reinterpret_cast<uint8_t*>(s) + f.offset;
    if (f.kind == FieldKind::Switch) {
        *at = value != 0.0;
    } else if (IsInt32(f)) {
        const double clamped = std::clamp(std::round(value), -2147483648.0, 2147483647.0);
        const int32_t whole = static_cast<int32_t>(clamped);
        std::memcpy(at, &whole, sizeof whole);
    } else {
        std::memcpy(at, &value, sizeof value);
    }
}

std::string CheckSettings(const MoveEffectIniParam& s) {
    char text[160];
    for (size_t i = 0; i < kSettingFieldCount; ++i) {
        const SettingField& f = kSettingFields[i];
        if (f.kind == FieldKind::Guide || f.kind == FieldKind::Point ||
            f.kind == FieldKind::Switch) {
            continue;
        }
        const double value = GetNumber(s, f);
        if (!(value >= f.min && value <= f.max)) {
            std::snprintf(text, sizeof text, "%s %g is out of range %g to %g", f.key, value, f.min,
                          f.max);
            return text;
        }
        if (f.kind == FieldKind::Taper && !s.asdist && value > kMaxTaperThousandths) {
            std::snprintf(text, sizeof text,
                          "%s %g is out of range: without asdist it counts thousandths of half "
                          "the line, 0 to 1000",
                          f.key, value);
            return text;
        }
    }
    const size_t nameBytes = strnlen(s.name, sizeof s.name);
    if (nameBytes == 0 || nameBytes > kMaxGuideNameBytes) {
        return "a guide name has 1 to 258 bytes";
    }
    return std::string();
}

void MergeLoadedPreset(const MoveEffectIniParam& loaded, const MoveEffectIniReadFlag& flags,
                       MoveEffectIniParam* settings) {
#define VELTRIX_FIELD(field, ...)       \
    if (flags.field) {                  \
        settings->field = loaded.field; \
    }
#define VELTRIX_GUIDE(field, ...)                                           \
    if (flags.field) {                                                      \
        std::memcpy(settings->field, loaded.field, sizeof settings->field); \
        settings->field[sizeof settings->field - 1] = '\0';                 \
    }
#include "hostsupport/SettingFields.inc"
}

void SetGuideName(MoveEffectIniParam* s, const std::string& name) {
    std::memset(s->name, 0, sizeof s->name);
    std::memcpy(s->name, name.data(), std::min(name.size(), kMaxGuideNameBytes));
}

DrawingSettings ToDrawingSettings(const MoveEffectIniParam& s, int32_t width, int32_t height) {
    DrawingSettings d;
    const bool asdist = s.asdist != 0;
#define VELTRIX_FIELD(field, ...) d.param.field = s.field;
#define VELTRIX_GUIDE(field, ...) d.guide.assign(s.field, strnlen(s.field, sizeof s.field));
#define VELTRIX_POINT(field, ...) \
    d.target.field = {RelativeToPixel(s.field.x, width), RelativeToPixel(s.field.y, height)};
#define VELTRIX_TAPER(field, ...) d.param.field = asdist ? s.field : s.field / 1000.0;
#define VELTRIX_SWITCH(field, ...) d.param.field = s.field != 0;
#include "hostsupport/SettingFields.inc"
    return d;
}

bool DefaultTargetPoints(int type, double x, double y, double width, double height,
                         PathPoint points[3]) {
    PathPoint relative[3];
    if (GetDefaultTargetPoints(type, relative, 3) != 3) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        points[i] = {x + relative[i].x * width, y + relative[i].y * height};
    }
    return true;
}

bool ParseSeed(const std::string& text, uint64_t* seed) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    *seed = value;
    return true;
}

}  // namespace veltrix_host
