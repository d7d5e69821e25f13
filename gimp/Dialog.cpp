// The dialog.
#include "Dialog.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <cmath>

#include "hostsupport/HostSettings.h"

void SetDefaultPoints(int32_t image, PluginValues* values) {
    gboolean nonEmpty = FALSE;
    gint x1 = 0;
    gint y1 = 0;
    gint x2 = gimp_image_width(image);
    gint y2 = gimp_image_height(image);
    gimp_selection_bounds(image, &nonEmpty, &x1, &y1, &x2, &y2);
    if (!nonEmpty) {
        x1 = 0;
        y1 = 0;
        x2 = gimp_image_width(image);
        y2 = gimp_image_height(image);
    }
    PathPoint points[3];
    if (!veltrix_host::DefaultTargetPoints(values->settings.type, x1, y1, x2 - x1, y2 - y1,
                                           points)) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        values->points[i][0] = static_cast<int32_t>(std::lround(points[i].x));
        values->points[i][1] = static_cast<int32_t>(std::lround(points[i].y));
    }
}

bool RunDialog(int32_t, int32_t, PluginValues*) {
    return true;
}
