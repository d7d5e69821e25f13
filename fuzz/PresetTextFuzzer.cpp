// Fuzz target: preset text read into a record with its flags, written back and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "preset/PresetFormat.h"

namespace {

bool AllFlagsSet(const MoveEffectIniReadFlag& flags) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&flags);
    for (size_t i = 0; i < sizeof(flags); ++i) {
        if (bytes[i] != 1) {
            return false;
        }
    }
    return true;
}

// The reader trims values, so a name that starts or ends in white space cannot come back
// the same; every other record must survive a write and a read.
bool NameSurvivesTrim(const MoveEffectIniParam& param) {
    std::string name(param.name, strnlen(param.name, sizeof(param.name)));
    std::string trimmed = name;
    ini::trim(trimmed);
    return trimmed == name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    MoveEffectIniParam param;
    MoveEffectIniReadFlag flags;
    ini::ParsePreset(text, &param, &flags);

    std::string written;
    if (!ini::FormatPreset(param, &written)) {
        return 0;
    }

    // What the writer wrote reads back whole, and writing that again gives the same text.
    MoveEffectIniParam again;
    MoveEffectIniReadFlag againFlags;
    ini::ParsePreset(written, &again, &againFlags);
    if (!AllFlagsSet(againFlags)) {
        std::abort();
    }
    std::string rewritten;
    if (!ini::FormatPreset(again, &rewritten)) {
        std::abort();
    }
    if (NameSurvivesTrim(param) && rewritten != written) {
        std::abort();
    }
    return 0;
}
