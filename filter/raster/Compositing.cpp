// Compositing: the stroke buffer becomes the host's colour with coverage as alpha.
#include "filter/raster/Compositing.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "filter/raster/HalfFloat.h"
#include "threadpool/ThreadPool.h"

namespace {

/// What every pixel of the dirty rectangle gets: the colour channels, then an alpha element
/// that depends only on the coverage byte.
struct PixelPattern {
    uint8_t colour[20];     ///< the colour channels, in the output encoding
    uint8_t alpha[256][4];  ///< the alpha element of each coverage, in the output encoding
    uint8_t pixel[256][4];  ///< for pixels of 4 bytes: the whole pixel of each coverage
    int64_t colourBytes;
};

// The layer is far larger than the caches and every byte of its rows is overwritten, so with
// SSE2 the rows go out as streaming stores: memory is then written without first being read.
// Whoever streamed calls StreamDone before other threads may read the bytes.
#if defined(__SSE2__)
bool Aligned16(const uint8_t* at) {
    return reinterpret_cast<uintptr_t>(at) % 16 == 0;
}

void StreamDone() {
    _mm_sfence();
}
#else
void StreamDone() {}
#endif

// Zeroes `count` bytes.
void ZeroBytes(uint8_t* out, int64_t count) {
    int64_t i = 0;
#if defined(__SSE2__)
    for (; i < count && !Aligned16(out + i); ++i) {
        out[i] = 0;
    }
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), zero);
    }
#endif
    std::memset(out + i, 0, static_cast<size_t>(count - i));
}

// Writes the pixels of one row of the rectangle. Sizes are compile-time constants, so each
// pixel is a few fixed-size moves.
template <int kPixel, int kAlpha>
void WriteRow(uint8_t* out, const std::atomic<uint8_t>* coverage, int64_t count,
              const PixelPattern& pattern) {
    int64_t i = 0;
#if defined(__SSE2__)
    if constexpr (kPixel == 4) {
        // Whole pixels from the table, four to a streaming store once the row is aligned.
        const auto word = [&](int64_t at) {
            uint32_t value;
            std::memcpy(&value, pattern.pixel[coverage[at].load(std::memory_order_relaxed)],
                        sizeof value);
            return static_cast<int>(value);
        };
        for (; i < count && !Aligned16(out + i * 4); ++i) {
            std::memcpy(out + i * 4, pattern.pixel[coverage[i].load(std::memory_order_relaxed)], 4);
        }
        for (; i + 4 <= count; i += 4) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i * 4),
                             _mm_set_epi32(word(i + 3), word(i + 2), word(i + 1), word(i)));
        }
    }
#endif
    // Colour and alpha are stored separately: assembling the pixel first would read back a
    // word just written in parts, which stalls.
    for (; i < count; ++i) {
        const uint8_t c = coverage[i].load(std::memory_order_relaxed);
        uint8_t* pixel = out + i * kPixel;
        std::memcpy(pixel, pattern.colour, kPixel - kAlpha);
        std::memcpy(pixel + (kPixel - kAlpha), pattern.alpha[c], kAlpha);
    }
}

using RowWriter = void (*)(uint8_t*, const std::atomic<uint8_t>*, int64_t, const PixelPattern&);

/// Everything a band of rows needs to be composited on its own.
struct Layout {
    uint8_t* pixels;
    int64_t rowBytes;
    int64_t rowSpan;
    int64_t pixelSize;
    std::atomic<uint8_t>* coverage;
    int64_t width;
    int64_t x0, y0, x1, y1;  ///< the dirty rectangle (empty: only clearing)
    RowWriter writeRow;
    const PixelPattern* pattern;
    bool zeroCoverage;  ///< zero each row's coverage once written (the run's last use)
};

// Each byte of rows [from, to) is written once: rows outside the rectangle and the parts of
// its rows left and right of it are cleared, the rectangle gets colour and alpha.
void CompositeRows(const Layout& layout, int64_t from, int64_t to) {
    for (int64_t y = from; y < to; ++y) {
        uint8_t* row = layout.pixels + y * layout.rowBytes;
        if (y < layout.y0 || y >= layout.y1) {
            ZeroBytes(row, layout.rowSpan);
            continue;
        }
        ZeroBytes(row, layout.x0 * layout.pixelSize);
        std::atomic<uint8_t>* coverage = layout.coverage + y * layout.width + layout.x0;
        layout.writeRow(row + layout.x0 * layout.pixelSize, coverage, layout.x1 - layout.x0,
                        *layout.pattern);
        if (layout.zeroCoverage) {
            std::memset(static_cast<void*>(coverage), 0,
                        static_cast<size_t>(layout.x1 - layout.x0));
        }
        ZeroBytes(row + layout.x1 * layout.pixelSize,
                  layout.rowSpan - layout.x1 * layout.pixelSize);
    }
    StreamDone();
}

/// A band of rows, composited by a pool worker.
class CompositeBand : public ThreadPoolTask {
  public:
    CompositeBand(const Layout& layout, int64_t from, int64_t to)
        : layout(layout), from(from), to(to) {}
    void Run() override { CompositeRows(layout, from, to); }

  private:
    Layout layout;
    int64_t from;
    int64_t to;
};

// Layers of at least this many bytes are composited in bands on the pool's workers: writing
// tens of MiB is a good part of a run, and the workers are idle by then.
constexpr int64_t kBandedBytes = int64_t{4} << 20;

// The writer for a pixel of `channels` elements of `width` bytes (alpha last).
RowWriter WriterFor(int channels, int width) {
    switch (width * 8 + channels) {
        case 1 * 8 + 1:
            return &WriteRow<1, 1>;
        case 1 * 8 + 2:
            return &WriteRow<2, 1>;
        case 1 * 8 + 4:
            return &WriteRow<4, 1>;
        case 1 * 8 + 5:
            return &WriteRow<5, 1>;
        case 2 * 8 + 1:
            return &WriteRow<2, 2>;
        case 2 * 8 + 2:
            return &WriteRow<4, 2>;
        case 2 * 8 + 4:
            return &WriteRow<8, 2>;
        case 2 * 8 + 5:
            return &WriteRow<10, 2>;
        case 4 * 8 + 1:
            return &WriteRow<4, 4>;
        case 4 * 8 + 2:
            return &WriteRow<8, 4>;
        case 4 * 8 + 4:
            return &WriteRow<16, 4>;
        case 4 * 8 + 5:
            return &WriteRow<20, 4>;
        default:
            return nullptr;
    }
}

/// A layer's pixel format: channels (alpha last) of one encoding.
struct PixelFormat {
    int channels;
    int colorChannels;
    int channelWidth;
};

PixelFormat FormatOf(int colorMode, int depth) {
    PixelFormat format{2, 1, 1};  // gray, for every mode not named below
    switch (colorMode) {
        case VELTRIX_COLOR_RGB:
            format.channels = 4;
            format.colorChannels = 3;
            break;
        case VELTRIX_COLOR_CMYK:
            format.channels = 5;
            format.colorChannels = 4;
            break;
        case VELTRIX_COLOR_ALPHA:
            format.channels = 1;
            format.colorChannels = 0;
            break;
        default:
            break;
    }
    if (depth == VELTRIX_DEPTH_U16 || depth == VELTRIX_DEPTH_HALF) {
        format.channelWidth = 2;
    } else if (depth == VELTRIX_DEPTH_FLOAT) {
        format.channelWidth = 4;
    }
    return format;
}

// The colour (a null colour is all zeros) and the alpha element of every coverage byte.
void FillPattern(PixelPattern& pattern, const PixelFormat& format, int depth,
                 const uint8_t* color) {
    pattern.colourBytes = static_cast<int64_t>(format.colorChannels) * format.channelWidth;
    std::memset(pattern.colour, 0, sizeof pattern.colour);
    if (color != nullptr) {
        std::memcpy(pattern.colour, color, static_cast<size_t>(pattern.colourBytes));
    }
    for (int c = 0; c < 256; ++c) {
        uint8_t* alpha = pattern.alpha[c];
        switch (depth) {
            case VELTRIX_DEPTH_U16: {
                // Full coverage is 255 * 255 = 65025, not 65535.
                const auto value = static_cast<uint16_t>(c * 255);
                std::memcpy(alpha, &value, sizeof value);
                break;
            }
            case VELTRIX_DEPTH_HALF: {
                const uint16_t value = Float32To16(static_cast<float>(c) / 255.0f);
                std::memcpy(alpha, &value, sizeof value);
                break;
            }
            case VELTRIX_DEPTH_FLOAT: {
                const float value = static_cast<float>(c) / 255.0f;
                std::memcpy(alpha, &value, sizeof value);
                break;
            }
            default:
                alpha[0] = static_cast<uint8_t>(c);
                break;
        }
        if (format.channels * format.channelWidth == 4) {
            const int64_t alphaBytes = 4 - pattern.colourBytes;
            std::memcpy(pattern.pixel[c], pattern.colour, static_cast<size_t>(pattern.colourBytes));
            std::memcpy(pattern.pixel[c] + pattern.colourBytes, alpha,
                        static_cast<size_t>(alphaBytes));
        }
    }
}

// Composites every row: in bands on the pool's idle workers for large layers, else here.
void CompositeAll(const Layout& layout, int64_t height, ThreadPool& pool) {
    const int64_t workers = static_cast<int64_t>(pool.GetWorkerCount());
    // Bands only while nothing else waits in the pool: a run would take it along.
    if (workers < 2 || height * layout.rowSpan < kBandedBytes || !pool.QueuedTasks().empty()) {
        CompositeRows(layout, 0, height);
        return;
    }
    // Four bands per worker, handed out in order; the run reports no progress (the host's
    // progress counts paths) and cannot be cancelled.
    const int64_t bands = std::min(workers * 4, height);
    for (int64_t band = 0; band < bands; ++band) {
        pool.Enqueue(std::make_shared<CompositeBand>(layout, height * band / bands,
                                                     height * (band + 1) / bands));
    }
    pool.SetProgressCallback(nullptr, nullptr);
    pool.HandOutCostliestFirst(false);
    pool.Run();
}

}  // namespace

void DrawToCanvas(StrokeBuffer& strokes, ThreadPool& pool, int colorMode, int depth,
                  const uint8_t* color, uint8_t* pixels, int rowBytes, bool lastUse) {
    if (pixels == nullptr || !strokes.HasPixels()) {
        return;
    }
    const PixelFormat format = FormatOf(colorMode, depth);
    const int64_t pixelSize = static_cast<int64_t>(format.channels) * format.channelWidth;
    const int64_t width = strokes.Width();
    const int64_t height = strokes.Height();
    // Rows are addressed as rowBytes apart and each spans |rowBytes| bytes from its start, so
    // bottom-up layers (negative rowBytes) are cleared and written in their own rows. Rows
    // narrower than the canvas would spill into the next row or past the last: no output.
    const int64_t rowSpan = std::llabs(static_cast<int64_t>(rowBytes));
    if (rowSpan < width * pixelSize) {
        return;
    }
    const bool encoded = depth >= VELTRIX_DEPTH_U8 && depth <= VELTRIX_DEPTH_FLOAT;
    const PixelRange dirty = strokes.DirtyRect();
    int64_t x0 = dirty.x0;
    int64_t x1 = dirty.x1;
    int64_t y0 = dirty.y0;
    int64_t y1 = dirty.y1;
    if (!encoded || x0 >= x1 || y0 >= y1) {
        x0 = x1 = y0 = y1 = 0;  // nothing but the clearing
    }
    PixelPattern pattern;
    FillPattern(pattern, format, depth, color);
    const RowWriter writeRow = WriterFor(format.channels, format.channelWidth);
    assert(writeRow != nullptr);
    // Zeroing covers the dirty rectangle only when the whole of it is written out.
    const bool zeroCoverage = lastUse && x0 == dirty.x0 && x1 == dirty.x1 && y0 == dirty.y0 &&
                              y1 == dirty.y1 && x0 < x1 && y0 < y1;
    const Layout layout{pixels, rowBytes, rowSpan, pixelSize, strokes.Bytes(), width,       x0,
                        y0,     x1,       y1,      writeRow,  &pattern,        zeroCoverage};
    CompositeAll(layout, height, pool);
    if (zeroCoverage) {
        strokes.NoteBytesZeroed();
    }
}
