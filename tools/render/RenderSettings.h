// The drawing settings of veltrix-render: command-line values on top of a preset, checked, and
// turned into the library's drawing records.
#pragma once

#include <veltrix/veltrix.h>

#include <cstdint>
#include <optional>
#include <string>

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

// What the command line sets; an empty field keeps the preset's value.
struct SettingOverrides {
    std::optional<int32_t> type;
    std::optional<PointOption> p1, p2, p3;
    std::optional<std::string> guide;
    std::optional<double> curvature, size, hardness, fluction;
    std::optional<int32_t> in, out;
    std::optional<bool> asdist, easing;
    std::optional<int32_t> position;
    std::optional<double> posfluct;
    std::optional<int32_t> length;
    std::optional<double> lenfluct;
    std::optional<int32_t> spacing;
    std::optional<double> spcfluct, lengain, spcgain;
    std::optional<bool> connect;
};

// The accepted range of a numeric setting, named by its preset key.
struct SettingRange {
    double min;
    double max;
    bool integer;
};
// Ranges for the numeric preset keys; null for any other key.
const SettingRange* RangeOf(const std::string& key);
// in and out without asdist are thousandths: at most this.
constexpr int32_t kMaxTaperThousandths = 1000;
// The guide name must fit the preset record with its NUL.
constexpr size_t kMaxGuideNameBytes = 258;

// Strict, locale-free decimal parsing of a whole string (no blanks, no hex, finite only).
bool ParseDecimal(const std::string& text, double* value);
bool ParseWholeNumber(const std::string& text, int64_t* value);

// "X,Y" with each coordinate a number of pixels or a number followed by "%". On failure
// returns false and sets error.
bool ParsePointOption(const std::string& text, PointOption* point, std::string* error);

// "#rgb" or "#rrggbb" (the "#" may be left out).
bool ParseColor(const std::string& text, Rgb* color, std::string* error);

// Starts from defaults and takes every field that the loaded preset supplied.
void MergeLoadedPreset(const MoveEffectIniParam& loaded, const MoveEffectIniReadFlag& flags,
                       MoveEffectIniParam* settings);

// Writes the overrides into settings; pixel coordinates become fractions of the canvas.
// width and height are 0 when there is no canvas: pixel coordinates then throw RenderError.
void ApplyOverrides(const SettingOverrides& overrides, int32_t width, int32_t height,
                    MoveEffectIniParam* settings);

// Checks every value against its range. A bad value that the command line gave is a usage
// error; one from the preset presetName is a preset error. Throws RenderError.
void CheckSettings(const MoveEffectIniParam& settings, const SettingOverrides& overrides,
                   const std::string& presetName);

// The drawing records for a width x height canvas. Points: fraction times the canvas side,
// rounded to the nearest pixel. in/out: thousandths become fractions (500 -> 0.5) unless
// asdist, when they are pixels. Every other field is copied. settings must have passed
// CheckSettings.
struct DrawingSettings {
    MoveEffectParam param{};
    PointTarget target{};
    std::string guide;
};
DrawingSettings ToDrawingSettings(const MoveEffectIniParam& settings, int32_t width,
                                  int32_t height);

// The preset word of an effect type, or "radiate" for an unknown code.
const char* TypeWord(int32_t type);
