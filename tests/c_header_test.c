/* Compiles the public header as strict C99 and checks its layouts and linkage from C. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <veltrix/veltrix.h>

/* C99 has no static_assert: a negative array size fails the build instead. */
#define CHECK_AT(line, cond) typedef char check_at_##line[(cond) ? 1 : -1]
#define PIN(line, T, f, off) CHECK_AT(line, offsetof(T, f) == (off))

PIN(1, MoveEffectParam, connect, 120);
PIN(2, MoveEffectParam, spacing, 88);
PIN(3, MoveEffectImageParam, channelOrder, 8);
PIN(4, MoveEffectImageParam, pixels, 32);
PIN(5, MoveEffectImageParam, mask, 48);
PIN(6, MoveEffectCanvasParam, rowBytes, 24);
PIN(7, MoveEffectIniParam, name, 56);
PIN(8, MoveEffectIniParam, connect, 424);
PIN(9, CircleTarget, startAngle, 32);
CHECK_AT(10, sizeof(MoveEffectParam) == 128);
CHECK_AT(11, sizeof(MoveEffectImageParam) == 56);
CHECK_AT(12, sizeof(MoveEffectCanvasParam) == 32);
CHECK_AT(13, sizeof(MoveEffectIniParam) == 432);
CHECK_AT(14, sizeof(MoveEffectIniReadFlag) == 22);
CHECK_AT(15, sizeof(PointTarget) == 24);
CHECK_AT(16, sizeof(VeltrixDrawOptions) == 40);
PIN(17, VeltrixDrawOptions, lines, 24);
CHECK_AT(18, sizeof(VeltrixLine) == 32);

int main(void) {
    MoveEffectParam param;
    PointTarget target;
    MoveEffectImageParam image;
    MoveEffectCanvasParam canvas;
    uint8_t layer[4] = {9, 9, 9, 9};

    memset(&param, 0, sizeof param);
    memset(&target, 0, sizeof target);
    memset(&image, 0, sizeof image);
    memset(&canvas, 0, sizeof canvas);
    canvas.pixels = layer;
    canvas.rowBytes = 4;

    /* No base image: nothing is drawn and the layer is left alone. */
    DrawEffect(&param, &target, ":S", &image, &canvas, NULL, NULL);
    DrawEffectWithOptions(&param, &target, ":S", &image, &canvas, NULL, NULL, NULL);
    ReleaseGuides();
    if (layer[0] != 9) {
        fprintf(stderr, "layer changed without a base image\n");
        return 1;
    }
    {
        PathPoint points[3];
        if (GetDefaultTargetPoints(VELTRIX_TYPE_PARALLEL, points, 3) != 3 || points[2].x != 0.75 ||
            GetDefaultTargetPoints(7, points, 3) != 0) {
            return 1;
        }
    }
    return 0;
}
