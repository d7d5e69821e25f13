// The settings table and the conversions built on it.
#include "hostsupport/HostSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace veltrix_host {

namespace {

#define FIELD_AT(field) offsetof(MoveEffectIniParam, field)
constexpr const char* kEffect = "Effect";
constexpr const char* kPoints = "Target points";
constexpr const char* kPen = "Pen";
constexpr const char* kLine = "Line";

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
    {"type", FieldKind::Type, 0, 2, true, kEffect, "radiate, parallel or circle", FIELD_AT(type)},
    {"name", FieldKind::Guide, 0, 0, false, kEffect,
     "shape of the paths: :S straight, :C curve, or a guide file", FIELD_AT(name)},
    {"curvature", FieldKind::Number, -100, 100, false, kEffect,
     "factor on the guide's height profile", FIELD_AT(curvature)},
    {"p1", FieldKind::Point, 0, 0, false, kPoints, "first target point", FIELD_AT(p1)},
    {"p2", FieldKind::Point, 0, 0, false, kPoints, "second target point", FIELD_AT(p2)},
    {"p3", FieldKind::Point, 0, 0, false, kPoints, "third target point", FIELD_AT(p3)},
    {"size", FieldKind::Number, 0, 1000, false, kPen, "pen diameter in pixels", FIELD_AT(size)},
    {"hardness", FieldKind::Number, 0, 1, false, kPen, "solid part of the pen", FIELD_AT(hardness)},
    {"fluction", FieldKind::Number, 0, 1, false, kPen, "random pen size change per line",
     FIELD_AT(fluction)},
    {"in", FieldKind::Taper, 0, 100000, true, kPen, "start taper, thousandths of half the line",
     FIELD_AT(in)},
    {"out", FieldKind::Taper, 0, 100000, true, kPen, "end taper, like in", FIELD_AT(out)},
    {"asdist", FieldKind::Switch, 0, 1, true, kPen, "in and out are pixels", FIELD_AT(asdist)},
    {"easing", FieldKind::Switch, 0, 1, true, kPen, "eased taper curve", FIELD_AT(easing)},
    {"position", FieldKind::Number, -100000, 100000, true, kLine,
     "pixels added to both ends of every line", FIELD_AT(position)},
    {"posfluct", FieldKind::Number, 0, 10, false, kLine, "random shift along the path, fraction",
     FIELD_AT(posfluct)},
    {"length", FieldKind::Number, 0, 100000, true, kLine,
     "length added around dark stretches, pixels", FIELD_AT(length)},
    {"lenfluct", FieldKind::Number, 0, 10, false, kLine, "random lengthening, fraction",
     FIELD_AT(lenfluct)},
    {"spacing", FieldKind::Number, 1, 100000, true, kLine,
     "gap in pixels; radiate: 1/1000 right angle", FIELD_AT(spacing)},
    {"spcfluct", FieldKind::Number, 0, 1, false, kLine, "random jitter of the gaps, fraction",
     FIELD_AT(spcfluct)},
    {"lengain", FieldKind::Number, -1000, 1000, false, kLine, "length growing along the path",
     FIELD_AT(lengain)},
    {"spcgain", FieldKind::Number, -1000, 1000, false, kLine,
     "change of each gap from the last, pixels", FIELD_AT(spcgain)},
    {"connect", FieldKind::Switch, 0, 1, true, kLine, "join overlapping lines of one path",
     FIELD_AT(connect)},
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
                       MoveEffectIniParam* s) {
#define MERGE(field)             \
    if (flags.field) {           \
        s->field = loaded.field; \
    }
    MERGE(type)
    MERGE(p1) MERGE(p2) MERGE(p3) MERGE(curvature) MERGE(size) MERGE(hardness) MERGE(fluction)
        MERGE(in) MERGE(out) MERGE(asdist) MERGE(easing) MERGE(position) MERGE(posfluct)
            MERGE(length) MERGE(lenfluct) MERGE(spacing) MERGE(spcfluct) MERGE(lengain)
                MERGE(spcgain) MERGE(connect)
#undef MERGE
                    if (flags.name) {
        std::memcpy(s->name, loaded.name, sizeof s->name);
        s->name[sizeof s->name - 1] = '\0';
    }
}

void SetGuideName(MoveEffectIniParam* s, const std::string& name) {
    std::memset(s->name, 0, sizeof s->name);
    std::memcpy(s->name, name.data(), std::min(name.size(), kMaxGuideNameBytes));
}

DrawingSettings ToDrawingSettings(const MoveEffectIniParam& s, int32_t width, int32_t height) {
    DrawingSettings d;
    MoveEffectParam& p = d.param;
    p.type = s.type;
    p.curvature = s.curvature;
    p.size = s.size;
    p.hardness = s.hardness;
    p.fluction = s.fluction;
    p.in = s.asdist ? s.in : s.in / 1000.0;
    p.out = s.asdist ? s.out : s.out / 1000.0;
    p.asdist = s.asdist != 0;
    p.easing = s.easing != 0;
    p.position = s.position;
    p.posfluct = s.posfluct;
    p.length = s.length;
    p.lenfluct = s.lenfluct;
    p.spacing = s.spacing;
    p.spcfluct = s.spcfluct;
    p.lengain = s.lengain;
    p.spcgain = s.spcgain;
    p.connect = s.connect != 0;
    const PathPoint* points[3] = {&s.p1, &s.p2, &s.p3};
    TargetPoint* targets[3] = {&d.target.p1, &d.target.p2, &d.target.p3};
    for (int i = 0; i < 3; ++i) {
        *targets[i] = {RelativeToPixel(points[i]->x, width), RelativeToPixel(points[i]->y, height)};
    }
    d.guide.assign(s.name, strnlen(s.name, sizeof s.name));
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
