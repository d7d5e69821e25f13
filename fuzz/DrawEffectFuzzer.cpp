// Fuzz target: DrawEffect on small canvases with records, encodings and row layouts from the input.
#include <veltrix/veltrix.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "FuzzInput.h"
#include "plugin/DrawRun.h"

namespace {

// Guides beside the built-in ones, written once into a private guide folder: they reach the
// layouts with shapes the built-ins lack (corners, a loop, no pieces, no width, a vast extent).
struct GuideFile {
    const char* name;
    const char* text;
};
constexpr GuideFile kGuideFiles[] = {
    {"zigzag", "<svg><path d=\"M0 0 L10 20 L20 -20 L30 20 L40 -20 L50 0\"/></svg>"},
    {"loop", "<svg><path d=\"M0 0 C60 -60 100 60 0 0\"/></svg>"},
    {"waves", "<svg><path d=\"M0 0 Q25 40 50 0 q25 -40 50 0 M100 10 L120 10\"/></svg>"},
    {"dot", "<svg><path d=\"M5 5\"/></svg>"},
    {"upright", "<svg><path d=\"M0 0 L0 100\"/></svg>"},
    {"vast", "<svg><path d=\"M0 0 L1e300 1e300\"/></svg>"},
    {"tilted", "<svg><path transform=\"matrix(0 1 -1 0 10 10)\" d=\"M0 0 L80 30\"/></svg>"},
};
// Built-in names, the files above and one name with no file (the straight-line fallback).
const char* const kGuideNames[] = {":S",  ":C",      "zigzag", "loop",   "waves",
                                   "dot", "upright", "vast",   "tilted", "missing"};

std::filesystem::path g_dataHome;

void RemoveDataHome() {
    std::error_code ignored;
    std::filesystem::remove_all(g_dataHome, ignored);
}

// Points the data folder at a fresh temporary one and writes the guide files into it.
void MakeGuideFolder() {
    char pattern[] = "/tmp/veltrix-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::abort();
    }
    g_dataHome = pattern;
    setenv("XDG_DATA_HOME", pattern, 1);
    std::atexit(RemoveDataHome);

    const int length = GetPluginDirPath(0, nullptr, 0);
    if (length <= 0) {
        std::abort();
    }
    std::string folder(static_cast<size_t>(length) + 1, '\0');
    GetPluginDirPath(0, &folder[0], length + 1);
    folder.resize(static_cast<size_t>(length));
    std::filesystem::create_directories(folder);
    for (const GuideFile& guide : kGuideFiles) {
        std::ofstream(folder + guide.name + ".svg", std::ios::binary) << guide.text;
    }
}

int ChannelWidth(int depth) {
    switch (depth) {
        case VELTRIX_DEPTH_U16:
        case VELTRIX_DEPTH_HALF:
            return 2;
        case VELTRIX_DEPTH_FLOAT:
            return 4;
        default:
            return 1;
    }
}

int ImageChannels(int colorMode) {
    switch (colorMode) {
        case 0:
            return 4;
        case 1:
            return 2;
        case 2:
            return 5;
        default:
            return 1;
    }
}

// Total and colour channels of an output pixel by the layer's colour mode.
void CanvasChannels(int colorMode, int* total, int* colour) {
    switch (colorMode) {
        case 0:
            *total = 4;
            *colour = 3;
            break;
        case 2:
            *total = 5;
            *colour = 4;
            break;
        case 3:
            *total = 1;
            *colour = 0;
            break;
        default:
            *total = 2;
            *colour = 1;
            break;
    }
}

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// One channel element at its extremes (0 or full scale in the encoding) or any bit pattern;
// extremes make opaque black and clear white, the values that decide where lines go. A share
// below 16 sets every element to full scale: opaque black in CMYK and in inverted gray.
void FillElements(std::vector<uint8_t>& bytes, int width, int depth, uint64_t seed,
                  uint8_t randomShare) {
    uint64_t state = seed;
    const bool solid = randomShare < 16;
    for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(width)) {
        const uint64_t r = SplitMix(state);
        const size_t n = std::min(static_cast<size_t>(width), bytes.size() - at);
        uint8_t element[4] = {0, 0, 0, 0};
        if (!solid && (r & 0xFF) < randomShare) {
            std::memcpy(element, &r, sizeof(element));
        } else if (solid || ((r >> 8) & 1)) {
            switch (depth) {
                case VELTRIX_DEPTH_HALF: {
                    const uint16_t one = 0x3C00;
                    std::memcpy(element, &one, sizeof(one));
                    break;
                }
                case VELTRIX_DEPTH_FLOAT: {
                    const float one = 1.0f;
                    std::memcpy(element, &one, sizeof(one));
                    break;
                }
                default:
                    std::memset(element, 0xFF, sizeof(element));
                    break;
            }
        }
        std::memcpy(bytes.data() + at, element, n);
    }
}

// A row stride near the packed one: padded, reversed, overlapping, zero or odd.
int32_t RowBytes(FuzzInput& in, int64_t packed) {
    const uint8_t choice = in.Byte() % 8;
    const int64_t pad = in.Integer(0, 9);
    int64_t value;
    if (choice < 4) {
        value = packed + pad;
    } else if (choice < 7) {
        value = -(packed + pad);
    } else {
        value = in.Integer(-packed - 16, packed + 16);
    }
    return static_cast<int32_t>(value);
}

// The block a row layout addresses: rows 0 .. height-1 at `rowBytes` apart, each `rowExtent`
// bytes long. `first` receives the offset of row 0 within the block.
size_t BlockSize(int32_t height, int32_t rowBytes, int64_t rowExtent, int64_t* first) {
    const int64_t stride = rowBytes < 0 ? -static_cast<int64_t>(rowBytes) : rowBytes;
    *first = rowBytes < 0 ? (height - 1) * stride : 0;
    return static_cast<size_t>((height - 1) * stride + rowExtent);
}

// An exact-size heap block, so a byte before or after it is an AddressSanitizer report.
struct Block {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;

    uint8_t* Make(const std::vector<uint8_t>& content) {
        size = content.size();
        bytes.reset(new uint8_t[size]);
        if (size != 0) {
            std::memcpy(bytes.get(), content.data(), size);
        }
        return bytes.get();
    }
};

int Progress(int /*total*/, int /*completed*/, void* user) {
    int* left = static_cast<int*>(user);
    if (*left == 0) {
        return 1;  // never cancels
    }
    return --*left > 0 ? 1 : 0;
}

// With VELTRIX_FUZZ_PRINT set, each input's records go to stderr, for reading a kept input.
void PrintRecords(const MoveEffectParam& p, const PointTarget& t, const char* guide,
                  const MoveEffectImageParam& image, const MoveEffectCanvasParam& canvas) {
    std::fprintf(stderr,
                 "type %d curvature %.17g size %.17g hardness %.17g fluction %.17g in %.17g "
                 "out %.17g asdist %d easing %d position %d posfluct %.17g length %d "
                 "lenfluct %.17g spacing %d spcfluct %.17g lengain %.17g spcgain %.17g "
                 "connect %d\n",
                 p.type, p.curvature, p.size, p.hardness, p.fluction, p.in, p.out, p.asdist,
                 p.easing, p.position, p.posfluct, p.length, p.lenfluct, p.spacing, p.spcfluct,
                 p.lengain, p.spcgain, p.connect);
    std::fprintf(stderr, "target (%d,%d) (%d,%d) (%d,%d) guide %s\n", t.p1.x, t.p1.y, t.p2.x,
                 t.p2.y, t.p3.x, t.p3.y, guide);
    std::fprintf(stderr,
                 "image %dx%d mode %d depth %d invert %d channels %d%s rowBytes %d pixels %s "
                 "mask %s depth %d rowBytes %d\n",
                 image.width, image.height, image.colorMode, image.depth, image.invertGray,
                 image.channelCount, image.channelOrder == nullptr ? " (no order)" : "",
                 image.rowBytes, image.pixels == nullptr ? "null" : "set",
                 image.mask == nullptr ? "null" : "set", image.maskDepth, image.maskRowBytes);
    std::fprintf(stderr, "layer mode %d depth %d colour %s rowBytes %d pixels %s\n",
                 canvas.colorMode, canvas.depth, canvas.color == nullptr ? "null" : "set",
                 canvas.rowBytes, canvas.pixels == nullptr ? "null" : "set");
}

// Time may go to dabs near the canvas and to little else: a run may take a second of processor
// time plus 2 us per dab (the line sink counts one per pixel of line; soft 14 px pens cost about
// 1.2 us a dab, the typical scene 0.5), times the build's slowdown against a release build,
// which VELTRIX_FUZZ_SLOWDOWN gives (the fuzzing script sets it; replays in the test suites
// leave it unset and check nothing). Processor time, so that a busy machine finds nothing.
void CheckTimeBudget(double seconds, LineRecorder& lines) {
    static const char* const slowdownText = std::getenv("VELTRIX_FUZZ_SLOWDOWN");
    if (slowdownText == nullptr) {
        return;
    }
    int64_t dabs = 0;
    for (const RecordedLine& line : lines.TakeSorted()) {
        dabs += static_cast<int64_t>(line.points.size());
    }
    const double budget = std::atof(slowdownText) * (1.0 + dabs * 2e-6);
    if (seconds > budget) {
        std::fprintf(stderr, "slow input: %.1f s for %lld dabs, over the budget of %.1f s\n",
                     seconds, static_cast<long long>(dabs), budget);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    MakeGuideFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);

    MoveEffectParam param{};
    static const int32_t kTypes[] = {VELTRIX_TYPE_RADIATE, VELTRIX_TYPE_PARALLEL,
                                     VELTRIX_TYPE_CIRCLE, 3, -5};
    param.type = kTypes[in.Byte() % 5];
    param.curvature = in.Double(-3.0, 3.0);
    param.size = in.Double(0.0, 24.0);
    param.hardness = in.Double(0.0, 1.0);
    param.fluction = in.Double(0.0, 1.0);
    param.in = in.Double(-0.5, 40.0);
    param.out = in.Double(-0.5, 40.0);
    param.asdist = in.Byte();
    param.easing = in.Byte();
    param.position = in.Int32(-40, 40);
    param.posfluct = in.Double(0.0, 1.0);
    param.length = in.Int32(-20, 300);
    param.lenfluct = in.Double(0.0, 2.0);
    param.spacing = in.Int32(-20, 400);
    param.spcfluct = in.Double(0.0, 1.0);
    param.lengain = in.Double(-1.0, 1.0);
    param.spcgain = in.Double(-5.0, 5.0);
    param.connect = in.Byte();

    PointTarget target{};
    for (TargetPoint* p : {&target.p1, &target.p2, &target.p3}) {
        p->x = in.Int32(-64, 320);
        p->y = in.Int32(-64, 320);
    }
    const char* guide = kGuideNames[in.Byte() % (sizeof(kGuideNames) / sizeof(kGuideNames[0]))];

    // The base image. Sizes of 0 or below describe no image and address no bytes.
    MoveEffectImageParam image{};
    const uint8_t sizeChoice = in.Byte();
    image.width = static_cast<int32_t>(in.Integer(1, 256));
    image.height = static_cast<int32_t>(in.Integer(1, 256));
    if (sizeChoice % 16 == 0) {
        image.width = static_cast<int32_t>(in.Integer(-2, 0));
    } else if (sizeChoice % 16 == 1) {
        image.height = static_cast<int32_t>(in.Integer(-2, 0));
    }
    static const int8_t kImageModes[] = {0, 1, 2, 3, -1, 0, 1, 2};
    image.colorMode = kImageModes[in.Byte() % 8];
    static const uint8_t kDepths[] = {0, 1, 2, 3, 4, 255, 0, 3};
    image.depth = kDepths[in.Byte() % 8];
    image.invertGray = in.Byte();
    const int channelWidth = ChannelWidth(image.depth);
    const int64_t bytesPerPixel = ImageChannels(image.colorMode) * channelWidth;
    const bool hasImage = image.width > 0 && image.height > 0;

    const int8_t orderCount = static_cast<int8_t>(in.Integer(-1, 7));
    const bool nullOrder = in.Byte() % 8 == 0;
    std::vector<uint8_t> order(orderCount > 0 ? static_cast<size_t>(orderCount) : 0);
    for (uint8_t& index : order) {
        index = static_cast<uint8_t>(in.Integer(0, 7));
    }
    Block orderBlock;
    image.channelOrder = nullOrder ? nullptr : orderBlock.Make(order);
    image.channelCount = orderCount;

    const uint64_t seed = in.Bits(8);
    const uint8_t randomShare = in.Byte();
    image.rowBytes = RowBytes(in, image.width * bytesPerPixel);
    Block pixelBlock;
    if (in.Byte() % 16 != 0) {
        std::vector<uint8_t> pixels;
        int64_t first = 0;
        if (hasImage) {
            pixels.resize(
                BlockSize(image.height, image.rowBytes, image.width * bytesPerPixel, &first));
            FillElements(pixels, channelWidth, image.depth, seed, randomShare);
        }
        image.pixels = pixelBlock.Make(pixels) + first;
    }

    // The optional mask: element (x, y) at byte y * maskRowBytes + x, read one byte deep for
    // 8-bit images and in the mask's own encoding otherwise.
    static const uint8_t kMaskDepths[] = {0, 1, 2, 3, 9};
    image.maskDepth = kMaskDepths[in.Byte() % 5];
    image.maskRowBytes = RowBytes(in, image.width);
    Block maskBlock;
    if (in.Byte() % 4 == 0) {
        const int maskWidth = image.depth == VELTRIX_DEPTH_U8 ? 1 : ChannelWidth(image.maskDepth);
        std::vector<uint8_t> mask;
        int64_t first = 0;
        if (hasImage) {
            mask.resize(
                BlockSize(image.height, image.maskRowBytes, image.width - 1 + maskWidth, &first));
            FillElements(mask, 1, VELTRIX_DEPTH_U8, seed ^ 0x5555, randomShare);
        }
        image.mask = maskBlock.Make(mask) + first;
    }

    // The layer: the base image's height in rows; row y holds max(rowBytes, packed) bytes.
    MoveEffectCanvasParam canvas{};
    static const uint8_t kCanvasModes[] = {0, 1, 2, 3, 4, 255, 0, 3};
    canvas.colorMode = kCanvasModes[in.Byte() % 8];
    static const uint8_t kCanvasDepths[] = {0, 1, 2, 3, 7, 0, 2, 3};
    canvas.depth = kCanvasDepths[in.Byte() % 8];
    int totalChannels = 0;
    int colourChannels = 0;
    CanvasChannels(canvas.colorMode, &totalChannels, &colourChannels);
    const int canvasWidth = ChannelWidth(canvas.depth);
    const int64_t pixelSize = totalChannels * canvasWidth;

    Block colourBlock;
    if (in.Byte() % 4 != 0) {
        std::vector<uint8_t> colour(static_cast<size_t>(colourChannels * canvasWidth));
        for (uint8_t& byte : colour) {
            byte = in.Byte();
        }
        canvas.color = colourBlock.Make(colour);
    }
    canvas.rowBytes = RowBytes(in, image.width * pixelSize);
    Block layerBlock;
    if (in.Byte() % 16 != 0) {
        std::vector<uint8_t> layer;
        int64_t first = 0;
        // A zero-width image still has rows, and the layer's rows are cleared whole.
        if (image.width >= 0 && image.height > 0) {
            const int64_t stride =
                canvas.rowBytes < 0 ? -int64_t{canvas.rowBytes} : int64_t{canvas.rowBytes};
            const int64_t packed = image.width * pixelSize;
            layer.assign(
                BlockSize(image.height, canvas.rowBytes, stride > packed ? stride : packed, &first),
                0xA5);
        }
        canvas.pixels = layerBlock.Make(layer) + first;
    }

    int cancelAfter = static_cast<int>(in.Integer(0, 40));
    const bool withProgress = in.Bool();

    if (std::getenv("VELTRIX_FUZZ_PRINT") != nullptr) {
        PrintRecords(param, target, guide, image, canvas);
    }
    // One worker: the runs are deterministic for coverage, and fuzzing takes one core.
    RunOptions options;
    options.workers = 1;
    LineRecorder lines(int64_t{1} << 24);
    options.lines = &lines;
    const std::clock_t start = std::clock();
    DrawRun(options, &param, &target, guide, &image, &canvas, withProgress ? &Progress : nullptr,
            &cancelAfter);
    CheckTimeBudget(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC, lines);
    return 0;
}
