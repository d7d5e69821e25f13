// The drawing run through the public entry points, from settings to the written PNG.
#include "render/RenderCommand.h"

#include <unistd.h>
#include <veltrix/veltrix.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "render/AtomicOutputFile.h"
#include "render/DataFolders.h"
#include "render/DemoScene.h"
#include "render/Interrupt.h"
#include "render/LayerImage.h"
#include "render/PngFile.h"
#include "render/ProgressReporter.h"
#include "render/RenderError.h"
#include "render/SvgLines.h"

namespace {

void Note(const RenderRequest& request, const std::string& text) {
    if (!request.quiet) {
        std::fprintf(stderr, "veltrix-render: %s\n", text.c_str());
    }
}

void PrintPresets() {
    for (const std::string& name : ListNames(PresetFolder(), ".ini")) {
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

MoveEffectIniParam LoadPresetOverDefaults(const std::string& name) {
    MoveEffectIniParam settings;
    GetDefaultParam(&settings);
    MoveEffectIniParam loaded;
    MoveEffectIniReadFlag flags{};
    if (!LoadParam(name.c_str(), &loaded, &flags)) {
        throw RenderError(kExitPreset, "no preset '" + name + "': " + PresetFolder() + name +
                                           ".ini is missing, unreadable or empty");
    }
    MergeLoadedPreset(loaded, flags, &settings);
    return settings;
}

void SavePreset(const RenderRequest& request, MoveEffectIniParam settings) {
    const std::string folder = PresetFolder();
    CreateFolder(folder);
    const std::string path = folder + request.savePresetName + ".ini";
    if (!SaveParam(request.savePresetName.c_str(), &settings)) {
        throw RenderError(kExitPreset,
                          "cannot save preset '" + request.savePresetName + "' to " + path);
    }
    Note(request, "saved preset '" + request.savePresetName + "' to " + path);
}

void WarnAboutMissingGuide(const RenderRequest& request, const std::string& guide) {
    if (IsBuiltInGuide(guide)) {
        return;
    }
    std::error_code error;
    const std::string path = GuideFolder() + guide + ".svg";
    if (!std::filesystem::is_regular_file(path, error)) {
        Note(request, "guide '" + guide + "' not found (" + path +
                          "); the library draws the straight line instead");
    }
}

bool AnyCoverage(const Image& layer) {
    for (int32_t y = 0; y < layer.height; ++y) {
        for (int32_t x = 0; x < layer.width; ++x) {
            if (layer.Sample(x, y, 3) != 0) {
                return true;
            }
        }
    }
    return false;
}

int Draw(const RenderRequest& request, const MoveEffectIniParam& settings, const Image& base) {
    const int depth = request.depth != 0 ? request.depth : base.bitDepth;
    if (!ImageSizeFits(base.width, base.height, 4 * (depth / 8))) {
        throw RenderError(kExitInput, "the canvas is too large for a " + std::to_string(depth) +
                                          "-bit layer; try --depth 8");
    }
    const DrawingSettings drawing = ToDrawingSettings(settings, base.width, base.height);
    WarnAboutMissingGuide(request, drawing.guide);

    InstallInterruptHandler();
    AtomicOutputFile output(request.outPath);
    std::unique_ptr<AtomicOutputFile> svgOutput;
    if (!request.svgPath.empty()) {
        svgOutput = std::make_unique<AtomicOutputFile>(request.svgPath);
    }

    Image layer;
    layer.Allocate(base.width, base.height, 4, depth);
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

    static const uint8_t kChannelOrder[4] = {0, 1, 2, 3};
    MoveEffectImageParam image{};
    image.colorMode = base.channels == 4 ? 0 : 1;
    image.depth = base.bitDepth == 16 ? VELTRIX_DEPTH_U16 : VELTRIX_DEPTH_U8;
    image.channelOrder = kChannelOrder;
    image.channelCount = static_cast<int8_t>(base.channels);
    image.width = base.width;
    image.height = base.height;
    image.rowBytes = static_cast<int32_t>(base.RowBytes());
    image.pixels = base.pixels.data();

    MoveEffectCanvasParam canvas{};
    canvas.colorMode = 0;
    canvas.depth = depth == 16 ? VELTRIX_DEPTH_U16 : VELTRIX_DEPTH_U8;
    canvas.color = color;
    canvas.pixels = layer.pixels.data();
    canvas.rowBytes = static_cast<int32_t>(layer.RowBytes());

    const ProgressReporter::Mode mode = request.quiet             ? ProgressReporter::Mode::Quiet
                                        : ::isatty(STDERR_FILENO) ? ProgressReporter::Mode::Bar
                                                                  : ProgressReporter::Mode::Plain;
    ProgressReporter progress(mode, stderr);
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
                          ProgressReporter::Callback, &progress, &options);
    progress.Finish();

    RescaleLayerAlpha(&layer);
    const bool drewLines = AnyCoverage(layer);
    const Image result =
        request.composite || request.demo ? CompositeOver(layer, base) : std::move(layer);
    WritePng(output.Stream(), result, request.outPath);
    if (svgOutput != nullptr) {
        if (!svg.Write(svgOutput->Stream(), base.width, base.height, drawing.param.hardness, rgb)) {
            throw RenderError(kExitOutput, request.svgPath + ": cannot write");
        }
        if (svg.Cut()) {
            Note(request,
                 "the SVG holds only the first lines: the run drew more points than "
                 "the library hands out");
        }
    }
    output.Commit();
    if (svgOutput != nullptr) {
        svgOutput->Commit();
    }

    const std::string counts =
        std::to_string(progress.completed()) + " of " + std::to_string(progress.total());
    if (InterruptRequested()) {
        Note(request, "interrupted after " + counts + " paths; wrote what was drawn to " +
                          request.outPath + "; seed " + std::to_string(options.seed));
        return InterruptExitCode();
    }
    Note(request, "drew " + std::to_string(progress.total()) + " paths into " + request.outPath +
                      "; seed " + std::to_string(options.seed));
    if (!drewLines) {
        Note(request,
             "no line was drawn: lines appear only where the base image is dark and "
             "opaque, and along the paths the target points lay out");
    }
    return kExitOk;
}

}  // namespace

int RunRequest(const RenderRequest& request) {
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

    Image base;
    const int32_t demoSize = request.demoSize != 0 ? request.demoSize : kDefaultDemoSize;
    if (request.demo) {
        base = MakeDemoBase(demoSize);
    } else if (!request.basePath.empty()) {
        base = ReadPng(request.basePath);
    }

    MoveEffectIniParam settings;
    if (!request.presetName.empty()) {
        settings = LoadPresetOverDefaults(request.presetName);
    } else if (request.demo) {
        settings = DemoSettings(request.overrides.type.value_or(VELTRIX_TYPE_RADIATE), demoSize);
    } else {
        GetDefaultParam(&settings);
    }
    ApplyOverrides(request.overrides, base.width, base.height, &settings);
    CheckSettings(settings, request.overrides, request.presetName);

    if (!request.savePresetName.empty()) {
        SavePreset(request, settings);
    }
    return draw ? Draw(request, settings, base) : kExitOk;
}
