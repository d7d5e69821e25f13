// The drawing settings of veltrix-render: command-line values on top of a preset, checked, and
// turned into the library's drawing records.
#pragma once

#include <veltrix/veltrix.h>

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "hostsupport/HostSettings.h"

// One coordinate of a --p1/--p2/--p3 value: canvas pixels, or a fraction of the canvas side
// as presets keep it ("50%" is 0.5).
struct Coordinate {
    double value = 0.0;
    bool relative = false;
};

struct PointOption {
    Coordinate x;
    Coordinate y;
};

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// What the command line sets, one member per line of RenderSettingFields.inc; an empty
// member keeps the preset's value.
struct SettingOverrides {
#define VELTRIX_FIELD(field, ...) std::optional<decltype(MoveEffectIniParam::field)> field;
#define VELTRIX_GUIDE(field, option, ...) std::optional<std::string> option;
#define VELTRIX_POINT(field, ...) std::optional<PointOption> field;
#define VELTRIX_SWITCH(field, ...) std::optional<bool> field;
#include "hostsupport/SettingFields.inc"
};

// The accepted range of a numeric setting.
struct SettingRange {
    double min;
    double max;
    bool integer;
};
// The range of a VELTRIX_NUMBER or VELTRIX_TAPER line: whole numbers when the field is.
template <typename T>
constexpr SettingRange RangeOf(T MoveEffectIniParam::*, double min, double max) {
    return {min, max, std::is_integral_v<T>};
}
// Shared with every host: the limits, the preset merge and the drawing records.
using veltrix_host::DrawingSettings;
using veltrix_host::kMaxGuideNameBytes;
using veltrix_host::kMaxTaperThousandths;
using veltrix_host::MergeLoadedPreset;
using veltrix_host::ToDrawingSettings;

// Strict, locale-free decimal parsing of a whole string (no blanks, no hex, finite only).
bool ParseDecimal(const std::string& text, double* value);
bool ParseWholeNumber(const std::string& text, int64_t* value);

// "X,Y" with each coordinate a number of pixels or a number followed by "%". On failure
// returns false and sets error.
bool ParsePointOption(const std::string& text, PointOption* point, std::string* error);

// "#rgb" or "#rrggbb" (the "#" may be left out).
bool ParseColor(const std::string& text, Rgb* color, std::string* error);

// The read flag of the preset key, and what the library's reader accepts for it.
bool ReadFlagOf(const MoveEffectIniReadFlag& flags, const std::string& key);
std::string ExpectedValueOf(const std::string& key);
// The value of the preset key in settings, as a preset writes it.
std::string SettingText(const MoveEffectIniParam& settings, const std::string& key);

// Puts the target points that neither a preset (fromDefaults) nor the command line gave at the
// effect type's defaults; after a --p1 they move with it, keeping their offsets from the
// default p1. Call after ApplyOverrides.
void PlaceDefaultPoints(const SettingOverrides& overrides, const bool fromDefaults[3],
                        MoveEffectIniParam* settings);

// Writes the overrides into settings; pixel coordinates become fractions of the canvas.
// width and height are 0 when there is no canvas: pixel coordinates then throw RenderError.
void ApplyOverrides(const SettingOverrides& overrides, int32_t width, int32_t height,
                    MoveEffectIniParam* settings);

// Checks every value against its range. A bad value that the command line gave is a usage
// error; one from the preset presetName is a preset error. Throws RenderError.
void CheckSettings(const MoveEffectIniParam& settings, const SettingOverrides& overrides,
                   const std::string& presetName);
