// The plug-in's procedure: registration, its PDB parameters and the three run modes.
#include <libgimp/gimp.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "Dialog.h"
#include "PluginValues.h"
#include "hostsupport/HostSettings.h"

namespace {

using veltrix_host::FieldKind;
using veltrix_host::kSettingFieldCount;
using veltrix_host::kSettingFields;

// The PDB's parameters, in order: run mode, image, drawable, then one per setting of the
// shared table (a point gives its x and y), then the seed.
std::vector<GimpParamDef> ParameterDefs(std::deque<std::string>* names) {
    // The definitions point into names: a deque keeps its strings in place as it grows.
    std::vector<GimpParamDef> defs = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
         const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }")},
        {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
        {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"),
         const_cast<gchar*>("Base image: lines go where it is dark and opaque")},
    };
    const auto add = [&](GimpPDBArgType type, const std::string& name, std::string help) {
        names->push_back(name);
        names->push_back(help);
        defs.push_back({type, const_cast<gchar*>((*names)[names->size() - 2].c_str()),
                        const_cast<gchar*>((*names)[names->size() - 1].c_str())});
    };
    char range[64];
    for (size_t i = 0; i < kSettingFieldCount; ++i) {
        const auto& f = kSettingFields[i];
        std::snprintf(range, sizeof range, " (%g to %g)", f.min, f.max);
        switch (f.kind) {
            case FieldKind::Type:
                add(GIMP_PDB_INT32, f.key, "0 radiate, 1 parallel, 2 circle");
                break;
            case FieldKind::Guide:
                add(GIMP_PDB_STRING, "guide", f.help);
                break;
            case FieldKind::Point:
                add(GIMP_PDB_INT32, std::string(f.key) + "-x",
                    std::string(f.help) + ", x in image pixels");
                add(GIMP_PDB_INT32, std::string(f.key) + "-y",
                    std::string(f.help) + ", y in image pixels");
                break;
            case FieldKind::Switch:
                add(GIMP_PDB_INT32, f.key, std::string(f.help) + " (0 or 1)");
                break;
            default:
                add(f.integer ? GIMP_PDB_INT32 : GIMP_PDB_FLOAT, f.key,
                    f.help + std::string(range));
        }
    }
    add(GIMP_PDB_STRING, "seed",
        "decimal seed: the same seed draws the same lines; empty for a random one");
    return defs;
}

void Query() {
    std::deque<std::string> names;
    std::vector<GimpParamDef> args = ParameterDefs(&names);
    static GimpParamDef returns[] = {
        {GIMP_PDB_LAYER, const_cast<gchar*>("layer"), const_cast<gchar*>("The new layer")}};
    gimp_install_procedure(kProcedureName, "Draws comic-style effect lines into a new layer",
                           "Draws focus lines, speed lines or concentric rings where the "
                           "drawable is dark and opaque, in the foreground colour, into a new "
                           "layer \"Effect lines\" above it.",
                           "libveltrix developers", "libveltrix developers", "2024",
                           "_Effect Lines...", "RGB*, GRAY*", GIMP_PLUGIN,
                           static_cast<gint>(args.size()), 1, args.data(), returns);
    gimp_plugin_menu_register(kProcedureName, "<Image>/Filters/Render");
}

// Reads the settings parameters; returns an error text for a bad type of value.
std::string ReadParams(gint count, const GimpParam* params, PluginValues* values) {
    std::deque<std::string> names;
    if (count != static_cast<gint>(ParameterDefs(&names).size())) {
        return "wrong number of arguments";
    }
    int at = 3;
    for (size_t i = 0; i < kSettingFieldCount; ++i) {
        const auto& f = kSettingFields[i];
        const GimpParam& p = params[at++];
        switch (f.kind) {
            case FieldKind::Guide:
                veltrix_host::SetGuideName(&values->settings,
                                           p.data.d_string ? p.data.d_string : "");
                if (p.data.d_string == nullptr ||
                    std::strlen(p.data.d_string) > veltrix_host::kMaxGuideNameBytes) {
                    return "a guide name has 1 to 258 bytes";
                }
                break;
            case FieldKind::Point: {
                const int index = f.key[1] - '1';
                values->points[index][0] = p.data.d_int32;
                values->points[index][1] = params[at++].data.d_int32;
                break;
            }
            case FieldKind::Switch:
                if (p.data.d_int32 != 0 && p.data.d_int32 != 1) {
                    return std::string(f.key) + " must be 0 or 1";
                }
                veltrix_host::SetNumber(&values->settings, f, p.data.d_int32);
                break;
            default:
                veltrix_host::SetNumber(
                    &values->settings, f,
                    f.integer || f.kind == FieldKind::Type ? p.data.d_int32 : p.data.d_float);
        }
    }
    const char* seed = params[at].data.d_string ? params[at].data.d_string : "";
    if (std::strlen(seed) >= sizeof values->seed) {
        return "the seed has at most 20 digits";
    }
    std::snprintf(values->seed, sizeof values->seed, "%s", seed);
    return std::string();
}

void Run(const gchar*, gint count, const GimpParam* params, gint* returnCount,
         GimpParam** returns) {
    static GimpParam values[3];
    static std::string error;
    *returnCount = 1;
    *returns = values;
    values[0].type = GIMP_PDB_STATUS;
    values[0].data.d_status = GIMP_PDB_SUCCESS;
    const auto fail = [&](GimpPDBStatusType status, const std::string& text) {
        error = text;
        values[0].data.d_status = status;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = const_cast<gchar*>(error.c_str());
        *returnCount = 2;
    };
    if (count < 3) {
        fail(GIMP_PDB_CALLING_ERROR, "wrong number of arguments");
        return;
    }
    gegl_init(nullptr, nullptr);
    const auto mode = static_cast<GimpRunMode>(params[0].data.d_int32);
    const gint32 image = params[1].data.d_image;
    const gint32 drawable = params[2].data.d_drawable;

    PluginValues plugin{};
    GetDefaultParam(&plugin.settings);
    SetDefaultPoints(image, &plugin);
    if (mode == GIMP_RUN_NONINTERACTIVE) {
        const std::string bad = ReadParams(count, params, &plugin);
        if (!bad.empty()) {
            fail(GIMP_PDB_CALLING_ERROR, bad);
            return;
        }
    } else {
        const bool haveLast = gimp_get_data_size(kProcedureName) == sizeof plugin &&
                              gimp_get_data(kProcedureName, &plugin);
        if (mode == GIMP_RUN_INTERACTIVE) {
            if (!haveLast) {
                SetDefaultPoints(image, &plugin);
            }
            if (!RunDialog(image, drawable, &plugin)) {
                fail(GIMP_PDB_CANCEL, "cancelled");
                return;
            }
        }
    }
    const std::string bad = CheckValues(plugin);
    if (!bad.empty()) {
        fail(GIMP_PDB_CALLING_ERROR, bad);
        return;
    }
    const DrawResult result = DrawIntoNewLayer(image, drawable, plugin);
    if (result.layer < 0) {
        fail(result.cancelled ? GIMP_PDB_CANCEL : GIMP_PDB_EXECUTION_ERROR, result.error);
        return;
    }
    gimp_set_data(kProcedureName, &plugin, sizeof plugin);
    if (mode != GIMP_RUN_NONINTERACTIVE) {
        gimp_displays_flush();
    }
    values[1].type = GIMP_PDB_LAYER;
    values[1].data.d_layer = result.layer;
    *returnCount = 2;
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, Query, Run};

MAIN()
