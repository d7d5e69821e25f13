// The dialog: the settings grouped as veltrix-render groups them, preset and guide menus, and a
// preview that redraws a scaled-down run shortly after each change.
#include "Dialog.h"

#include <glib/gstdio.h>
#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <dirent.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Preview.h"
#include "hostsupport/HostSettings.h"

namespace {

using veltrix_host::FieldKind;
using veltrix_host::kSettingFieldCount;
using veltrix_host::kSettingFields;
using veltrix_host::SettingField;

// Redraws wait this long after the last change, so dragging a slider draws once at its end.
constexpr guint kPreviewDelayMs = 60;

std::string PluginFolder(int which) {
    char path[4096];
    const int length = GetPluginDirPath(which, path, sizeof path);
    return length > 0 && length < static_cast<int>(sizeof path) ? path : "";
}

// The names of folder's files with the extension, without it, sorted.
std::vector<std::string> ListNames(const std::string& folder, const char* extension) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        const size_t suffix = std::strlen(extension);
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > suffix &&
                name.compare(name.size() - suffix, suffix, extension) == 0) {
                names.push_back(name.substr(0, name.size() - suffix));
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Dialog {
    int32_t image;
    int32_t drawable;
    int offsetX = 0;
    int offsetY = 0;
    int width = 0;
    int height = 0;
    PluginValues* values;
    bool updating = false;
    GtkWidget* widgets[32] = {};  // per field; points use pointSpins
    GtkObject* adjustments[32] = {};
    GtkWidget* pointSpins[3][2] = {};
    GtkWidget* presetCombo = nullptr;
    GtkWidget* presetName = nullptr;
    GtkWidget* seedEntry = nullptr;
    Preview* preview = nullptr;
    guint pending = 0;
};

void SchedulePreview(Dialog* d);

void Refresh(Dialog* d) {
    d->updating = true;
    MoveEffectIniParam& s = d->values->settings;
    for (size_t i = 0; i < kSettingFieldCount; ++i) {
        const SettingField& f = kSettingFields[i];
        switch (f.kind) {
            case FieldKind::Type:
                gtk_combo_box_set_active(GTK_COMBO_BOX(d->widgets[i]), s.type);
                break;
            case FieldKind::Guide:
                gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(d->widgets[i]))), s.name);
                break;
            case FieldKind::Point: {
                const int p = f.key[1] - '1';
                for (int c = 0; c < 2; ++c) {
                    gtk_spin_button_set_value(GTK_SPIN_BUTTON(d->pointSpins[p][c]),
                                              d->values->points[p][c]);
                }
                break;
            }
            case FieldKind::Switch:
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d->widgets[i]),
                                             veltrix_host::GetNumber(s, f) != 0);
                break;
            default:
                gtk_adjustment_set_value(GTK_ADJUSTMENT(d->adjustments[i]),
                                         veltrix_host::GetNumber(s, f));
        }
    }
    d->updating = false;
    SchedulePreview(d);
}

// Reads every widget back into the values.
void Collect(Dialog* d) {
    MoveEffectIniParam& s = d->values->settings;
    for (size_t i = 0; i < kSettingFieldCount; ++i) {
        const SettingField& f = kSettingFields[i];
        switch (f.kind) {
            case FieldKind::Type:
                s.type = std::max(0, gtk_combo_box_get_active(GTK_COMBO_BOX(d->widgets[i])));
                break;
            case FieldKind::Guide: {
                const char* text =
                    gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(d->widgets[i]))));
                veltrix_host::SetGuideName(&s, *text ? text : ":S");
                break;
            }
            case FieldKind::Point: {
                const int p = f.key[1] - '1';
                for (int c = 0; c < 2; ++c) {
                    d->values->points[p][c] =
                        gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(d->pointSpins[p][c]));
                }
                break;
            }
            case FieldKind::Switch:
                veltrix_host::SetNumber(
                    &s, f, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d->widgets[i])));
                break;
            default:
                veltrix_host::SetNumber(
                    &s, f, gtk_adjustment_get_value(GTK_ADJUSTMENT(d->adjustments[i])));
        }
    }
    std::snprintf(d->values->seed, sizeof d->values->seed, "%s",
                  gtk_entry_get_text(GTK_ENTRY(d->seedEntry)));
}

gboolean RedrawPreview(gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    d->pending = 0;
    Collect(d);
    d->preview->Draw(*d->values);
    return FALSE;
}

void SchedulePreview(Dialog* d) {
    if (d->pending != 0) {
        g_source_remove(d->pending);
    }
    d->pending = g_timeout_add(kPreviewDelayMs, RedrawPreview, d);
}

void OnChanged(GtkWidget*, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    if (!d->updating) {
        SchedulePreview(d);
    }
}

// A new type brings its own default points.
void OnTypeChanged(GtkWidget*, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    if (d->updating) {
        return;
    }
    Collect(d);
    SetDefaultPoints(d->image, d->values);
    Refresh(d);
}

void FillPresetMenu(Dialog* d) {
    GtkListStore* store = GTK_LIST_STORE(gtk_combo_box_get_model(GTK_COMBO_BOX(d->presetCombo)));
    gtk_list_store_clear(store);
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(d->presetCombo), "(defaults)");
    for (const std::string& name : ListNames(PluginFolder(1), ".ini")) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(d->presetCombo), name.c_str());
    }
}

void OnPresetChosen(GtkWidget* combo, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
    if (d->updating || index < 0) {
        return;
    }
    MoveEffectIniParam settings;
    GetDefaultParam(&settings);
    if (index > 0) {
        gchar* name = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
        MoveEffectIniParam loaded;
        MoveEffectIniReadFlag flags{};
        const bool ok = LoadParam(name, &loaded, &flags);
        if (ok) {
            veltrix_host::MergeLoadedPreset(loaded, flags, &settings);
            gtk_entry_set_text(GTK_ENTRY(d->presetName), name);
        }
        g_free(name);
        if (!ok) {
            g_message("The preset could not be read.");
            return;
        }
    }
    d->values->settings = settings;
    // Presets keep points relative to the layer.
    const PathPoint* points[3] = {&settings.p1, &settings.p2, &settings.p3};
    for (int i = 0; i < 3; ++i) {
        d->values->points[i][0] =
            d->offsetX + static_cast<int32_t>(std::lround(points[i]->x * d->width));
        d->values->points[i][1] =
            d->offsetY + static_cast<int32_t>(std::lround(points[i]->y * d->height));
    }
    Refresh(d);
}

void OnSavePreset(GtkWidget*, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    const std::string name = gtk_entry_get_text(GTK_ENTRY(d->presetName));
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        g_message("A preset name is a plain file name, without folders or extension.");
        return;
    }
    Collect(d);
    MoveEffectIniParam settings = d->values->settings;
    PathPoint* points[3] = {&settings.p1, &settings.p2, &settings.p3};
    for (int i = 0; i < 3; ++i) {
        points[i]->x = (d->values->points[i][0] - d->offsetX) / static_cast<double>(d->width);
        points[i]->y = (d->values->points[i][1] - d->offsetY) / static_cast<double>(d->height);
    }
    g_mkdir_with_parents(PluginFolder(1).c_str(), 0755);
    if (!SaveParam(name.c_str(), &settings)) {
        g_message("The preset could not be saved to %s.", PluginFolder(1).c_str());
        return;
    }
    d->updating = true;
    FillPresetMenu(d);
    d->updating = false;
}

GtkWidget* NewFrameTable(GtkWidget* box, const char* title, int rows) {
    GtkWidget* frame = gimp_frame_new(title);
    gtk_box_pack_start(GTK_BOX(box), frame, FALSE, FALSE, 0);
    GtkWidget* table = gtk_table_new(rows, 3, FALSE);
    gtk_table_set_col_spacings(GTK_TABLE(table), 6);
    gtk_table_set_row_spacings(GTK_TABLE(table), 2);
    gtk_container_add(GTK_CONTAINER(frame), table);
    return table;
}

void AddSettings(Dialog* d, GtkWidget* box) {
    const char* group = nullptr;
    GtkWidget* table = nullptr;
    int row = 0;
    for (size_t i = 0; i < kSettingFieldCount; ++i) {
        const SettingField& f = kSettingFields[i];
        if (group == nullptr || std::strcmp(group, f.group) != 0) {
            group = f.group;
            table = NewFrameTable(box, group, 10);
            row = 0;
        }
        GtkWidget* widget = nullptr;
        switch (f.kind) {
            case FieldKind::Type:
                widget = gtk_combo_box_text_new();
                for (const char* word : {"radiate", "parallel", "circle"}) {
                    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget), word);
                }
                g_signal_connect(widget, "changed", G_CALLBACK(OnTypeChanged), d);
                break;
            case FieldKind::Guide:
                widget = gtk_combo_box_text_new_with_entry();
                for (const auto& guide : veltrix_host::kBuiltInGuides) {
                    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget), guide.name);
                }
                for (const std::string& name : ListNames(PluginFolder(0), ".svg")) {
                    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget), name.c_str());
                }
                g_signal_connect(widget, "changed", G_CALLBACK(OnChanged), d);
                break;
            case FieldKind::Point: {
                widget = gtk_hbox_new(FALSE, 4);
                const int p = f.key[1] - '1';
                for (int c = 0; c < 2; ++c) {
                    GtkWidget* spin = gtk_spin_button_new_with_range(-1000000, 1000000, 1);
                    gtk_box_pack_start(GTK_BOX(widget), spin, TRUE, TRUE, 0);
                    g_signal_connect(spin, "value-changed", G_CALLBACK(OnChanged), d);
                    d->pointSpins[p][c] = spin;
                }
                break;
            }
            case FieldKind::Switch:
                widget = gtk_check_button_new_with_label(f.help);
                g_signal_connect(widget, "toggled", G_CALLBACK(OnChanged), d);
                break;
            default: {
                const double step = f.integer ? 1.0 : (f.max - f.min <= 10 ? 0.01 : 0.1);
                d->adjustments[i] = gimp_scale_entry_new(
                    GTK_TABLE(table), 0, row++, f.key, 160, 7, f.min, f.min, f.max, step, step * 10,
                    f.integer ? 0 : 2, TRUE, f.min, f.max, f.help, nullptr);
                g_signal_connect(d->adjustments[i], "value-changed", G_CALLBACK(OnChanged), d);
                continue;
            }
        }
        d->widgets[i] = widget;
        gimp_table_attach_aligned(GTK_TABLE(table), 0, row++,
                                  f.kind == FieldKind::Switch ? "" : f.key, 0.0, 0.5, widget, 2,
                                  FALSE);
        gtk_widget_set_tooltip_text(widget, f.help);
    }
}

}  // namespace

void SetDefaultPoints(int32_t image, PluginValues* values) {
    gboolean nonEmpty = FALSE;
    gint x1 = 0;
    gint y1 = 0;
    gint x2 = 0;
    gint y2 = 0;
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

bool RunDialog(int32_t image, int32_t drawable, PluginValues* values) {
    gimp_ui_init("veltrix-gimp", FALSE);
    Dialog d;
    d.image = image;
    d.drawable = drawable;
    d.values = values;
    d.width = gimp_drawable_width(drawable);
    d.height = gimp_drawable_height(drawable);
    gimp_drawable_offsets(drawable, &d.offsetX, &d.offsetY);

    GtkWidget* dialog = gimp_dialog_new("Effect Lines", "veltrix-gimp", nullptr, GtkDialogFlags(0),
                                        gimp_standard_help_func, kProcedureName, "_Cancel",
                                        GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
    GtkWidget* main = gtk_hbox_new(FALSE, 12);
    gtk_container_set_border_width(GTK_CONTAINER(main), 12);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), main, TRUE, TRUE,
                       0);

    Preview preview(image, drawable);
    d.preview = &preview;
    gtk_box_pack_start(GTK_BOX(main), preview.Widget(), TRUE, TRUE, 0);

    GtkWidget* settings = gtk_vbox_new(FALSE, 6);
    gtk_box_pack_start(GTK_BOX(main), settings, FALSE, FALSE, 0);
    GtkWidget* presets = gtk_hbox_new(FALSE, 4);
    gtk_box_pack_start(GTK_BOX(settings), presets, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(presets), gtk_label_new("Preset"), FALSE, FALSE, 0);
    d.presetCombo = gtk_combo_box_text_new();
    FillPresetMenu(&d);
    gtk_box_pack_start(GTK_BOX(presets), d.presetCombo, TRUE, TRUE, 0);
    g_signal_connect(d.presetCombo, "changed", G_CALLBACK(OnPresetChosen), &d);
    d.presetName = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(d.presetName), 12);
    gtk_box_pack_start(GTK_BOX(presets), d.presetName, FALSE, FALSE, 0);
    GtkWidget* save = gtk_button_new_with_label("Save preset");
    gtk_box_pack_start(GTK_BOX(presets), save, FALSE, FALSE, 0);
    g_signal_connect(save, "clicked", G_CALLBACK(OnSavePreset), &d);

    AddSettings(&d, settings);
    GtkWidget* seedTable = NewFrameTable(settings, "Seed", 1);
    d.seedEntry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(d.seedEntry), values->seed);
    gtk_widget_set_tooltip_text(d.seedEntry, "decimal digits; empty for new lines on every run");
    gimp_table_attach_aligned(GTK_TABLE(seedTable), 0, 0, "seed", 0.0, 0.5, d.seedEntry, 2, FALSE);
    g_signal_connect(d.seedEntry, "changed", G_CALLBACK(OnChanged), &d);

    Refresh(&d);
    gtk_widget_show_all(dialog);
    bool draw = false;
    while (gimp_dialog_run(GIMP_DIALOG(dialog)) == GTK_RESPONSE_OK) {
        Collect(&d);
        const std::string error = CheckValues(*values);
        if (error.empty()) {
            draw = true;
            break;
        }
        g_message("%s", error.c_str());
    }
    if (d.pending != 0) {
        g_source_remove(d.pending);
    }
    gtk_widget_destroy(dialog);
    return draw;
}
