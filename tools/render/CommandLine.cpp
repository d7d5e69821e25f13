// Option definitions, value checks and help text.
#include "render/CommandLine.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>

#include "render/AtomicOutputFile.h"
#include "render/DataFolders.h"
#include "render/DemoScene.h"
#include "render/RenderError.h"

namespace {

constexpr const char* kProgram = "veltrix-render";

std::string RangeDescription(const SettingRange& range) {
    char text[96];
    std::snprintf(text, sizeof text, "%g to %g", range.min, range.max);
    return text;
}

// Checks a number strictly (plain decimal, C locale, finite) against its range and rewrites
// whole numbers in canonical form, so CLI11's own conversion reads them in base 10.
CLI::Validator NumberIn(const SettingRange& range) {
    return CLI::Validator(
        [range](std::string& input) -> std::string {
            double value;
            if (range.integer) {
                int64_t whole;
                if (!ParseWholeNumber(input, &whole)) {
                    return "'" + input + "' is not a whole number";
                }
                value = static_cast<double>(whole);
            } else if (!ParseDecimal(input, &value)) {
                return "'" + input + "' is not a number";
            }
            if (value < range.min || value > range.max) {
                return input + " is out of range " + RangeDescription(range);
            }
            if (range.integer) {
                input = std::to_string(static_cast<int64_t>(value));
            }
            return std::string();
        },
        "");
}

template <typename T>
void AddSetting(CLI::App& app, const std::string& key, std::optional<T>* target,
                const SettingRange& range, const std::string& group, const std::string& help,
                const std::string& rangeText = std::string()) {
    app.add_option_function<T>(
           "--" + key, [target](const T& value) { *target = value; },
           help + " (" + (rangeText.empty() ? RangeDescription(range) : rangeText) + ")")
        ->transform(NumberIn(range))
        ->type_name(range.integer ? "INT" : "NUM")
        ->group(group);
}

void AddSwitch(CLI::App& app, const std::string& key, std::optional<bool>* target,
               const std::string& group, const std::string& help) {
    app.add_flag_function(
           "--" + key, [target](int64_t count) { *target = count > 0; },
           help + " (--no-" + key + " turns it off)")
        ->group(group);
    // Hidden: documented with the positive form. Given both, the negative one wins.
    app.add_flag_function("--no-" + key, [target](int64_t) { *target = false; })->group("");
}

void AddType(CLI::App& app, const std::string& key, std::optional<int32_t>* target,
             const std::string& group, const std::string& help) {
    app.add_option_function<std::string>(
           "--" + key,
           [target](const std::string& word) {
               *target = word == "parallel" ? VELTRIX_TYPE_PARALLEL
                         : word == "circle" ? VELTRIX_TYPE_CIRCLE
                                            : VELTRIX_TYPE_RADIATE;
           },
           help)
        ->transform(
            CLI::IsMember({"radiate", "parallel", "circle"}, CLI::ignore_case).description(""))
        ->type_name("TYPE")
        ->group(group);
}

void AddGuide(CLI::App& app, const std::string& key, std::optional<std::string>* target,
              const std::string& group, const std::string& help) {
    app.add_option_function<std::string>(
           "--" + key, [target](const std::string& name) { *target = name; }, help)
        ->check(CLI::Validator(
            [](std::string& name) {
                if (name.empty() || name.size() > kMaxGuideNameBytes) {
                    return std::string("a guide name has 1 to 258 bytes");
                }
                return std::string();
            },
            ""))
        ->type_name("NAME")
        ->group(group);
}

void AddPoint(CLI::App& app, const std::string& key, std::optional<PointOption>* target,
              const std::string& group, const std::string& help) {
    app.add_option_function<std::string>(
           "--" + key,
           [target](const std::string& text) {
               PointOption point;
               std::string error;
               ParsePointOption(text, &point, &error);
               *target = point;
           },
           help)
        ->check(CLI::Validator(
            [](std::string& text) {
                PointOption point;
                std::string error;
                return ParsePointOption(text, &point, &error) ? std::string() : error;
            },
            ""))
        ->type_name("X,Y")
        ->group(group);
}

std::string HelpFooter() {
    return "How settings are chosen:\n"
           "  They start from the library's defaults (GetDefaultParam), or from --preset NAME,\n"
           "  whose missing keys keep the defaults; options given beside it override it.\n"
           "  A preset keeps points relative to the canvas and in/out as thousandths, so the\n"
           "  drawing values are:\n"
           "    p1, p2, p3  x times the canvas width, y times its height, rounded to pixels\n"
           "                (a preset's 0.5 is 50% here; plain numbers here are pixels)\n"
           "    in, out     without --asdist thousandths of half the line (500 -> 0.5),\n"
           "                with --asdist pixels\n"
           "    name        the guide (--guide)\n"
           "    the rest    used as they are\n"
           "  What the points mean: radiate p1 centre, p2/p3 inner and outer radius (the\n"
           "  farther one sets the first line's direction); parallel p1 start, p2 direction\n"
           "  and length of each line, p3 direction and extent of the stack; circle p1/p2 ends\n"
           "  of one axis of the target ellipse, p3 a point on it.\n"
           "  Lines are laid only where the base image is dark and opaque.\n"
           "\n"
           "Folders:\n"
           "  presets " +
           PresetFolder() +
           "NAME.ini\n"
           "  guides  " +
           GuideFolder() +
           "NAME.svg\n"
           "  (under $XDG_DATA_HOME, else ~/.local/share)\n"
           "\n"
           "OUT.png may be - for standard output (not a terminal). A symbolic link is followed;\n"
           "devices, FIFOs and sockets are refused.\n"
           "\n"
           "Exit codes: 0 done, 1 internal failure, 2 bad command line, 3 base image missing or\n"
           "unreadable, 4 output not writable, 5 preset problem, 128 + N stopped by signal N\n"
           "(130 Ctrl-C; after the first one what was drawn is written, after a second nothing).\n";
}

// An option that takes a value given twice is a mistake whichever value was meant.
void CheckRepeatedOptions(const CLI::App& app, int argc, const char* const* argv) {
    std::map<std::string, int> counts;
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
        const std::string arg = argv[i];
        const std::string name = arg.substr(0, arg.find('='));
        const CLI::Option* option =
            name.rfind("--", 0) == 0 ? app.get_option_no_throw(name) : nullptr;
        if (option != nullptr && option->get_type_size() != 0 && ++counts[name] == 2) {
            throw CLI::ValidationError(name, "given more than once; give it once");
        }
    }
}

void CheckFileArguments(const std::vector<std::string>& files, RenderRequest* request) {
    if (files.size() > 2) {
        throw CLI::ValidationError("FILES", "too many: give BASE.png and OUT.png");
    }
    if (request->demo) {
        if (files.size() != 1) {
            throw CLI::ValidationError("--demo", "--demo takes one file: OUT.png");
        }
        request->outPath = files[0];
        if (IsStandardOutput(request->svgPath) && IsStandardOutput(files[0])) {
            throw CLI::ValidationError("--svg", "only one output can go to standard output (-)");
        }
        return;
    }
    if (IsStandardOutput(request->svgPath) && files.size() == 2 && IsStandardOutput(files[1])) {
        throw CLI::ValidationError("--svg", "only one output can go to standard output (-)");
    }
    const bool otherWork =
        request->listPresets || request->listGuides || !request->savePresetName.empty();
    if (files.size() == 2) {
        request->basePath = files[0];
        request->outPath = files[1];
        if (IsStandardOutput(request->basePath)) {
            throw CLI::ValidationError("BASE.png", "must be a file: - names standard output");
        }
    } else if (files.size() == 1) {
        throw CLI::ValidationError("OUT.png", "missing: give BASE.png and OUT.png");
    } else if (!otherWork) {
        throw CLI::ValidationError("BASE.png OUT.png",
                                   "missing (or use --demo OUT.png, --list-presets)");
    }
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, const char* const* argv, RenderRequest* r) {
    CLI::App app(
        "Draws comic effect lines (focus lines, speed lines, concentric rings) over a PNG.\n"
        "  veltrix-render [OPTIONS] BASE.png OUT.png   effect layer of BASE.png into OUT.png\n"
        "  veltrix-render --demo OUT.png               a built-in scene, no input needed\n",
        kProgram);
    app.set_version_flag("--version", std::string(kProgram) + " " VELTRIX_VERSION);
    app.footer(HelpFooter());
    app.get_formatter()->column_width(34);

    std::vector<std::string> files;
    app.add_option("FILES", files, "BASE.png OUT.png, or OUT.png with --demo")->type_name("");

    const std::string io = "Input and output";
    app.add_flag("--composite", r->composite, "write the lines over the base image")->group(io);
    app.add_option("--depth", r->depth, "bits per channel of OUT.png (default: the base's)")
        ->check(CLI::IsMember({8, 16}).description(""))
        ->type_name("8|16")
        ->group(io);
    app.add_option_function<std::string>(
           "--color",
           [r](const std::string& text) {
               Rgb color;
               std::string error;
               ParseColor(text, &color, &error);
               r->color = color;
           },
           "line colour, #rrggbb (default #000000)")
        ->check(CLI::Validator(
            [](std::string& text) {
                Rgb color;
                std::string error;
                return ParseColor(text, &color, &error) ? std::string() : error;
            },
            ""))
        ->type_name("#RRGGBB")
        ->group(io);
    app.add_option_function<uint64_t>(
           "--seed", [r](uint64_t seed) { r->seed = seed; },
           "draw with this seed; the same seed gives the same picture")
        ->type_name("N")
        ->group(io);
    app.add_option("--svg", r->svgPath, "also write the lines as SVG outlines to FILE")
        ->type_name("FILE")
        ->group(io);
    app.add_flag("--invert", r->invert,
                 "lines where the base is light, not dark (a white shape on black)")
        ->group(io);
    const std::map<std::string, PngCompression> compressions = {
        {"fast", PngCompression::Fast},
        {"default", PngCompression::Default},
        {"best", PngCompression::Best}};
    app.add_option("--compression", r->compression,
                   "fast (larger file), default, or best (smallest, slowest)")
        ->transform(CLI::CheckedTransformer(compressions).description(""))
        ->type_name("fast|default|best")
        ->group(io);
    app.add_flag("-q,--quiet", r->quiet, "no progress and no final line on standard error")
        ->group(io);
    auto* demo =
        app.add_flag("--demo", r->demo, "render the built-in scene (composited) into OUT.png")
            ->group(io);
    app.add_option("--demo-size", r->demoSize,
                   "side of the demo canvas in pixels (64 to 4096; 512)")
        ->check(CLI::Range(kMinDemoSize, kMaxDemoSize).description(""))
        ->needs(demo)
        ->type_name("INT")
        ->group(io);

    const std::string presets = "Presets";
    const auto checkName = CLI::Validator(
        [](std::string& name) {
            try {
                CheckPresetName(name);
            } catch (const RenderError& error) {
                return std::string(error.what());
            }
            return std::string();
        },
        "");
    app.add_option("--preset", r->presetName, "start from the saved preset NAME")
        ->check(checkName)
        ->type_name("NAME")
        ->group(presets);
    app.add_option("--save-preset", r->savePresetName,
                   "save the settings as preset NAME (creates the folder)")
        ->check(checkName)
        ->type_name("NAME")
        ->group(presets);
    app.add_flag("--force", r->force, "let --save-preset replace an existing preset")
        ->group(presets);
    app.add_flag("--list-presets", r->listPresets, "list the saved presets")->group(presets);
    app.add_flag("--list-guides", r->listGuides, "list the guides")->group(presets);

    SettingOverrides& o = r->overrides;
#define VELTRIX_TYPE(field, group, help) AddType(app, #field, &o.field, group, help);
#define VELTRIX_GUIDE(field, option, group, help) AddGuide(app, #option, &o.option, group, help);
#define VELTRIX_POINT(field, group, help) \
    AddPoint(app, #field, &o.field, std::string(group) + " (pixels, or % of the canvas)", help);
#define VELTRIX_NUMBER(field, min, max, group, help) \
    AddSetting(app, #field, &o.field, RangeOf(&MoveEffectIniParam::field, min, max), group, help);
#define VELTRIX_TAPER(field, min, max, group, help)                                               \
    AddSetting(app, #field, &o.field, RangeOf(&MoveEffectIniParam::field, min, max), group, help, \
               "0 to 1000; with --asdist pixels");
#define VELTRIX_SWITCH(field, group, help) AddSwitch(app, #field, &o.field, group, help);
#include "hostsupport/SettingFields.inc"
    app.add_option("--lines", r->lines,
                   "radiate: about N lines round the centre, spacing 4000 / N (1 to 4000)")
        ->check(CLI::Range(1, 4000).description(""))
        ->type_name("N")
        ->group("Line");

    try {
        CheckRepeatedOptions(app, argc, argv);
        app.parse(argc, argv);
        CheckFileArguments(files, r);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error);  // --help or --version
        }
        std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", kProgram, error.what(),
                     kProgram);
        return kExitUsage;
    }
    return std::nullopt;
}
