// Where the plug-in keeps its presets and guides, and how a name becomes a file path.
#pragma once

#include <string>

// Paths are computed afresh from the platform's data folder on every call; nothing is cached,
// checked or created, so any thread may call. Names are used as they are.

/// The preset folder (true) or the guide folder (false), ending with "/".
std::u16string GetPluginDir(bool preset);

/// The folder for the flag, then name, then ".ini" (preset) or ".svg" (guide).
std::u16string GetPluginDataPath(const std::u16string& name, bool preset);

/// The preset file of name: preset folder + name + ".ini".
std::u16string GetIniFilePath(const std::u16string& name);
