// Whole runs against recorded layers: one row per scene, every fluctuation 0 so that the random
// sources do not matter, each drawn at 1 and 2 workers. The 64-bit FNV-1a hash of every layer
// byte changes with any byte, so a rewrite of the drawing code that keeps these hashes keeps the
// bytes of these scenes. Then a worked example.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include "DrawHarness.h"

namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (const uint8_t b : bytes) {
        hash = (hash ^ b) * 0x100000001b3u;
    }
    return hash;
}

int WidthOf(int depth) {
    return depth == VELTRIX_DEPTH_FLOAT ? 4 : (depth == 1 || depth == 2) ? 2 : 1;
}

// Stores v (0 to 1 for the integer encodings) in the encoding.
void Store(uint8_t* at, int depth, float v) {
    const uint16_t u = depth == VELTRIX_DEPTH_HALF ? MoveEffectFilter::Float32To16(v)
                                                   : static_cast<uint16_t>(v * 65535.0f + 0.5f);
    if (depth == VELTRIX_DEPTH_U8) {
        *at = static_cast<uint8_t>(v * 255.0f + 0.5f);
    } else {
        std::memcpy(at, depth == VELTRIX_DEPTH_FLOAT ? static_cast<const void*>(&v) : &u,
                    WidthOf(depth));
    }
}

struct Base {
    int8_t colorMode;
    uint8_t depth;
    bool invertGray = false;
    int maskDepth = -1;  // -1: no mask
    bool upward = false;
    bool hostile = false;  // float images only: NaN and infinite channels here and there
};

// Blocks of graded darkness, some pixels translucent; rows padded to an odd length.
struct EncodedImage {
    EncodedImage(const Base& b, int width, int height) {
        static constexpr uint8_t kOrders[3][5] = {{2, 1, 0, 3}, {0, 1}, {0, 1, 2, 3, 4}};
        const int channels = b.colorMode == 0 ? 4 : b.colorMode == 1 ? 2 : 5;
        const int w = WidthOf(b.depth);
        const int rowBytes = width * channels * w + 3;
        pixels.assign(static_cast<size_t>(rowBytes) * height, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool block = (x / 12 + y / 9) % 3 != 0;
                const float dark = block ? 0.35f + 0.65f * ((x * 3 + y * 5) % 17) / 16.0f : 0.1f;
                float v[5] = {1.0f - dark, 1.0f - dark, 1.0f - dark, 0, 0};
                v[0] = b.colorMode == 1 && b.invertGray ? dark : v[0];
                v[3] = b.colorMode == 2 ? dark : v[3];
                if (b.colorMode == 2) {
                    v[0] = v[1] = v[2] = 0;
                }
                float& alpha = v[channels - 1] = (x + 2 * y) % 11 == 0 ? 0.55f : 1.0f;
                const int pick = (x * 7 + y * 3) % 41;
                if (b.hostile && pick < 3) {
                    const float inf = std::numeric_limits<float>::infinity();
                    (pick == 2 ? alpha : v[0]) = pick == 0 ? std::nanf("") : pick == 1 ? -inf : inf;
                }
                uint8_t* pixel = &pixels[static_cast<size_t>(y) * rowBytes + x * channels * w];
                for (int c = 0; c < channels; ++c) {
                    Store(pixel + kOrders[b.colorMode][c] * w, b.depth, v[c]);
                }
            }
        }
        const uint8_t* first = pixels.data() + (b.upward ? rowBytes * (height - 1) : 0);
        param = {b.colorMode,
                 b.depth,
                 b.invertGray,
                 kOrders[b.colorMode],
                 static_cast<int8_t>(channels),
                 width,
                 height,
                 b.upward ? -rowBytes : rowBytes,
                 first,
                 0,
                 0,
                 nullptr};
        if (b.maskDepth >= 0) {
            // Elements lie at byte x of their row whatever their width: bytes near a base value.
            static constexpr uint8_t kMaskBytes[4] = {190, 190, 0x39, 0x3F};
            mask.resize(static_cast<size_t>(width + 3) * height);
            for (size_t i = 0; i < mask.size(); ++i) {
                mask[i] = static_cast<uint8_t>(kMaskBytes[b.maskDepth] + i % 3);
            }
            param.maskDepth = static_cast<uint8_t>(b.maskDepth);
            param.maskRowBytes = width + 3;
            param.mask = mask.data();
        }
    }

    MoveEffectImageParam param{};
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> mask;
};

struct Layer {
    uint8_t colorMode, depth;
    bool upward = false;
};

struct Progress {
    int total = 0, calls = 0, last = 0;

    static int Count(int total, int completed, void* user) {
        auto* self = static_cast<Progress*>(user);
        self->total = total;
        ++self->calls;
        self->last = completed;
        return 1;
    }
};

struct Scene {
    const char* name;
    int type, spacing;
    const char* guide;
    int width, height;
    PointTarget target;
    Base base;
    Layer layer;
    void (*tweak)(MoveEffectParam&);
    int tasks;  // the progress callback's total
    uint64_t hash;
};

// The layer after one run: prefilled with 0xAB so that clearing shows, rows padded.
std::vector<uint8_t> DrawScene(const Scene& s, unsigned workers, Progress& progress) {
    const EncodedImage image(s.base, s.width, s.height);
    MoveEffectParam param = SteadyParam(s.type, s.spacing);
    param.length = 24;
    s.tweak(param);
    const int mode = s.layer.colorMode;
    const int channels = mode == 0 ? 4 : mode == 2 ? 5 : mode == 3 ? 1 : 2;
    const int rowBytes = s.width * channels * WidthOf(s.layer.depth) + 5;
    std::vector<uint8_t> layer(static_cast<size_t>(rowBytes) * s.height, 0xAB);
    static constexpr uint8_t kColour[16] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                            0x99, 0x12, 0x23, 0x34, 0x45, 0x56, 0x67, 0x78};
    uint8_t* first = layer.data() + (s.layer.upward ? layer.size() - rowBytes : 0);
    Draw(TestRun{workers}, param, s.target, s.guide, image.param,
         {s.layer.colorMode, s.layer.depth, kColour, first, s.layer.upward ? -rowBytes : rowBytes},
         &Progress::Count, &progress);
    return layer;
}

using P = MoveEffectParam;
constexpr int kR = VELTRIX_TYPE_RADIATE, kP = VELTRIX_TYPE_PARALLEL, kC = VELTRIX_TYPE_CIRCLE;
constexpr uint8_t kU8 = VELTRIX_DEPTH_U8, kU16 = VELTRIX_DEPTH_U16, kHalf = VELTRIX_DEPTH_HALF,
                  kFloat = VELTRIX_DEPTH_FLOAT;
constexpr PointTarget kStar{{64, 48}, {70, 40}, {130, 100}};
constexpr PointTarget kStack{{4, 10}, {150, 30}, {10, 120}};
constexpr PointTarget kRings{{40, 64}, {120, 64}, {80, 40}};

// Hashes and task counts recorded from a build whose drawing the differential, stress and
// property tests vouch for.
// clang-format off
const Scene kScenes[] = {
    {"radiate, hard pen", kR, 120, ":S", 128, 96, kStar, {0, kU8}, {0, kU8},
     [](P&) {}, 34, 0xfa8275afef861b81u},
    {"radiate, soft pen, curve guide", kR, 90, ":C", 128, 96, kStar, {1, kU8}, {1, kU8},
     [](P& p) { p.hardness = 0.5; p.curvature = 0.6; p.size = 5; }, 45, 0x3699175444baf394u},
    {"radiate, hardness 0, tapers as distances", kR, 150, ":S", 128, 96, kStar, {2, kU8}, {2, kU8},
     [](P& p) { p.hardness = 0; p.size = 6; p.asdist = 1; p.in = 6; p.out = 12; }, 27, 0xf68ec10cd6611fc9u},
    {"radiate, eased fraction tapers and position", kR, 100, ":S", 96, 96, kStar, {0, kU8},
     {7, kU8}, [](P& p) { p.easing = 1; p.in = 0.3; p.out = 0.9; p.position = 3; }, 41, 0x904774ac4557e571u},
    {"radiate, taper fractions over 1 clamped", kR, 100, ":S", 96, 96, kStar, {1, kU8},
     {1, kU16}, [](P& p) { p.in = 3.5; p.out = 2; p.length = 40; }, 41, 0x719fe732f3500193u},
    {"unknown type 7 as radiate with length gain", 7, 200, ":S", 96, 96, kStar, {1, kU8},
     {0, kU8}, [](P& p) { p.lengain = 0.2; p.size = 2.5; }, 21, 0x9b5a25f4edfe7578u},
    {"radiate, 1-pixel hard pen", kR, 40, ":S", 128, 96, kStar, {0, kU16}, {3, kU8},
     [](P& p) { p.size = 1; }, 101, 0x2756b5d12b91f26du},
    {"radiate, pen wider than the canvas", kR, 300, ":S", 64, 64, {{32, 32}, {32, 20}, {32, 0}},
     {1, kU8}, {3, kU16}, [](P& p) { p.size = 300; p.hardness = 0; }, 14, 0xeaad92b3009faf19u},
    {"parallel, hard pen, connect off", kP, 9, ":S", 160, 128, kStack, {0, kU16}, {3, kU8},
     [](P& p) { p.connect = 0; }, 13, 0xa88a8fb8c44ee8e8u},
    {"parallel, length gain", kP, 11, ":S", 160, 128, kStack, {1, kU16, true}, {0, kU16},
     [](P& p) { p.lengain = 0.5; }, 11, 0x4a641b71934987f2u},
    {"parallel, spacing gain", kP, 5, ":S", 160, 128, kStack, {0, kHalf}, {0, kHalf},
     [](P& p) { p.spcgain = 2; p.hardness = 0.5; }, 9, 0x251deeb8783b41d1u},
    {"parallel, curve guide bent back, negative position", kP, 10, ":C", 160, 128, kStack,
     {1, kFloat}, {1, kFloat}, [](P& p) { p.curvature = -1; p.position = -5; }, 12, 0x6c0461d87d1a985eu},
    {"parallel, eased distance tapers", kP, 8, ":S", 160, 128, kStack, {1, kFloat}, {1, kHalf},
     [](P& p) { p.easing = 1; p.asdist = 1; p.in = 40; p.out = 5; p.length = 60; }, 14, 0x60cf515ccbc2acdbu},
    {"parallel, pen far wider than the canvas", kP, 9, ":S", 40, 40, {{0, 5}, {40, 5}, {0, 40}},
     {0, kU8}, {0, kFloat}, [](P& p) { p.size = 1e6; }, 4, 0x731aa46e4e2a7345u},
    {"parallel, bottom-up image and layer", kP, 7, ":S", 128, 96, kStack,
     {0, kU8, false, -1, true}, {0, kU8, true}, [](P& p) { p.hardness = 0.8; }, 16, 0xa4f495c12bc5143bu},
    {"parallel, layer large enough for bands", kP, 40, ":S", 512, 512,
     {{0, 20}, {512, 120}, {0, 500}}, {0, kU8}, {0, kFloat}, [](P&) {}, 13, 0x016e96ca55794264u},
    {"circle, hard pen", kC, 14, ":S", 160, 128, kRings, {1, kFloat}, {0, kFloat},
     [](P&) {}, 6, 0x06fef6608b666993u},
    {"circle, soft pen, gains, masked half gray", kC, 12, ":S", 160, 128, kRings,
     {1, kHalf, true, kU8}, {2, kHalf},
     [](P& p) { p.hardness = 0.25; p.spcgain = -1.5; p.lengain = 0.3; }, 11, 0x1b5668dacebd1b11u},
    {"circle, sub-pixel pen, masked", kC, 6, ":S", 160, 128, kRings, {0, kU8, false, kU8},
     {1, kFloat}, [](P& p) { p.size = 0.6; }, 15, 0xefec93d3c9b634b9u},
    {"circle, curve guide, connect off", kC, 16, ":C", 160, 128, kRings, {2, kU16}, {0, kU8},
     [](P& p) { p.curvature = 2; p.connect = 0; }, 6, 0xceaa998f40a7675eu},
    {"circle, spacing gain, 16-bit gray", kC, 10, ":S", 160, 128, kRings, {1, kU16},
     {3, kFloat}, [](P& p) { p.spcgain = 3; p.hardness = 0.75; }, 9, 0xeb51146113b3353au},
    {"circle, thin rings reaching in from afar", kC, 6, ":S", 128, 96,
     {{-200, 50}, {300, 50}, {50, 20}}, {0, kU8}, {0, kU8}, [](P&) {}, 8, 0x410f61739f9a17f0u},
    {"float cmyk with non-finite channels", kP, 6, ":S", 128, 96, kStack,
     {2, kFloat, false, -1, false, true}, {0, kFloat}, [](P&) {}, 19, 0x8a6b15c31dfed273u},
    {"float rgb, float mask, non-finite channels", kR, 80, ":S", 128, 96, kStar,
     {0, kFloat, false, kFloat, false, true}, {2, kFloat}, [](P&) {}, 50, 0x48ce3622af118e95u},
    {"16-bit cmyk with a 16-bit mask", kC, 9, ":S", 128, 96, kRings, {2, kU16, false, kU16},
     {1, kU16}, [](P&) {}, 10, 0xa6f1ceb7d6e90e16u},
    {"half cmyk with a half mask", kP, 6, ":S", 128, 96, kStack, {2, kHalf, false, kHalf},
     {3, kHalf}, [](P&) {}, 19, 0xa2b15c74c6b87073u},
};
// clang-format on

TEST(GoldenScenes, EveryRunGivesItsRecordedLayerAtOneAndTwoWorkers) {
    for (const Scene& s : kScenes) {
        for (const unsigned workers : {1u, 2u}) {
            Progress progress;
            const std::vector<uint8_t> layer = DrawScene(s, workers, progress);
            EXPECT_EQ(Fnv1a(layer), s.hash)
                << s.name << ", " << workers << " workers: 0x" << std::hex << Fnv1a(layer);
            EXPECT_EQ(progress.total, s.tasks) << s.name;
            EXPECT_TRUE(progress.calls == s.tasks && progress.last == s.tasks) << s.name;
            const std::set<uint8_t> values(layer.begin(), layer.end());
            EXPECT_GT(values.size(), 2u) << s.name << " draws nothing";
        }
    }
}

TEST(WorkedExamples, HardDabOfDiameterFourAndItsAlphaInEachEncoding) {
    Canvas canvas(PenParam(1, 1.0), 10, 10);
    canvas->DrawCircle(5.5, 5.5, 4.0);
    // Nine pixels whole; the rim: half of the 16 samples of (3, 5), a quarter of (3, 4)'s.
    const std::vector<uint8_t> row5 = {0, 128, 255, 255, 255, 128, 0};
    const std::vector<uint8_t> row4 = {0, 64, 255, 255, 255, 64, 0};
    for (int x = 2; x < 9; ++x) {
        EXPECT_EQ(canvas.At(x, 5), row5[x - 2]) << x;
        EXPECT_EQ(canvas.At(x, 4), row4[x - 2]) << x;
    }
    EXPECT_EQ(canvas.Rect(), (std::vector<int32_t>{3, 3, 8, 8}));
    // Alpha of (3, 5) and (4, 5) in alpha-only layers: full coverage is 65025 in 16 bits, and
    // 128 / 255 has its half-float fraction truncated.
    const float mid = 128.0f / 255.0f;
    const struct {
        int depth;
        std::vector<uint8_t> rim, core;
    } cases[] = {{VELTRIX_DEPTH_U16, {0x80, 0x7F}, {0x01, 0xFE}},
                 {VELTRIX_DEPTH_HALF, {0x04, 0x38}, {0x00, 0x3C}},
                 {VELTRIX_DEPTH_FLOAT,
                  std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&mid),
                                       reinterpret_cast<const uint8_t*>(&mid) + 4),
                  {0, 0, 0x80, 0x3F}}};
    for (const auto& c : cases) {
        const int w = WidthOf(c.depth);
        std::vector<uint8_t> layer(10 * 10 * w, 0xAB);
        canvas->DrawToCanvas(3, c.depth, nullptr, layer.data(), 10 * w);
        const auto at = [&](int x) { return layer.begin() + (50 + x) * w; };
        EXPECT_EQ(std::vector<uint8_t>(at(3), at(4)), c.rim) << c.depth;
        EXPECT_EQ(std::vector<uint8_t>(at(4), at(5)), c.core) << c.depth;
        EXPECT_EQ(layer[0], 0) << "cleared outside the dirty rectangle";
    }
}

}  // namespace
