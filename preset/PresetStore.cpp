// Loading and saving presets by name; a save replaces the old file only when complete.
#include "preset/PresetStore.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>

#include "platform/FileUtil.h"
#include "platform/LocalTime.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"
#include "preset/PresetFormat.h"

namespace {

// Creates a new hidden temporary file in the folder of target. Its name does not end in ".ini",
// so listings of presets never show it, and does not grow with the preset's name, which may
// already be close to the system's limit. Null when none can be created.
std::FILE* CreateTemporaryBeside(const std::string& target, std::string* temporary) {
    static std::atomic<unsigned> sequence{0};
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 16; ++attempt) {
        *temporary = folder + ".preset-" + std::to_string(now) + "-" +
                     std::to_string(sequence.fetch_add(1)) + ".tmp";
        // "x": never open a file that already exists (another save's, or a planted link).
        std::FILE* created = std::fopen(temporary->c_str(), "wbx");
        if (created != nullptr || errno != EEXIST) {
            return created;
        }
    }
    return nullptr;
}

PresetFileSeam& DefaultSeam() {
    static PresetFileSeam seam;
    return seam;
}

}  // namespace

bool PresetFileSeam::Write(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool PresetFileSeam::Flush(std::FILE* file) {
    return FlushToDisk(file);
}

bool PresetFileSeam::Rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool LoadPreset(const std::u16string& name, MoveEffectIniParam* param,
                MoveEffectIniReadFlag* flags) {
    if (param == nullptr) {
        return false;
    }
    const std::string text = ReadAllText(GetPluginDataPath(name, true));
    if (text.empty()) {
        return false;
    }
    MoveEffectIniReadFlag scratch;
    ini::ParsePreset(text, param, flags != nullptr ? flags : &scratch);
    return true;
}

bool SavePreset(const std::u16string& name, const MoveEffectIniParam* param) {
    return SavePreset(name, param, DefaultSeam());
}

bool SavePreset(const std::u16string& name, const MoveEffectIniParam* param, PresetFileSeam& seam) {
    if (param == nullptr || name.empty()) {
        return false;
    }
    std::string text;
    if (!ini::FormatPreset(*param, &text)) {
        return false;
    }
    const std::string target = Utf16ToUtf8(GetIniFilePath(name));
    std::string temporary;
    std::FILE* file = CreateTemporaryBeside(target, &temporary);
    if (file == nullptr) {
        return false;
    }
    bool saved = seam.Write(file, text) && seam.Flush(file);
    saved = std::fclose(file) == 0 && saved;
    saved = saved && seam.Rename(temporary, target);
    if (!saved) {
        std::remove(temporary.c_str());
    }
    return saved;
}

bool SavePresetAsDate(const MoveEffectIniParam* param, std::u16string* usedName) {
    std::tm calendar{};
    char stamp[32];
    if (!ToLocalTime(std::time(nullptr), &calendar) ||
        std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &calendar) == 0) {
        return false;
    }
    const std::u16string name = Utf8ToUtf16(stamp);
    if (usedName != nullptr) {
        *usedName = name;
    }
    return SavePreset(name, param);
}
