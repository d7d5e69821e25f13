// PathTask: one path of a run; finds its marked stretches, turns them into lines, draws them.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <veltrix/veltrix.h>

#include "filter/raster/BaseImageMarks.h"
#include "filter/raster/BaseImageSampler.h"
#include "filter/raster/StrokeBuffer.h"
#include "path/PathParser.h"
#include "task/LineRecorder.h"
#include "task/Random.h"
#include "task/RingPath.h"
#include "threadpool/ThreadPoolTask.h"

/// What the tasks of one run share. Everything but the stroke buffer is read-only while the
/// run's tasks run; all of it must outlive them.
struct TaskEnvironment {
    const MoveEffectParam* param;
    /// The run's guide: each task constructor resets its walk, on the calling thread.
    PathParser* guide;
    const BaseImageSampler* base;
    /// Where the scans find the marked stretches: the base image's marks.
    BaseImageMarks* marks;
    StrokeBuffer* strokes;
    /// Whether scans and line chains cross far stretches that cannot reach the canvas in one
    /// move (the default), rather than pixel by pixel; the bytes differ only in the rounding of
    /// the walk's point along such stretches.
    bool crossUnseenStretches = true;
    /// Where the random sources start (the system device unless the run is seeded).
    RandomSeeds seeds;
    /// Receives the drawn lines when the host asked for them; null otherwise.
    LineRecorder* lines = nullptr;
};

/// One line to draw, as an interval of distance along the task's path (pixels).
struct DistData {
    double start;   ///< may be negative (before the path's first point)
    double end;     ///< may exceed the path's length
    bool taperIn;   ///< the start tapers by the pen's `in`
    bool taperOut;  ///< the end tapers by the pen's `out`
};

/// The unit of parallel work. Built and filled by a layout on the calling thread, then run once
/// by a pool worker; it touches only its own path and random sources, reads the run's
/// parameters and base image, and writes the stroke buffer.
class PathTask : public ThreadPoolTask {
  public:
    /// `circle` is the run's circle target for rings, null otherwise. Resets the walk of the
    /// run's guide, if it has one.
    PathTask(const TaskEnvironment& run, const CircleTarget* circle);
    ~PathTask() override;

    /// Appends a segment to the path and adds its length (through its control points) to the
    /// pool's cost hint.
    void AppendPathSegment(const PathSegment& segment);
    /// Makes the task a ring whose path it builds when it runs; its cost hint is the ring's
    /// perimeter.
    void SetRing(const RingRecipe& recipe);
    void Run() override;

    /// Turns the stretch that began at `runStart` and ends at the walk's current point into one
    /// line. `gain` is the run's length-gain variable, read and possibly rewritten.
    void AppendLinePair(std::vector<DistData>& lines, const PathPoint& point, double runStart,
                        double& gain, double halfLength);
    /// Draws the lines as chains of one-pixel segments with the pen's pressure profile.
    void DrawLinesFromPath(const std::vector<DistData>& lines);
    /// The pen pressure (0..1) at distance t on a line of `length` pixels.
    double GetPressure(double t, double length, bool taperIn, bool taperOut,
                       double sizeFactor) const;
    static double GetPressure(const MoveEffectParam& param, double t, double length, bool taperIn,
                              bool taperOut, double sizeFactor);

    TaskEnvironment run;
    /// The path's index as its layout numbered it: seeds its random sources and orders the
    /// recorded lines.
    int64_t pathIndex = 0;
    const MoveEffectParam* param;
    const CircleTarget* circle;
    PathParser* guide;
    PathParser path;
    std::unique_ptr<Random> lengthRandom;
    std::unique_ptr<Random> positionRandom;

    /// Joins neighbouring lines that touch or overlap (the `connect` setting), in place.
    static void ConnectLines(std::vector<DistData>& lines);

  private:
    /// The scan of Run: collects the marked stretches of the prepared path as lines.
    void ScanStretches(std::vector<DistData>& lines, PathPoint p);
    /// Whether any sample from the walk's current point on can still fall on the canvas.
    bool RestCanTouchCanvas() const;
    /// Whether the rest of the current piece, from the walk's point to its end, nears the canvas.
    bool PieceRestTouchesCanvas() const;
    bool CanvasTouches(double minX, double minY, double maxX, double maxY,
                       double margin = 0.0) const;
    /// Crosses a stretch of a line's chain that lies wholly beyond the canvas on the path's
    /// straight extension in one go, widening the dirty rectangle as its dabs would.
    /// `reached` gathers the ranges this task's dabs widened the rectangle by.
    void SkipUnseenChain(const DistData& line, double len, double sizeFactor, double& t,
                         double& prevP, PathPoint& p0, PixelRange& reached);
    /// A straight run ahead of a chain's walk point: its direction and how far it goes.
    struct ChainRun {
        double u[2];
        double room;
        bool beyond[2];  ///< the run's dabs lie beyond the canvas on that axis
    };
    /// Whether the walk goes on straight from here (before the start, past the end, or along
    /// one very long piece), and in which direction.
    bool StraightRunAhead(ChainRun& ahead) const;
    /// Marks the axes on which the run's dabs lie beyond the canvas from p0 on; returns how
    /// many steps they stay there (infinite when they never come back).
    double StepsBeyondCanvas(const PathPoint& p0, ChainRun& ahead) const;
    /// Shrinks `steps` until the crossed dabs, whose largest diameter it returns, decide the
    /// dirty rectangle alone on the axes they do not lie beyond; false if none remain.
    bool SettleCrossing(const DistData& line, double len, double sizeFactor, double t, double prevP,
                        const PathPoint& p0, const ChainRun& ahead, double& steps,
                        double& diameter) const;
    /// Crosses a long run of pieces from which no dab of the pen can reach the canvas in one
    /// move, once this task's own dabs (`reached`) have widened the dirty rectangle to the whole
    /// canvas, so that the skipped dabs could change nothing.
    void SkipDabFreePieces(const DistData& line, double len, double sizeFactor, double& t,
                           double& prevP, PathPoint& p0, const PixelRange& reached);
    /// The largest pressure at whole-pixel steps t in [from, to] of a line.
    double MaxPressure(double from, double to, double length, bool taperIn, bool taperOut,
                       double sizeFactor) const;
    /// Crosses most of a very long stretch of the walk that cannot reach the canvas (of the
    /// current piece, or up to the next piece that nears it) in one move.
    void SkipUnreachableStretch();
    /// Whether any point of the piece comes near the canvas (conservatively).
    /// `margin` widens "near" by that many pixels (a pen's reach).
    bool PieceNearsCanvas(const LineSegment& piece, double margin = 0.0) const;
    /// Distance along the ray from `from` towards `to` at which it comes near the canvas.
    double DistanceToCanvas(const PathPoint& from, const PathPoint& to, double margin = 0.0) const;
    void BuildReach();
    /// Adds a dab centre and diameter to a recorded line: thinned, kept near the canvas, within
    /// the recorder's budget.
    void Record(RecordedLine& line, const PathPoint& at, double diameter);
    /// Frees the path's segments and pieces after the task has drawn.
    void ReleasePath();

    /// nextNearCanvas[i]: the first piece from i on that nears the canvas (the piece count if
    /// none), so the scan can stop once what is left of the path lies off the canvas (those
    /// samples are unmarked, so stopping changes nothing) and cross long unseen stretches.
    std::vector<int32_t> nextNearCanvas;
    /// nextNearDabs[i]: the same for pieces that come within the pen's reach of the canvas.
    std::vector<int32_t> nextNearDabs;
    /// The piece whose rest SkipDabFreePieces last tested (one test per piece and chain).
    int32_t chainPieceTested = -1;
    /// pieceStart[i]: the walk distance at which piece i begins.
    std::vector<double> pieceStart;
    /// Set for a ring whose path is still to be built.
    std::unique_ptr<RingRecipe> ringRecipe;
    /// The last point appended, for the cost hint.
    PathPoint lastPoint{0.0, 0.0};
    bool hasLastPoint = false;
};
