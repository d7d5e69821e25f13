// The plug-in's data folders and the exported entry points that report them to the host.
#include "preset/PluginDataFolders.h"

#include <veltrix/veltrix.h>

#include <climits>
#include <cstring>
#include <stdexcept>

#include "platform/FileUtil.h"
#include "platform/TextConversion.h"

std::u16string GetPluginDir(bool preset) {
    return GetAppDirectory() + u"/Orvane/vxplugin/" + (preset ? u"preset/" : u"guide/");
}

std::u16string GetPluginDataPath(const std::u16string& name, bool preset) {
    return GetPluginDir(preset) + name + (preset ? u".ini" : u".svg");
}

std::u16string GetIniFilePath(const std::u16string& name) {
    return GetPluginDataPath(name, true);
}

extern "C" {

VELTRIX_API void GetPluginDir(int which, char* buffer) noexcept {
    if (buffer == nullptr) {
        return;
    }
    try {
        const std::string path = Utf16ToUtf8(GetPluginDir(which == 1));
        std::memcpy(buffer, path.c_str(), path.size() + 1);
    } catch (...) {
        buffer[0] = '\0';
    }
}

VELTRIX_API int GetPluginDirPath(int which, char* buffer, int size) noexcept {
    const bool writable = buffer != nullptr && size > 0;
    try {
        const std::string path = Utf16ToUtf8(GetPluginDir(which == 1));
        if (path.size() > static_cast<size_t>(INT_MAX)) {
            throw std::length_error("path too long");
        }
        if (writable) {
            // A cut path could name a real but different folder: write all of it or nothing.
            if (path.size() < static_cast<size_t>(size)) {
                std::memcpy(buffer, path.c_str(), path.size() + 1);
            } else {
                buffer[0] = '\0';
            }
        }
        return static_cast<int>(path.size());
    } catch (...) {
        if (writable) {
            buffer[0] = '\0';
        }
        return -1;
    }
}

}  // extern "C"
