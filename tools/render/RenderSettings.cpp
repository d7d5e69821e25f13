// Merging, checking and mapping the drawing settings.
#include "render/RenderSettings.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "render/RenderError.h"

namespace {

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

}  // namespace

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

bool ReadFlagOf(const MoveEffectIniReadFlag& flags, const std::string& key) {
#define VELTRIX_FIELD(field, ...) \
    if (key == #field) {          \
        return flags.field != 0;  \
    }
#include "hostsupport/SettingFields.inc"
    return false;
}

std::string ExpectedValueOf(const std::string& key) {
#define VELTRIX_RULE(field, rule) \
    if (key == #field) {          \
        return rule;              \
    }
#define VELTRIX_TYPE(field, ...) VELTRIX_RULE(field, "is not radiate, parallel or circle")
#define VELTRIX_GUIDE(field, ...) VELTRIX_RULE(field, "is longer than 258 bytes")
#define VELTRIX_POINT(field, ...) VELTRIX_RULE(field, "is not a point X,Y")
#define VELTRIX_NUMBER(field, ...)                                              \
    VELTRIX_RULE(field, std::is_integral_v<decltype(MoveEffectIniParam::field)> \
                            ? "does not start with a whole number that fits"    \
                            : "does not start with a number")
#define VELTRIX_TAPER VELTRIX_NUMBER
#define VELTRIX_SWITCH(field, ...) VELTRIX_RULE(field, "is not true, false, 1 or 0")
#include "hostsupport/SettingFields.inc"
#undef VELTRIX_RULE
    return "is not a key";
}

std::string SettingText(const MoveEffectIniParam& s, const std::string& key) {
    static const char* const kTypes[] = {"radiate", "parallel", "circle"};
#define VELTRIX_TEXT(field, text) \
    if (key == #field) {          \
        return text;              \
    }
#define VELTRIX_TYPE(field, ...) \
    VELTRIX_TEXT(field, s.field >= 0 && s.field <= 2 ? kTypes[s.field] : std::string())
#define VELTRIX_GUIDE(field, ...) \
    VELTRIX_TEXT(field, std::string(s.field, strnlen(s.field, sizeof s.field)))
#define VELTRIX_POINT(field, ...) \
    VELTRIX_TEXT(field, FormatNumber(s.field.x) + "," + FormatNumber(s.field.y))
#define VELTRIX_NUMBER(field, ...) VELTRIX_TEXT(field, FormatNumber(s.field))
#define VELTRIX_TAPER VELTRIX_NUMBER
#define VELTRIX_SWITCH(field, ...) VELTRIX_TEXT(field, s.field ? "true" : "false")
#include "hostsupport/SettingFields.inc"
#undef VELTRIX_TEXT
    return std::string();
}

void PlaceDefaultPoints(const SettingOverrides& o, const bool fromDefaults[3],
                        MoveEffectIniParam* s) {
    PathPoint defaults[3];
    if (GetDefaultTargetPoints(s->type, defaults, 3) != 3 &&
        GetDefaultTargetPoints(VELTRIX_TYPE_RADIATE, defaults, 3) != 3) {
        return;
    }
    PathPoint* points[3] = {&s->p1, &s->p2, &s->p3};
    const bool given[3] = {o.p1.has_value(), o.p2.has_value(), o.p3.has_value()};
    for (int i = 0; i < 3; ++i) {
        if (fromDefaults[i] && !given[i]) {
            const bool follow = i > 0 && given[0];
            points[i]->x = defaults[i].x + (follow ? s->p1.x - defaults[0].x : 0.0);
            points[i]->y = defaults[i].y + (follow ? s->p1.y - defaults[0].y : 0.0);
        }
    }
}

void ApplyOverrides(const SettingOverrides& o, int32_t width, int32_t height,
                    MoveEffectIniParam* s) {
#define VELTRIX_FIELD(field, ...) \
    if (o.field) {                \
        s->field = *o.field;      \
    }
#define VELTRIX_GUIDE(field, option, ...)                                                        \
    if (o.option) {                                                                              \
        std::memset(s->field, 0, sizeof s->field);                                               \
        std::memcpy(s->field, o.option->data(), std::min(o.option->size(), kMaxGuideNameBytes)); \
    }
#define VELTRIX_POINT(field, ...) ApplyPoint(o.field, width, height, "--" #field, &s->field);
#include "hostsupport/SettingFields.inc"
}

void CheckSettings(const MoveEffectIniParam& s, const SettingOverrides& o,
                   const std::string& presetName) {
    const auto check = [&](const char* key, double value, bool given, bool valid,
                           const std::string& rule) {
        if (!valid) {
            throw BadValue(given, presetName, key, value, rule);
        }
    };
    // Ranges first, then the thousandths of the tapers, then the points.
#define VELTRIX_NUMBER(field, min, max, ...)                                          \
    check(#field, s.field, o.field.has_value(), s.field >= (min) && s.field <= (max), \
          "is out of range " + RangeText(RangeOf(&MoveEffectIniParam::field, min, max)));
#define VELTRIX_TAPER VELTRIX_NUMBER
#include "hostsupport/SettingFields.inc"
#define VELTRIX_TAPER(field, ...)                                                            \
    check(#field, s.field, o.field.has_value(), s.asdist || s.field <= kMaxTaperThousandths, \
          "is out of range: without asdist it counts thousandths of half the line, 0 to 1000");
#include "hostsupport/SettingFields.inc"
#define VELTRIX_POINT(field, ...)                                                \
    for (double v : {s.field.x, s.field.y}) {                                    \
        check(#field, v, o.field.has_value(), std::fabs(v) <= kMaxRelativePoint, \
              "lies too far off the canvas (at most 100 canvas sides)");         \
    }
#include "hostsupport/SettingFields.inc"
}
