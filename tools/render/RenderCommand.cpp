// The drawing run through the public entry points, from settings to the written PNG.
#include "render/RenderCommand.h"

#include <unistd.h>
#include <veltrix/veltrix.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "render/AtomicOutputFile.h"
#include "render/DataFolders.h"
#include "render/DemoScene.h"
#include "render/InputChecks.h"
#include "render/Interrupt.h"
#include "render/LayerImage.h"
#include "render/PngFile.h"
#include "render/ProgressReporter.h"
#include "render/RenderError.h"
#include "render/SvgLines.h"

namespace {

// The final line, which --quiet leaves out.
void Note(const RenderRequest& request, const std::string& text) {
    if (!request.quiet) {
        std::fprintf(stderr, "veltrix-render: %s\n", text.c_str());
    }
}

// What the user must hear even with --quiet: something was not as asked.
void Warn(const std::string& text) {
    std::fprintf(stderr, "veltrix-render: warning: %s\n", text.c_str());
}

std::string Plural(int64_t count, const std::string& word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

RenderError Interrupted(const std::string& when) {
    return RenderError(static_cast<ExitCode>(InterruptExitCode()),
                       InterruptName() + " " + when + "; nothing was written");
}

void PrintPresets() {
    const std::vector<std::string> names = ListNames(PresetFolder(), ".ini");
    if (names.empty()) {
        std::fprintf(stderr, "veltrix-render: no presets in %s\n", PresetFolder().c_str());
    }
    for (const std::string& name : names) {
        std::printf("%s\n", name.c_str());
    }
}

void PrintGuides() {
    for (const BuiltInGuide& guide : kBuiltInGuides) {
        std::printf("%s\t%s\n", guide.name, guide.description);
    }
    for (const std::string& name : ListNames(GuideFolder(), ".svg")) {
        std::printf("%s\n", name.c_str());
    }
}

// The preset's values over the defaults, and the key lines the library did not take.
struct LoadedPreset {
    MoveEffectIniParam settings;
    MoveEffectIniReadFlag flags{};
    std::vector<PresetKeyProblem> problems;
};

LoadedPreset LoadPresetOverDefaults(const std::string& name) {
    LoadedPreset preset;
    GetDefaultParam(&preset.settings);
    MoveEffectIniParam loaded;
    if (!LoadParam(name.c_str(), &loaded, &preset.flags)) {
        throw RenderError(kExitPreset, "no preset '" + name + "': " + PresetFolder() + name +
                                           ".ini is missing, unreadable or empty");
    }
    MergeLoadedPreset(loaded, preset.flags, &preset.settings);
    std::ifstream file(PresetFolder() + name + ".ini", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    preset.problems = FindPresetProblems(text.str(), preset.flags);
    return preset;
}

void SavePreset(const RenderRequest& request, MoveEffectIniParam settings) {
    const std::string folder = PresetFolder();
    CreateFolder(folder);
    const std::string path = folder + request.savePresetName + ".ini";
    if (!request.force && ::access(path.c_str(), F_OK) == 0) {
        throw RenderError(kExitPreset, "preset '" + request.savePresetName + "' exists (" + path +
                                           "); add --force to replace it");
    }
    if (!SaveParam(request.savePresetName.c_str(), &settings)) {
        throw RenderError(kExitPreset,
                          "cannot save preset '" + request.savePresetName + "' to " + path);
    }
    Note(request, "saved preset '" + request.savePresetName + "' to " + path);
}

// The pixel depth the library reads (255 opaque black, 0 white or clear) of one pixel.
int PixelDepth(const Image& image, size_t index, bool invertGray) {
    const double max = image.MaxValue();
    const auto sample = [&](int c) {
        return image.Sample(int32_t(index % size_t(image.width)),
                            int32_t(index / size_t(image.width)), c) /
               max;
    };
    double light =
        image.channels == 4 ? 0.299 * sample(0) + 0.587 * sample(1) + 0.114 * sample(2) : sample(0);
    light = invertGray ? 1.0 - light : light;
    const int darkness = int((1.0 - light) * 255), alpha = int(sample(image.channels - 1) * 255);
    return alpha > 254 ? darkness : darkness == 0 || alpha < 1 ? 0 : (alpha * darkness) >> 8;
}

bool AnyMarkedPixel(const Image& image, bool invertGray) {
    const size_t pixels = size_t(image.width) * size_t(image.height);
    for (size_t i = 0; i < pixels; ++i) {
        if (PixelDepth(image, i, invertGray) > 128) {
            return true;
        }
    }
    return false;
}

// Turns the colour samples into their complements, alpha kept: the library then finds the
// light parts where it looks for dark ones.
void InvertColours(Image* image) {
    const size_t samples = size_t(image->width) * size_t(image->height) * image->channels;
    const int alpha = image->channels - 1;
    if (image->bitDepth == 16) {
        auto* p = reinterpret_cast<uint16_t*>(image->pixels.data());
        for (size_t i = 0; i < samples; ++i) {
            p[i] = int(i % image->channels) == alpha ? p[i] : uint16_t(65535 - p[i]);
        }
    } else {
        uint8_t* p = image->pixels.data();
        for (size_t i = 0; i < samples; ++i) {
            p[i] = int(i % image->channels) == alpha ? p[i] : uint8_t(255 - p[i]);
        }
    }
}

// Why a run drew nothing, as far as the program can tell.
std::string WhyNothingWasDrawn(const RenderRequest& request, const DrawingSettings& drawing,
                               int paths, bool anyMarked) {
    const char* marked = request.invert ? "light" : "dark";
    if (paths == 0) {
        return "the effect laid out no path: check the target points and --spacing";
    }
    if (drawing.param.size <= 0) {
        return "the pen size is 0 (--size)";
    }
    if (!anyMarked) {
        return std::string("the base image has no ") + marked +
               ", opaque area: lines appear only there" +
               (request.invert ? "" : " (--invert lays them where it is light)");
    }
    return std::string("no path crosses a ") + marked +
           ", opaque area of the base image: check the target points";
}

int Draw(const RenderRequest& request, const MoveEffectIniParam& settings, Image* base,
         const std::vector<std::string>& tags, ProgressReporter* progress) {
    const int depth = request.depth != 0 ? request.depth : base->bitDepth;
    if (!ImageSizeFits(base->width, base->height, 4 * (depth / 8))) {
        throw RenderError(kExitInput, "the canvas is too large for a " + std::to_string(depth) +
                                          "-bit layer; try --depth 8");
    }
    const DrawingSettings drawing = ToDrawingSettings(settings, base->width, base->height);
    const std::string guideProblem = FindGuideProblem(drawing.guide);
    if (!guideProblem.empty()) {
        Warn(guideProblem);
    }

    AtomicOutputFile output(request.outPath);
    std::unique_ptr<AtomicOutputFile> svgOutput;
    if (!request.svgPath.empty()) {
        svgOutput = std::make_unique<AtomicOutputFile>(request.svgPath);
    }

    Image layer;
    layer.Allocate(base->width, base->height, 4, depth);
    const Rgb rgb = request.color ? *request.color : request.demo ? DemoLineColor() : Rgb{};
    uint8_t color[6];
    if (depth == 16) {
        const uint16_t wide[3] = {static_cast<uint16_t>(rgb.r * 257),
                                  static_cast<uint16_t>(rgb.g * 257),
                                  static_cast<uint16_t>(rgb.b * 257)};
        std::memcpy(color, wide, sizeof wide);
    } else {
        color[0] = rgb.r;
        color[1] = rgb.g;
        color[2] = rgb.b;
    }

    // A gray base is inverted by the library as it reads; colour samples by the program.
    const bool invertGray = request.invert && base->channels == 2;
    const bool invertSamples = request.invert && base->channels == 4;
    if (invertSamples) {
        InvertColours(base);
    }
    static const uint8_t kChannelOrder[4] = {0, 1, 2, 3};
    MoveEffectImageParam image{};
    image.colorMode = base->channels == 4 ? 0 : 1;
    image.depth = base->bitDepth == 16 ? VELTRIX_DEPTH_U16 : VELTRIX_DEPTH_U8;
    image.invertGray = invertGray;
    image.channelOrder = kChannelOrder;
    image.channelCount = static_cast<int8_t>(base->channels);
    image.width = base->width;
    image.height = base->height;
    image.rowBytes = static_cast<int32_t>(base->RowBytes());
    image.pixels = base->pixels.data();

    MoveEffectCanvasParam canvas{};
    canvas.colorMode = 0;
    canvas.depth = depth == 16 ? VELTRIX_DEPTH_U16 : VELTRIX_DEPTH_U8;
    canvas.color = color;
    canvas.pixels = layer.pixels.data();
    canvas.rowBytes = static_cast<int32_t>(layer.RowBytes());

    VeltrixDrawOptions options{};
    options.structSize = sizeof options;
    options.flags = VELTRIX_OPTION_SEED;
    options.seed = request.seed ? *request.seed : std::random_device()();
    SvgLines svg;
    if (svgOutput != nullptr) {
        options.lines = &SvgLines::Sink;
        options.linesUser = &svg;
    }
    DrawEffectWithOptions(&drawing.param, &drawing.target, drawing.guide.c_str(), &image, &canvas,
                          ProgressReporter::Callback, progress, &options);
    // Every path drawn: an interrupt from here on no longer cuts the picture short.
    const bool complete = progress->completed() == progress->total();

    RescaleLayerAlpha(&layer);
    const bool drewLines = AnyCoverage(layer);
    const bool anyMarked = drewLines || AnyMarkedPixel(*base, invertGray);
    if (invertSamples) {
        InvertColours(base);
    }
    // The composite takes the base over: only its size is needed after this.
    const int32_t width = base->width;
    const int32_t height = base->height;
    const Image result = request.composite || request.demo ? CompositeOver(layer, std::move(*base))
                                                           : std::move(layer);
    WritePng(output.Stream(), result, output.DisplayName(), tags, request.compression,
             [&](int64_t done, int64_t total) { return progress->Show("writing", done, total); });
    if (svgOutput != nullptr) {
        if (!svg.Write(svgOutput->Stream(), width, height, drawing.param.hardness, rgb)) {
            throw RenderError(kExitOutput, svgOutput->DisplayName() + ": cannot write");
        }
    }
    output.Commit();
    if (svgOutput != nullptr) {
        svgOutput->Commit();
    }
    progress->Finish();

    const std::string into =
        " into " + output.DisplayName() + "; seed " + std::to_string(options.seed);
    if (InterruptRequested() && !complete) {
        std::fprintf(stderr, "veltrix-render: %s after %d of %s: wrote the lines drawn so far%s\n",
                     InterruptName().c_str(), progress->completed(),
                     Plural(progress->total(), "path").c_str(), into.c_str());
        return InterruptExitCode();
    }
    Note(request, "drew " + Plural(progress->total(), "path") + into);
    if (InterruptRequested()) {
        Note(request, InterruptName() + " came after the drawing was complete: " +
                          output.DisplayName() + " holds the whole picture");
    }
    if (svgOutput != nullptr && svg.Cut()) {
        Warn(
            "the SVG holds only the first lines: the run drew more points than the library "
            "hands out");
    }
    if (!drewLines) {
        Warn("no line was drawn: " +
             WhyNothingWasDrawn(request, drawing, progress->total(), anyMarked));
    }
    return kExitOk;
}

}  // namespace

int RunRequest(const RenderRequest& request) {
    InstallSignalHandlers();
    if (request.listPresets) {
        PrintPresets();
    }
    if (request.listGuides) {
        PrintGuides();
    }
    const bool draw = !request.outPath.empty();
    if (!draw && request.savePresetName.empty()) {
        return kExitOk;
    }

    const ProgressReporter::Mode mode = request.quiet             ? ProgressReporter::Mode::Quiet
                                        : ::isatty(STDERR_FILENO) ? ProgressReporter::Mode::Bar
                                                                  : ProgressReporter::Mode::Plain;
    ProgressReporter progress(mode, stderr);
    Image base;
    std::vector<std::string> tags;
    const int32_t demoSize = request.demoSize != 0 ? request.demoSize : kDefaultDemoSize;
    if (request.demo) {
        base = MakeDemoBase(demoSize);
    } else if (!request.basePath.empty()) {
        base = ReadPng(request.basePath, &tags, [&](int64_t done, int64_t total) {
            return progress.Show("reading", done, total);
        });
    }
    if (InterruptRequested()) {
        progress.Finish();
        throw Interrupted("while reading the base image");
    }

    MoveEffectIniParam settings;
    LoadedPreset preset;
    bool pointsFromDefaults[3] = {true, true, true};
    if (!request.presetName.empty()) {
        preset = LoadPresetOverDefaults(request.presetName);
        settings = preset.settings;
        pointsFromDefaults[0] = !preset.flags.p1;
        pointsFromDefaults[1] = !preset.flags.p2;
        pointsFromDefaults[2] = !preset.flags.p3;
    } else if (request.demo) {
        settings = DemoSettings(request.overrides.type.value_or(VELTRIX_TYPE_RADIATE), demoSize);
        pointsFromDefaults[0] = pointsFromDefaults[1] = pointsFromDefaults[2] = false;
    } else {
        GetDefaultParam(&settings);
    }
    ApplyOverrides(request.overrides, base.width, base.height, &settings);
    PlaceDefaultPoints(request.overrides, pointsFromDefaults, &settings);
    if (request.lines) {
        if (request.overrides.spacing) {
            throw RenderError(kExitUsage, "--lines and --spacing both set the gap; give one");
        }
        if (settings.type != VELTRIX_TYPE_RADIATE) {
            throw RenderError(kExitUsage,
                              "--lines counts radiate lines; for parallel and circle the gap is "
                              "--spacing in pixels");
        }
        settings.spacing = static_cast<int32_t>(std::lround(4000.0 / *request.lines));
    }
    CheckSettings(settings, request.overrides, request.presetName);
    for (const PresetKeyProblem& problem : preset.problems) {
        std::string used;
        if (!problem.key.empty()) {
            used = "; using " + SettingText(settings, problem.key);
        }
        Warn("preset '" + request.presetName + "' line " + std::to_string(problem.line) + ": " +
             problem.text + " " + problem.reason + used);
    }

    if (!request.savePresetName.empty()) {
        SavePreset(request, settings);
    }
    return draw ? Draw(request, settings, &base, tags, &progress) : kExitOk;
}
