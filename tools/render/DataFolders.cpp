// Folder queries through the public entry points, listing with the standard library.
#include "render/DataFolders.h"

#include <veltrix/veltrix.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "render/RenderError.h"

namespace {

std::string PluginFolder(int which) {
    std::string path(256, '\0');
    int length = GetPluginDirPath(which, path.data(), static_cast<int>(path.size()));
    if (length >= static_cast<int>(path.size())) {
        path.assign(static_cast<size_t>(length) + 1, '\0');
        length = GetPluginDirPath(which, path.data(), static_cast<int>(path.size()));
    }
    path.resize(length > 0 && length < static_cast<int>(path.size()) ? length : 0);
    return path;
}

}  // namespace

std::string PresetFolder() {
    return PluginFolder(1);
}

std::string GuideFolder() {
    return PluginFolder(0);
}

std::vector<std::string> ListNames(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path& path = it->path();
        if (path.extension() == extension && it->is_regular_file(error)) {
            names.push_back(path.stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

void CreateFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw RenderError(kExitPreset,
                          "cannot create the preset folder " + folder + ": " + error.message());
    }
}

void CheckPresetName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        throw RenderError(kExitUsage, "'" + name +
                                          "' is not a preset name: use a plain file name without "
                                          "folders or extension");
    }
}

bool IsBuiltInGuide(const std::string& name) {
    return std::any_of(std::begin(kBuiltInGuides), std::end(kBuiltInGuides),
                       [&](const BuiltInGuide& guide) { return name == guide.name; });
}
