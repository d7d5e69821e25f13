// What every host of the library shares about the drawing settings: one table of the preset's
// fields with their ranges and help groups, the conversion from a preset record to the drawing
// records, and the default target points of each effect type.
#pragma once

#include <veltrix/veltrix.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrix_host {

enum class FieldKind {
    Type,    // the effect type, 0..2; shown as a word
    Guide,   // the guide name
    Point,   // a target point; presets keep it relative to the canvas
    Number,  // a number in [min, max]; whole when `integer`
    Taper,   // a whole number of thousandths of half the line, or pixels with asdist
    Switch,  // on or off
};

struct SettingField {
    const char* key;  // the preset key and MoveEffectIniParam field
    FieldKind kind;
    double min;
    double max;
    bool integer;
    const char* group;  // help group, in the order hosts show them
    const char* help;
    size_t offset;  // of the field in MoveEffectIniParam
};

// Every setting in the order hosts list them.
extern const SettingField kSettingFields[];
extern const size_t kSettingFieldCount;

// in and out without asdist count thousandths: at most this.
constexpr int32_t kMaxTaperThousandths = 1000;
// The guide name must fit the preset record with its NUL.
constexpr size_t kMaxGuideNameBytes = 258;
// The built-in guides.
struct BuiltInGuide {
    const char* name;
    const char* description;
};
extern const BuiltInGuide kBuiltInGuides[2];

// The field's value as a double (Number, Taper, Switch, Type).
double GetNumber(const MoveEffectIniParam& settings, const SettingField& field);
// Sets the field from a double, converting to its width (whole fields round to nearest).
void SetNumber(MoveEffectIniParam* settings, const SettingField& field, double value);

// Checks every Number, Taper and Type against its range and the tapers against thousandths.
// Returns an empty string, or what is wrong with the first bad value ("size -1 is out of
// range 0 to 1000").
std::string CheckSettings(const MoveEffectIniParam& settings);

// Copies the fields that a loaded preset supplied over settings.
void MergeLoadedPreset(const MoveEffectIniParam& loaded, const MoveEffectIniReadFlag& flags,
                       MoveEffectIniParam* settings);

// Sets the guide name, cut to kMaxGuideNameBytes.
void SetGuideName(MoveEffectIniParam* settings, const std::string& name);

// The drawing records for a width x height canvas. Points: fraction times the canvas side,
// rounded to the nearest pixel. in/out: thousandths become fractions (500 -> 0.5) unless
// asdist, when they are pixels. Every other field is copied. settings must pass CheckSettings.
struct DrawingSettings {
    MoveEffectParam param{};
    PointTarget target{};
    std::string guide;
};
DrawingSettings ToDrawingSettings(const MoveEffectIniParam& settings, int32_t width,
                                  int32_t height);

// The default target points of `type`, laid into the rectangle (x, y, width, height) in
// pixels, the way the library lays them into the canvas: a host passes the selection's bounds,
// or the whole canvas. Returns false for an unknown type.
bool DefaultTargetPoints(int type, double x, double y, double width, double height,
                         PathPoint points[3]);

// Parses a seed: 1 to 20 decimal digits that fit 64 bits.
bool ParseSeed(const std::string& text, uint64_t* seed);

}  // namespace veltrix_host
