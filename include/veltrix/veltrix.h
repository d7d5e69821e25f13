/* veltrix.h - the C interface of libveltrix: drawing records, presets and entry points. */
#ifndef VELTRIX_VELTRIX_H
#define VELTRIX_VELTRIX_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

/* Every symbol the library exports carries this macro; everything else is hidden. */
#if defined(_WIN32)
#if defined(VELTRIX_BUILDING)
#define VELTRIX_API __declspec(dllexport)
#else
#define VELTRIX_API __declspec(dllimport)
#endif
#elif defined(VELTRIX_BUILDING)
#define VELTRIX_API __attribute__((visibility("default")))
#else
#define VELTRIX_API
#endif

/* The entry points never throw: every failure ends the call quietly. */
#ifdef __cplusplus
#define VELTRIX_NOEXCEPT noexcept
#else
#define VELTRIX_NOEXCEPT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* All records use natural alignment: each field starts at a multiple of its own width,
 * pointers are 8 bytes, and a record's size is a multiple of its widest field. The host and
 * the library must agree on these layouts bit for bit; they are pinned at the end of this file. */

/* A point in canvas pixels. */
typedef struct PathPoint {
    double x;
    double y;
} PathPoint;

/* A target point in whole canvas pixels. */
typedef struct TargetPoint {
    int32_t x;
    int32_t y;
} TargetPoint;

/* Effect type codes; every other value draws as radiate. */
enum { VELTRIX_TYPE_RADIATE = 0, VELTRIX_TYPE_PARALLEL = 1, VELTRIX_TYPE_CIRCLE = 2 };

/* Channel encodings of images and layers. */
enum {
    VELTRIX_DEPTH_U8 = 0,
    VELTRIX_DEPTH_U16 = 1,
    VELTRIX_DEPTH_HALF = 2,
    VELTRIX_DEPTH_FLOAT = 3
};

/* Colour modes of images and layers, each with alpha last. An image of any other mode is read
   as alpha only; a layer of any other mode is written as gray. */
enum {
    VELTRIX_COLOR_RGB = 0,
    VELTRIX_COLOR_GRAY = 1,
    VELTRIX_COLOR_CMYK = 2,
    VELTRIX_COLOR_ALPHA = 3
};

/* The effect parameters of one drawing run; fields are named after the preset keys. */
typedef struct MoveEffectParam {
    int32_t type;     /* 0 radiate, 1 parallel, 2 circle */
    double curvature; /* factor on the guide's height profile */
    double size;      /* pen diameter in pixels at full pressure */
    double hardness;  /* solid fraction of the dab radius, 0..1 */
    double fluction;  /* per-line pen size fluctuation, 0..1 */
    double in;        /* start taper: fraction of half the line, or pixels with asdist */
    double out;       /* end taper, same rules as in */
    uint8_t asdist;   /* in and out are pixel distances */
    uint8_t easing;   /* taper curve p becomes p * (2 - p) */
    int32_t position; /* pixels added to both ends of every line */
    double posfluct;  /* random shift along the path, fraction of the line's extent */
    int32_t length;   /* base line length in pixels */
    double lenfluct;  /* random lengthening of the half length */
    int32_t spacing;  /* pixels between rings or copies; thousandths of a right angle (radiate) */
    double spcfluct;  /* random jitter of each path's place, fraction of the spacing */
    double lengain;   /* extra length growing along the path or from the ring centre */
    double spcgain;   /* change of the gap from one ring or copy to the next, pixels */
    uint8_t connect;  /* join overlapping lines of one path */
} MoveEffectParam;

/* The target as three points; their meaning depends on the effect type. */
typedef struct PointTarget {
    TargetPoint p1;
    TargetPoint p2;
    TargetPoint p3;
} PointTarget;

/* The ellipse that the circle effect lays its rings around. */
typedef struct CircleTarget {
    int32_t centerX;
    int32_t centerY;
    double radiusX;    /* semi-axis along p1 -> p2, pixels */
    double radiusY;    /* the other semi-axis, pixels */
    double angle;      /* direction p1 -> p2, radians */
    double startAngle; /* direction of p3 seen from the centre, radians */
} CircleTarget;

typedef struct ParallelTarget {
    TargetPoint p1;
    TargetPoint p2;
    TargetPoint p3;
} ParallelTarget;

typedef struct RadiateTarget {
    TargetPoint p1;
    TargetPoint p2;
    TargetPoint p3;
} RadiateTarget;

/* The base image: fixes the canvas size; its dark, opaque pixels mark where lines go. */
typedef struct MoveEffectImageParam {
    int8_t colorMode;            /* 0 RGBA, 1 gray+alpha, 2 CMYK+alpha, other: alpha only */
    uint8_t depth;               /* VELTRIX_DEPTH_* */
    uint8_t invertGray;          /* gray holds darkness */
    const uint8_t* channelOrder; /* index of each logical channel within a pixel */
    int8_t channelCount;         /* entries in channelOrder (at most 5 are used) */
    int32_t width;
    int32_t height;
    int32_t rowBytes;   /* may be negative for bottom-up buffers */
    const void* pixels; /* pixel (0, 0); null means no base image */
    uint8_t maskDepth;  /* VELTRIX_DEPTH_* of the mask */
    int32_t maskRowBytes;
    const void* mask; /* optional one-channel opacity mask, or null */
} MoveEffectImageParam;

/* The layer that receives the effect: host colour plus coverage alpha. */
typedef struct MoveEffectCanvasParam {
    uint8_t colorMode;    /* 0 three colours+alpha, 1 one+alpha, 2 four+alpha, 3 alpha only */
    uint8_t depth;        /* VELTRIX_DEPTH_* */
    const uint8_t* color; /* one pixel's colour channels in the output encoding, or null */
    uint8_t* pixels;      /* base-image height rows of rowBytes bytes; null means no output */
    int32_t rowBytes;
} MoveEffectCanvasParam;

/* Called on the drawing thread once per finished path; return 0 to cancel the run. */
typedef int (*ProgressCallback)(int total, int completed, void* user);

/* A preset: the user's settings of one effect, stored as an INI file by name. Points are
 * relative to the canvas (0..1); in and out are thousandths when asdist is false. */
typedef struct MoveEffectIniParam {
    int32_t type;
    PathPoint p1;
    PathPoint p2;
    PathPoint p3;
    char name[264]; /* guide name, NUL-terminated UTF-8, at most 258 bytes */
    double curvature;
    double size;
    double hardness;
    double fluction;
    int32_t in;
    int32_t out;
    uint8_t asdist;
    uint8_t easing;
    int32_t position;
    double posfluct;
    int32_t length;
    double lenfluct;
    int32_t spacing;
    double spcfluct;
    double lengain;
    double spcgain;
    uint8_t connect;
} MoveEffectIniParam;

/* After a load, 1 for each field that the file supplied with an accepted value. */
typedef struct MoveEffectIniReadFlag {
    uint8_t type;
    uint8_t p1;
    uint8_t p2;
    uint8_t p3;
    uint8_t name;
    uint8_t curvature;
    uint8_t size;
    uint8_t hardness;
    uint8_t fluction;
    uint8_t in;
    uint8_t out;
    uint8_t asdist;
    uint8_t easing;
    uint8_t position;
    uint8_t posfluct;
    uint8_t length;
    uint8_t lenfluct;
    uint8_t spacing;
    uint8_t spcfluct;
    uint8_t lengain;
    uint8_t spcgain;
    uint8_t connect;
} MoveEffectIniReadFlag;

/* Draws one effect into the host's layer. All five record pointers and guide must be valid
 * for the duration of the call; progress may be null. Calls may come from several threads at
 * once; each draws as if alone. */
VELTRIX_API void DrawEffect(const MoveEffectParam* param, const PointTarget* target,
                            const char* guide, const MoveEffectImageParam* image,
                            const MoveEffectCanvasParam* canvas, ProgressCallback progress,
                            void* user) VELTRIX_NOEXCEPT;

/* Flags of VeltrixDrawOptions. */
enum {
    VELTRIX_OPTION_SEED = 1 /* draw with `seed`: the same seed gives the same bytes */
};

/* Flags of VeltrixLine. */
enum {
    VELTRIX_LINE_CUT = 1 /* the run's point budget ran out: this line is cut short, and the
                            lines after it are cut or missing */
};

/* A dab centre of a drawn line, in canvas pixels, and the dab's diameter in pixels. */
typedef struct VeltrixLinePoint {
    double x;
    double y;
    double diameter;
} VeltrixLinePoint;

/* One drawn line as the line sink receives it; the points are valid during the call only. */
typedef struct VeltrixLine {
    int64_t pathIndex;  /* the path the layout laid it on */
    int32_t lineIndex;  /* its order among that path's lines */
    int32_t pointCount; /* at least 1 */
    uint32_t flags;     /* VELTRIX_LINE_* */
    const VeltrixLinePoint* points;
} VeltrixLine;

typedef void (*VeltrixLineSink)(const VeltrixLine* line, void* user);

/* Options of DrawEffectWithOptions. Set structSize to sizeof(VeltrixDrawOptions): the library
 * reads only the fields that fit in both that size and its own, and later versions only add
 * fields at the end. Zeroed fields are the defaults. */
typedef struct VeltrixDrawOptions {
    uint32_t structSize;
    uint32_t flags;   /* VELTRIX_OPTION_* */
    uint64_t seed;    /* with VELTRIX_OPTION_SEED: every random choice derives from it */
    int32_t workers;  /* worker threads; 0 or negative: one per hardware thread; at most 256 */
    int32_t reserved; /* 0 */
    /* Called on the calling thread after the run, once per line that drew a dab (cancelled
     * runs included), by path index and then line order; null for none. */
    VeltrixLineSink lines;
    void* linesUser;
} VeltrixDrawOptions;

/* DrawEffect with options. A null options pointer, or a structSize too small to hold flags,
 * draws exactly as DrawEffect does. With a seed, the result is the same on every call and at
 * every worker count. May be called from several threads at once. */
VELTRIX_API void DrawEffectWithOptions(const MoveEffectParam* param, const PointTarget* target,
                                       const char* guide, const MoveEffectImageParam* image,
                                       const MoveEffectCanvasParam* canvas,
                                       ProgressCallback progress, void* user,
                                       const VeltrixDrawOptions* options) VELTRIX_NOEXCEPT;

/* Forgets every cached guide, so changed guide files are read again, and frees the coverage
 * memory kept from the last run for the next. */
VELTRIX_API void ReleaseGuides(void) VELTRIX_NOEXCEPT;

/* Fills the record with the factory defaults. */
VELTRIX_API void GetDefaultParam(MoveEffectIniParam* param) VELTRIX_NOEXCEPT;

/* Copies the default target points (p1, p2, p3) of the effect `type`, relative to the canvas
 * (0..1), into points: as many as fit in `count`. Returns the number the type has (3), or 0
 * for a type that is not VELTRIX_TYPE_*. */
VELTRIX_API int GetDefaultTargetPoints(int type, PathPoint* points, int count) VELTRIX_NOEXCEPT;

/* Loads the preset NAME (UTF-8, no folder, no extension). Returns false when the file gives
 * no text; flags may be null. */
VELTRIX_API bool LoadParam(const char* name, MoveEffectIniParam* param,
                           MoveEffectIniReadFlag* flags) VELTRIX_NOEXCEPT;

/* Saves the record as the preset NAME, replacing an existing one only when the whole new file
 * has been written. The preset folder must exist. */
VELTRIX_API bool SaveParam(const char* name, MoveEffectIniParam* param) VELTRIX_NOEXCEPT;

/* Copies the preset folder (which == 1) or the guide folder (any other value) as UTF-8 with a
 * trailing "/" into buffer, which must be large enough. Prefer GetPluginDirPath. */
VELTRIX_API void GetPluginDir(int which, char* buffer) VELTRIX_NOEXCEPT;

/* Like GetPluginDir, but bounded: returns the byte length of the full path without its NUL
 * and writes it only when it fits in size bytes; otherwise writes "" when size > 0. */
VELTRIX_API int GetPluginDirPath(int which, char* buffer, int size) VELTRIX_NOEXCEPT;

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The layouts are a binary contract with hosts: pin them where the compiler can check. */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L)
#ifdef __cplusplus
#include <cstddef>
#define VELTRIX_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#define VELTRIX_ALIGNOF(T) alignof(T)
#else
#include <stddef.h>
#define VELTRIX_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#define VELTRIX_ALIGNOF(T) _Alignof(T)
#endif
#define VELTRIX_PIN(T, f, off) VELTRIX_STATIC_ASSERT(offsetof(T, f) == (off), #T "." #f)
#define VELTRIX_SIZE(T, n) VELTRIX_STATIC_ASSERT(sizeof(T) == (n), "sizeof " #T)

VELTRIX_SIZE(PathPoint, 16);
VELTRIX_PIN(PathPoint, y, 8);
VELTRIX_SIZE(TargetPoint, 8);
VELTRIX_PIN(TargetPoint, y, 4);

VELTRIX_SIZE(MoveEffectParam, 128);
VELTRIX_PIN(MoveEffectParam, type, 0);
VELTRIX_PIN(MoveEffectParam, curvature, 8);
VELTRIX_PIN(MoveEffectParam, size, 16);
VELTRIX_PIN(MoveEffectParam, hardness, 24);
VELTRIX_PIN(MoveEffectParam, fluction, 32);
VELTRIX_PIN(MoveEffectParam, in, 40);
VELTRIX_PIN(MoveEffectParam, out, 48);
VELTRIX_PIN(MoveEffectParam, asdist, 56);
VELTRIX_PIN(MoveEffectParam, easing, 57);
VELTRIX_PIN(MoveEffectParam, position, 60);
VELTRIX_PIN(MoveEffectParam, posfluct, 64);
VELTRIX_PIN(MoveEffectParam, length, 72);
VELTRIX_PIN(MoveEffectParam, lenfluct, 80);
VELTRIX_PIN(MoveEffectParam, spacing, 88);
VELTRIX_PIN(MoveEffectParam, spcfluct, 96);
VELTRIX_PIN(MoveEffectParam, lengain, 104);
VELTRIX_PIN(MoveEffectParam, spcgain, 112);
VELTRIX_PIN(MoveEffectParam, connect, 120);

VELTRIX_SIZE(PointTarget, 24);
VELTRIX_PIN(PointTarget, p2, 8);
VELTRIX_PIN(PointTarget, p3, 16);
VELTRIX_SIZE(ParallelTarget, 24);
VELTRIX_SIZE(RadiateTarget, 24);

VELTRIX_SIZE(CircleTarget, 40);
VELTRIX_PIN(CircleTarget, centerY, 4);
VELTRIX_PIN(CircleTarget, radiusX, 8);
VELTRIX_PIN(CircleTarget, radiusY, 16);
VELTRIX_PIN(CircleTarget, angle, 24);
VELTRIX_PIN(CircleTarget, startAngle, 32);

VELTRIX_SIZE(MoveEffectImageParam, 56);
VELTRIX_PIN(MoveEffectImageParam, colorMode, 0);
VELTRIX_PIN(MoveEffectImageParam, depth, 1);
VELTRIX_PIN(MoveEffectImageParam, invertGray, 2);
VELTRIX_PIN(MoveEffectImageParam, channelOrder, 8);
VELTRIX_PIN(MoveEffectImageParam, channelCount, 16);
VELTRIX_PIN(MoveEffectImageParam, width, 20);
VELTRIX_PIN(MoveEffectImageParam, height, 24);
VELTRIX_PIN(MoveEffectImageParam, rowBytes, 28);
VELTRIX_PIN(MoveEffectImageParam, pixels, 32);
VELTRIX_PIN(MoveEffectImageParam, maskDepth, 40);
VELTRIX_PIN(MoveEffectImageParam, maskRowBytes, 44);
VELTRIX_PIN(MoveEffectImageParam, mask, 48);

VELTRIX_SIZE(MoveEffectCanvasParam, 32);
VELTRIX_PIN(MoveEffectCanvasParam, colorMode, 0);
VELTRIX_PIN(MoveEffectCanvasParam, depth, 1);
VELTRIX_PIN(MoveEffectCanvasParam, color, 8);
VELTRIX_PIN(MoveEffectCanvasParam, pixels, 16);
VELTRIX_PIN(MoveEffectCanvasParam, rowBytes, 24);

VELTRIX_SIZE(VeltrixLinePoint, 24);
VELTRIX_PIN(VeltrixLinePoint, diameter, 16);
VELTRIX_SIZE(VeltrixLine, 32);
VELTRIX_PIN(VeltrixLine, lineIndex, 8);
VELTRIX_PIN(VeltrixLine, pointCount, 12);
VELTRIX_PIN(VeltrixLine, flags, 16);
VELTRIX_PIN(VeltrixLine, points, 24);
VELTRIX_SIZE(VeltrixDrawOptions, 40);
VELTRIX_PIN(VeltrixDrawOptions, flags, 4);
VELTRIX_PIN(VeltrixDrawOptions, seed, 8);
VELTRIX_PIN(VeltrixDrawOptions, workers, 16);
VELTRIX_PIN(VeltrixDrawOptions, lines, 24);
VELTRIX_PIN(VeltrixDrawOptions, linesUser, 32);

VELTRIX_SIZE(MoveEffectIniParam, 432);
VELTRIX_STATIC_ASSERT(VELTRIX_ALIGNOF(MoveEffectIniParam) == 8, "MoveEffectIniParam alignment");
VELTRIX_PIN(MoveEffectIniParam, type, 0);
VELTRIX_PIN(MoveEffectIniParam, p1, 8);
VELTRIX_PIN(MoveEffectIniParam, p2, 24);
VELTRIX_PIN(MoveEffectIniParam, p3, 40);
VELTRIX_PIN(MoveEffectIniParam, name, 56);
VELTRIX_PIN(MoveEffectIniParam, curvature, 320);
VELTRIX_PIN(MoveEffectIniParam, size, 328);
VELTRIX_PIN(MoveEffectIniParam, hardness, 336);
VELTRIX_PIN(MoveEffectIniParam, fluction, 344);
VELTRIX_PIN(MoveEffectIniParam, in, 352);
VELTRIX_PIN(MoveEffectIniParam, out, 356);
VELTRIX_PIN(MoveEffectIniParam, asdist, 360);
VELTRIX_PIN(MoveEffectIniParam, easing, 361);
VELTRIX_PIN(MoveEffectIniParam, position, 364);
VELTRIX_PIN(MoveEffectIniParam, posfluct, 368);
VELTRIX_PIN(MoveEffectIniParam, length, 376);
VELTRIX_PIN(MoveEffectIniParam, lenfluct, 384);
VELTRIX_PIN(MoveEffectIniParam, spacing, 392);
VELTRIX_PIN(MoveEffectIniParam, spcfluct, 400);
VELTRIX_PIN(MoveEffectIniParam, lengain, 408);
VELTRIX_PIN(MoveEffectIniParam, spcgain, 416);
VELTRIX_PIN(MoveEffectIniParam, connect, 424);

VELTRIX_SIZE(MoveEffectIniReadFlag, 22);
VELTRIX_PIN(MoveEffectIniReadFlag, name, 4);
VELTRIX_PIN(MoveEffectIniReadFlag, connect, 21);

#undef VELTRIX_PIN
#undef VELTRIX_SIZE
#undef VELTRIX_STATIC_ASSERT
#undef VELTRIX_ALIGNOF
#endif

#endif /* VELTRIX_VELTRIX_H */
