// The command line of veltrix-render, parsed with CLI11.
#pragma once

#include <optional>
#include <string>

#include "render/PngFile.h"
#include "render/RenderSettings.h"

// Everything the command line asks for.
struct RenderRequest {
    std::string basePath;  // empty with --demo or when nothing is drawn
    std::string outPath;   // empty when nothing is drawn
    bool demo = false;
    int32_t demoSize = 0;  // 0: the default
    bool composite = false;
    int depth = 0;  // 8 or 16; 0: the base image's depth
    bool quiet = false;
    std::string presetName;      // --preset
    std::string savePresetName;  // --save-preset
    bool listPresets = false;
    bool listGuides = false;
    std::optional<Rgb> color;
    std::optional<uint64_t> seed;  // --seed; without it a random seed, printed at the end
    std::string svgPath;           // --svg: the lines as SVG outlines too
    std::optional<int> lines;      // --lines: radiate lines round the centre
    bool invert = false;           // lines where the base is light
    bool force = false;            // --save-preset may replace a preset
    PngCompression compression = PngCompression::Default;
    SettingOverrides overrides;
};

// Parses argv. Returns an exit code when the program should end at once (after --help or
// --version, or a bad command line, whose message it has printed); otherwise nothing.
std::optional<int> ParseCommandLine(int argc, const char* const* argv, RenderRequest* request);
