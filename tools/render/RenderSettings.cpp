// Merging, checking and mapping the drawing settings.
#include "render/RenderSettings.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "render/RenderError.h"

namespace {

// A numeric field of the preset record: its key, range and place.
struct NumericField {
    const char* key;
    SettingRange range;
    double (*get)(const MoveEffectIniParam&);
    bool (*given)(const SettingOverrides&);
};

#define VELTRIX_FIELD(name, lo, hi, whole)                                                            \
    NumericField {                                                                                    \
#name,                                                                                        \
            {lo, hi, whole },                                                                         \
             [](const MoveEffectIniParam&                                                             \
                    p) { return static_cast<double>(p.name); },                                       \
                                                             [](const SettingOverrides&               \
                                                                    o) { return o.name                \
                                                                             .has_value(); } \
    }

const NumericField kNumericFields[] = {
    VELTRIX_FIELD(curvature, -100, 100, false),
    VELTRIX_FIELD(size, 0, 1000, false),
    VELTRIX_FIELD(hardness, 0, 1, false),
    VELTRIX_FIELD(fluction, 0, 1, false),
    VELTRIX_FIELD(in, 0, 100000, true),
    VELTRIX_FIELD(out, 0, 100000, true),
    VELTRIX_FIELD(position, -100000, 100000, true),
    VELTRIX_FIELD(posfluct, 0, 10, false),
    VELTRIX_FIELD(length, 0, 100000, true),
    VELTRIX_FIELD(lenfluct, 0, 10, false),
    VELTRIX_FIELD(spacing, 1, 100000, true),
    VELTRIX_FIELD(spcfluct, 0, 1, false),
    VELTRIX_FIELD(lengain, -1000, 1000, false),
    VELTRIX_FIELD(spcgain, -1000, 1000, false),
};

#undef VELTRIX_FIELD

// Points may lie off the canvas, but not absurdly far: 100 canvas sides.
constexpr double kMaxRelativePoint = 100.0;

std::string FormatNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string RangeText(const SettingRange& range) {
    return FormatNumber(range.min) + " to " + FormatNumber(range.max);
}

RenderError BadValue(bool fromCommandLine, const std::string& presetName, const std::string& key,
                     double value, const std::string& rule) {
    if (fromCommandLine) {
        return RenderError(kExitUsage, "--" + key + " " + FormatNumber(value) + " " + rule);
    }
    return RenderError(kExitPreset, "preset '" + presetName + "': " + key + " " +
                                        FormatNumber(value) + " " + rule);
}

bool ParseCoordinate(std::string text, Coordinate* coordinate) {
    coordinate->relative = !text.empty() && text.back() == '%';
    if (coordinate->relative) {
        text.pop_back();
    }
    double value;
    if (!ParseDecimal(text, &value)) {
        return false;
    }
    coordinate->value = coordinate->relative ? value / 100.0 : value;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

double ToRelative(const Coordinate& c, int32_t side, const char* option) {
    if (c.relative) {
        return c.value;
    }
    if (side <= 0) {
        throw RenderError(kExitUsage, std::string(option) +
                                          " in pixels needs a canvas: give BASE.png, or write "
                                          "the point relative to the canvas, like 50%,25%");
    }
    return c.value / side;
}

void ApplyPoint(const std::optional<PointOption>& option, int32_t width, int32_t height,
                const char* name, PathPoint* point) {
    if (option) {
        point->x = ToRelative(option->x, width, name);
        point->y = ToRelative(option->y, height, name);
    }
}

int32_t RelativeToPixel(double relative, int32_t side) {
    return static_cast<int32_t>(std::llround(relative * side));
}

}  // namespace

const SettingRange* RangeOf(const std::string& key) {
    for (const NumericField& field : kNumericFields) {
        if (key == field.key) {
            return &field.range;
        }
    }
    return nullptr;
}

bool ParseDecimal(const std::string& text, double* value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    double parsed;
    const auto result = std::from_chars(begin, end, parsed,
                                        std::chars_format::fixed | std::chars_format::scientific);
    if (begin == end || result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseWholeNumber(const std::string& text, int64_t* value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    int64_t parsed;
    const auto result = std::from_chars(begin, end, parsed, 10);
    if (begin == end || result.ec != std::errc() || result.ptr != end) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParsePointOption(const std::string& text, PointOption* point, std::string* error) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) {
        *error = "'" + text + "' is not a point: write X,Y in pixels, or with % (50%,25%)";
        return false;
    }
    PointOption parsed;
    if (!ParseCoordinate(text.substr(0, comma), &parsed.x) ||
        !ParseCoordinate(text.substr(comma + 1), &parsed.y)) {
        *error = "'" + text + "' is not a point: X and Y must be numbers, each may end in %";
        return false;
    }
    const double limits[2] = {parsed.x.relative ? kMaxRelativePoint : 1e6,
                              parsed.y.relative ? kMaxRelativePoint : 1e6};
    if (std::fabs(parsed.x.value) > limits[0] || std::fabs(parsed.y.value) > limits[1]) {
        *error = "'" + text + "' is too far off the canvas (at most 1000000 pixels or 10000%)";
        return false;
    }
    *point = parsed;
    return true;
}

bool ParseColor(const std::string& text, Rgb* color, std::string* error) {
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    int values[6];
    bool valid = digits.size() == 3 || digits.size() == 6;
    for (size_t i = 0; valid && i < digits.size(); ++i) {
        values[i] = HexDigit(digits[i]);
        valid = values[i] >= 0;
    }
    if (!valid) {
        *error = "'" + text + "' is not a colour: write #rrggbb or #rgb in hexadecimal";
        return false;
    }
    if (digits.size() == 3) {
        color->r = static_cast<uint8_t>(values[0] * 17);
        color->g = static_cast<uint8_t>(values[1] * 17);
        color->b = static_cast<uint8_t>(values[2] * 17);
    } else {
        color->r = static_cast<uint8_t>(values[0] * 16 + values[1]);
        color->g = static_cast<uint8_t>(values[2] * 16 + values[3]);
        color->b = static_cast<uint8_t>(values[4] * 16 + values[5]);
    }
    return true;
}

void MergeLoadedPreset(const MoveEffectIniParam& loaded, const MoveEffectIniReadFlag& flags,
                       MoveEffectIniParam* settings) {
#define VELTRIX_TAKE(field)             \
    if (flags.field) {                  \
        settings->field = loaded.field; \
    }
    VELTRIX_TAKE(type)
    VELTRIX_TAKE(p1)
    VELTRIX_TAKE(p2)
    VELTRIX_TAKE(p3)
    VELTRIX_TAKE(curvature)
    VELTRIX_TAKE(size)
    VELTRIX_TAKE(hardness)
    VELTRIX_TAKE(fluction)
    VELTRIX_TAKE(in)
    VELTRIX_TAKE(out)
    VELTRIX_TAKE(asdist)
    VELTRIX_TAKE(easing)
    VELTRIX_TAKE(position)
    VELTRIX_TAKE(posfluct)
    VELTRIX_TAKE(length)
    VELTRIX_TAKE(lenfluct)
    VELTRIX_TAKE(spacing)
    VELTRIX_TAKE(spcfluct)
    VELTRIX_TAKE(lengain)
    VELTRIX_TAKE(spcgain)
    VELTRIX_TAKE(connect)
#undef VELTRIX_TAKE
    if (flags.name) {
        std::memcpy(settings->name, loaded.name, sizeof settings->name);
        settings->name[sizeof settings->name - 1] = '\0';
    }
}

void ApplyOverrides(const SettingOverrides& o, int32_t width, int32_t height,
                    MoveEffectIniParam* s) {
    if (o.type) {
        s->type = *o.type;
    }
    ApplyPoint(o.p1, width, height, "--p1", &s->p1);
    ApplyPoint(o.p2, width, height, "--p2", &s->p2);
    ApplyPoint(o.p3, width, height, "--p3", &s->p3);
    if (o.guide) {
        std::memset(s->name, 0, sizeof s->name);
        std::memcpy(s->name, o.guide->data(), std::min(o.guide->size(), kMaxGuideNameBytes));
    }
#define VELTRIX_SET(field)   \
    if (o.field) {           \
        s->field = *o.field; \
    }
    VELTRIX_SET(curvature)
    VELTRIX_SET(size)
    VELTRIX_SET(hardness)
    VELTRIX_SET(fluction)
    VELTRIX_SET(in)
    VELTRIX_SET(out)
    VELTRIX_SET(asdist)
    VELTRIX_SET(easing)
    VELTRIX_SET(position)
    VELTRIX_SET(posfluct)
    VELTRIX_SET(length)
    VELTRIX_SET(lenfluct)
    VELTRIX_SET(spacing)
    VELTRIX_SET(spcfluct)
    VELTRIX_SET(lengain)
    VELTRIX_SET(spcgain)
    VELTRIX_SET(connect)
#undef VELTRIX_SET
}

void CheckSettings(const MoveEffectIniParam& s, const SettingOverrides& o,
                   const std::string& presetName) {
    for (const NumericField& field : kNumericFields) {
        const double value = field.get(s);
        if (!(value >= field.range.min && value <= field.range.max)) {
            throw BadValue(field.given(o), presetName, field.key, value,
                           "is out of range " + RangeText(field.range));
        }
    }
    if (!s.asdist) {
        const struct {
            const char* key;
            int32_t value;
            bool given;
        } tapers[] = {{"in", s.in, o.in.has_value()}, {"out", s.out, o.out.has_value()}};
        for (const auto& taper : tapers) {
            if (taper.value > kMaxTaperThousandths) {
                throw BadValue(taper.given, presetName, taper.key, taper.value,
                               "is out of range: without asdist it counts thousandths of half "
                               "the line, 0 to 1000");
            }
        }
    }
    const struct {
        const char* key;
        const PathPoint& point;
        bool given;
    } points[] = {{"p1", s.p1, o.p1.has_value()},
                  {"p2", s.p2, o.p2.has_value()},
                  {"p3", s.p3, o.p3.has_value()}};
    for (const auto& p : points) {
        for (double v : {p.point.x, p.point.y}) {
            if (!(std::fabs(v) <= kMaxRelativePoint)) {
                throw BadValue(p.given, presetName, p.key, v,
                               "lies too far off the canvas (at most 100 canvas sides)");
            }
        }
    }
}

DrawingSettings ToDrawingSettings(const MoveEffectIniParam& s, int32_t width, int32_t height) {
    DrawingSettings d;
    MoveEffectParam& p = d.param;
    p.type = s.type;
    p.curvature = s.curvature;
    p.size = s.size;
    p.hardness = s.hardness;
    p.fluction = s.fluction;
    p.asdist = s.asdist != 0;
    p.in = p.asdist ? s.in : s.in / 1000.0;
    p.out = p.asdist ? s.out : s.out / 1000.0;
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
    d.target.p1 = {RelativeToPixel(s.p1.x, width), RelativeToPixel(s.p1.y, height)};
    d.target.p2 = {RelativeToPixel(s.p2.x, width), RelativeToPixel(s.p2.y, height)};
    d.target.p3 = {RelativeToPixel(s.p3.x, width), RelativeToPixel(s.p3.y, height)};
    d.guide.assign(s.name, strnlen(s.name, sizeof s.name));
    return d;
}

const char* TypeWord(int32_t type) {
    switch (type) {
        case VELTRIX_TYPE_PARALLEL:
            return "parallel";
        case VELTRIX_TYPE_CIRCLE:
            return "circle";
        default:
            return "radiate";
    }
}
