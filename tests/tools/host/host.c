/* A minimal host built against the installed package: defaults, a folder query and one
 * drawing run into a small layer, through the public header only. */
#include <veltrix/veltrix.h>

#include <stdio.h>
#include <string.h>

enum { kSize = 64 };

static int CountProgress(int total, int completed, void* user) {
    (void)total;
    *(int*)user = completed;
    return 1;
}

int main(void) {
    MoveEffectIniParam preset;
    GetDefaultParam(&preset);
    if (strcmp(preset.name, ":S") != 0 || preset.spacing != 50) {
        fprintf(stderr, "unexpected defaults\n");
        return 1;
    }
    char folder[4096];
    const int length = GetPluginDirPath(1, folder, (int)sizeof folder);
    if (length <= 0 || length >= (int)sizeof folder) {
        fprintf(stderr, "no preset folder\n");
        return 1;
    }

    static uint8_t base[kSize * kSize * 4];
    static uint8_t layer[kSize * kSize * 4];
    for (int i = 0; i < kSize * kSize; ++i) {
        base[4 * i + 3] = 255; /* opaque black: lines everywhere */
    }
    static const uint8_t order[4] = {0, 1, 2, 3};
    static const uint8_t color[3] = {255, 0, 0};

    MoveEffectParam param;
    memset(&param, 0, sizeof param);
    param.type = preset.type;
    param.curvature = preset.curvature;
    param.size = preset.size;
    param.hardness = preset.hardness;
    param.in = preset.in / 1000.0;
    param.out = preset.out / 1000.0;
    param.length = preset.length;
    param.spacing = preset.spacing;
    param.connect = preset.connect;
    const PointTarget target = {{kSize / 2, kSize / 2}, {kSize / 2, 20}, {kSize / 2, 0}};

    MoveEffectImageParam image;
    memset(&image, 0, sizeof image);
    image.colorMode = 0;
    image.depth = VELTRIX_DEPTH_U8;
    image.channelOrder = order;
    image.channelCount = 4;
    image.width = kSize;
    image.height = kSize;
    image.rowBytes = kSize * 4;
    image.pixels = base;

    MoveEffectCanvasParam canvas;
    memset(&canvas, 0, sizeof canvas);
    canvas.colorMode = 0;
    canvas.depth = VELTRIX_DEPTH_U8;
    canvas.color = color;
    canvas.pixels = layer;
    canvas.rowBytes = kSize * 4;

    int completed = 0;
    DrawEffect(&param, &target, preset.name, &image, &canvas, CountProgress, &completed);
    ReleaseGuides();

    int covered = 0;
    for (int i = 0; i < kSize * kSize; ++i) {
        covered += layer[4 * i + 3] != 0;
    }
    printf("paths %d, covered pixels %d\n", completed, covered);
    return 0;
}
