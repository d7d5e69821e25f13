// The benchmark scenes: the default preset made absolute, with the pen and spacing artists use.
#include "Scenes.h"

#include <map>
#include <memory>
#include <stdexcept>

#include "BenchSupport.h"
#include "preset/PresetDefaults.h"

namespace bench {

namespace {

// The default preset of `type` on a canvas of `size`: points made absolute, tapers (stored in
// thousandths) as fractions; pen size 4, spacing 10 and fluctuations of 0.2 as artists set them.
Scene Typical(const std::string& name, int type, int size) {
    MoveEffectIniParam preset;
    GetDefaultPreset(&preset);
    PathPoint points[3];
    for (int i = 0; i < 3; ++i) {
        GetDefaultTargetPoint(type, i, points[i]);
    }
    const auto absolute = [size](const PathPoint& p) {
        return TargetPoint{static_cast<int32_t>(p.x * size), static_cast<int32_t>(p.y * size)};
    };
    MoveEffectParam param{};
    param.type = type;
    param.curvature = preset.curvature;
    param.size = 4.0;
    param.hardness = preset.hardness;
    param.fluction = preset.fluction;
    param.in = preset.in / 1000.0;
    param.out = preset.out / 1000.0;
    param.asdist = preset.asdist;
    param.easing = preset.easing;
    param.position = preset.position;
    param.posfluct = preset.posfluct;
    param.length = preset.length;
    param.lenfluct = 0.2;
    param.spacing = 10;
    param.spcfluct = 0.2;
    param.lengain = preset.lengain;
    param.spcgain = preset.spcgain;
    param.connect = preset.connect;
    return {name, size, param, {absolute(points[0]), absolute(points[1]), absolute(points[2])}};
}

}  // namespace

std::vector<Scene> Scenes() {
    const int full = Smoke() ? 256 : 4096;
    std::vector<Scene> scenes;
    scenes.push_back(Typical("radiate", VELTRIX_TYPE_RADIATE, full));
    scenes.push_back(Typical("parallel", VELTRIX_TYPE_PARALLEL, full));
    scenes.push_back(Typical("circle", VELTRIX_TYPE_CIRCLE, full));
    Scene soft = Typical("soft50", VELTRIX_TYPE_RADIATE, full);
    soft.param.hardness = 0.5;
    scenes.push_back(soft);
    soft.name = "soft0";
    soft.param.hardness = 0.0;
    scenes.push_back(soft);
    // Soft wide pens five pixels apart: most pixels lie under several lines.
    Scene dense = Typical("dense", VELTRIX_TYPE_RADIATE, Smoke() ? 128 : 512);
    dense.param.hardness = 0.0;
    dense.param.size = 16.0;
    dense.param.spacing = Smoke() ? 60 : 5;
    scenes.push_back(dense);
    Scene large = Typical("large32", VELTRIX_TYPE_RADIATE, full);
    large.param.size = 32.0;
    scenes.push_back(large);
    // Few lines on a small canvas: 16 radiating paths, where fixed costs show.
    Scene latency = Typical("latency", VELTRIX_TYPE_RADIATE, Smoke() ? 128 : 512);
    latency.param.spacing = 250;
    scenes.push_back(latency);
    return scenes;
}

Scene FindScene(const std::string& name) {
    for (const Scene& scene : Scenes()) {
        if (scene.name == name) {
            return scene;
        }
    }
    throw std::invalid_argument("no scene " + name);
}

const MoveEffectImageParam& DarkImage(int size) {
    struct Image {
        std::vector<uint8_t> pixels;
        MoveEffectImageParam param;
    };
    static std::map<int, std::unique_ptr<Image>> images;
    static const uint8_t order[4] = {0, 1, 2, 3};
    std::unique_ptr<Image>& image = images[size];
    if (!image) {
        image = std::make_unique<Image>();
        image->pixels.assign(static_cast<size_t>(size) * size * 4, 0);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                uint8_t* p = &image->pixels[(static_cast<size_t>(y) * size + x) * 4];
                const uint8_t level = (x + 2 * y) % 509 < 12 ? 255 : 20;
                p[0] = p[1] = p[2] = level;
                p[3] = 255;
            }
        }
        MoveEffectImageParam& param = image->param;
        param = MoveEffectImageParam{};
        param.colorMode = 0;
        param.depth = VELTRIX_DEPTH_U8;
        param.channelOrder = order;
        param.channelCount = 4;
        param.width = size;
        param.height = size;
        param.rowBytes = size * 4;
        param.pixels = image->pixels.data();
    }
    return image->param;
}

Layer::Layer(int side) : size(side), pixels(static_cast<size_t>(side) * side * 4) {}

MoveEffectCanvasParam Layer::Param() {
    static const uint8_t colour[3] = {40, 40, 200};
    MoveEffectCanvasParam canvas{};
    canvas.colorMode = 0;
    canvas.depth = VELTRIX_DEPTH_U8;
    canvas.color = colour;
    canvas.pixels = pixels.data();
    canvas.rowBytes = size * 4;
    return canvas;
}

}  // namespace bench
