/* A minimal host built against the installed package through the public header only: the
 * defaults and one drawing run into a small layer, which must receive lines. */
#include <veltrix/veltrix.h>

#include <stdio.h>

enum { kSize = 64 };

int main(void) {
    MoveEffectIniParam preset;
    GetDefaultParam(&preset);
    static uint8_t base[kSize * kSize * 4], layer[kSize * kSize * 4];
    for (int i = 0; i < kSize * kSize; ++i) {
        base[4 * i + 3] = 255; /* opaque black: lines everywhere */
    }
    static const uint8_t order[4] = {0, 1, 2, 3}, color[3] = {255, 0, 0};
    const MoveEffectParam param = {.type = preset.type,
                                   .size = preset.size,
                                   .hardness = preset.hardness,
                                   .length = preset.length,
                                   .spacing = preset.spacing};
    const PointTarget target = {{kSize / 2, kSize / 2}, {kSize / 2, 20}, {kSize / 2, 0}};
    /* colorMode RGBA, depth, invertGray, channelOrder, channelCount, width, height, rowBytes,
     * pixels; the canvas: colorMode RGB, depth, color, pixels, rowBytes. */
    const MoveEffectImageParam image = {0,     VELTRIX_DEPTH_U8, 0,   order, 4, kSize,
                                        kSize, kSize * 4,        base};
    const MoveEffectCanvasParam canvas = {0, VELTRIX_DEPTH_U8, color, layer, kSize * 4};
    int covered = 0;
    DrawEffect(&param, &target, preset.name, &image, &canvas, NULL, NULL);
    ReleaseGuides();
    for (int i = 0; i < kSize * kSize; ++i) {
        covered += layer[4 * i + 3] != 0;
    }
    printf("covered pixels %d\n", covered);
    return covered > 0 ? 0 : 1;
}
