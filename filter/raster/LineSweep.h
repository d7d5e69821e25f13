// LineSweep: the dabs of one line gathered and stamped pixel by pixel, each pixel once.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "filter/raster/CoverageGrid.h"
#include "filter/raster/DabMath.h"

class StrokeBuffer;

/// A sweep's window and its tables; the stroke buffer keeps them between a run's lines.
struct SweepMemory {
    /// Per canvas row, for the window being stamped.
    struct Row {
        int32_t first;       ///< where its dabs start in `entries`
        int32_t count;       ///< how many dabs reach it
        int32_t reachFrom;   ///< the columns its dabs reach, from...
        int32_t reachTo;     ///< ...to (exclusive)
        int32_t filledFrom;  ///< the columns this window has filled with 255, from...
        int32_t filledTo;    ///< ...to (exclusive)
        int32_t widest;      ///< the widest range of its dabs, in columns
    };
    /// The rows each dab is listed for: [from, to) and [alsoFrom, alsoTo), in order; and
    /// whether it lies in a band, which then gives the columns it reaches.
    struct Listed {
        int32_t from;
        int32_t to;
        int32_t alsoFrom;
        int32_t alsoTo;
        bool banded;
    };
    std::vector<dab::Job> dabs;
    std::vector<Listed> listed;
    /// How many (dab, row) pairs the window's dabs make.
    int64_t entryCount = 0;
    /// The rows' dabs, row after row, each row's by their first column.
    std::vector<int32_t> entries;
    std::vector<Row> rows;
    /// The dabs of the row being swept, as the kernel reads them (see dab::RowDabs).
    std::vector<double> rowCx;
    std::vector<double> rowDy2;
    std::vector<double> rowRadius;
    std::vector<const dab::Job*> rowJobs;
};

/// Gathers the dabs of a line, in windows of bounded memory, and stamps each window pixel by
/// pixel instead of dab by dab: rows inside some dab's solid core are filled at once, and every
/// other pixel the window reaches gets the largest byte of the dabs over it (see
/// DabRasteriser::MaxByte). Each dab's byte is the plain algorithm's and the coverage keeps
/// the largest, so the bytes are exactly those of stamping the dabs one by one, in any order.
/// Wide pens gain most: a dab of a 32 px pen shares nearly all its pixels with its neighbours.
///
/// One sweep per thread: Add and Flush are not thread-safe against each other, but sweeps of
/// different threads may fill one buffer at once. The buffer must outlive the sweep.
class LineSweep {
  public:
    /// Takes the buffer's spare tables, or new ones (may throw std::bad_alloc).
    explicit LineSweep(StrokeBuffer& buffer);
    /// Stamps what is still gathered (never allocates) and gives the tables back.
    ~LineSweep();

    LineSweep(const LineSweep&) = delete;
    LineSweep& operator=(const LineSweep&) = delete;

    /// Whether sweeping beats stamping for a pen of `size` pixels at `hardness`, as measured
    /// on the radiate benchmark scene: from 8 px for hard pens and 5 px for soft ones (at 6 px
    /// hard and 4 px soft, stamping is 5 to 15% faster; at 8 px hard sweeping is 7% faster).
    static bool Pays(double size, double hardness);

    /// Gathers one dab of `diameter` pixels at (cx, cy) over its clamped `range`, or stamps it
    /// at once where the sweep does not take it. The caller widens the dirty rectangle.
    void Add(double cx, double cy, double diameter, const PixelRange& range);

    /// Stamps every gathered dab; call at the end of each line.
    void Flush();

  private:
    /// The points whose foot on an axis from (x, y) along the unit (ux, uy) lies at t in
    /// [alongFrom, alongTo], and whose distance from the axis is at most width + grow t.
    struct Strip {
        double x;
        double y;
        double ux;
        double uy;
        double alongFrom;
        double alongTo;
        double width;
        double grow;

        double WidthAt(double t) const { return width + grow * t; }
        /// The rows [first, last) of [rowFrom, rowTo) whose centres may lie in the strip.
        void Rows(int32_t rowFrom, int32_t rowTo, int32_t& first, int32_t& last) const;
        /// The columns [first, last) of row y, on a canvas `columns` wide, whose centres lie in
        /// the strip, its conditions moved by `give` (see RowSpan); false if there are none.
        bool Columns(int32_t y, int32_t columns, double give, int32_t& first, int32_t& last) const;
    };
    /// A straight stretch of dabs: the band their solid cores cover (`core`, from the first
    /// dab's centre to the last's) and the strip holding every pixel they may change (`reach`).
    struct CoreBand {
        Strip core;
        Strip reach;
    };
    static bool BandOf(const std::vector<dab::Job>& dabs, size_t i, size_t j, bool withCore,
                       CoreBand& band);

    void FillCores();
    void FillBand(const CoreBand& band);
    void ListOutsideBand(const CoreBand& band, size_t i, size_t j);
    void ReachOfBand(const CoreBand& band);
    void FillCore(const dab::Job& job);
    void FillSpan(SweepMemory::Row& row, std::atomic<uint8_t>* bytes, int32_t from, int32_t to);
    void ListRows();
    void SweepRow(int32_t y);

    StrokeBuffer& buffer;
    std::unique_ptr<SweepMemory> memory;
    /// The rows the window reaches; rows[y - rowFrom] describes row y.
    int32_t rowFrom = 0;
    int32_t rowTo = 0;
};
