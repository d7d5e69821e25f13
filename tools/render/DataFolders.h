// The library's preset and guide folders as the host sees them: listing, creating, names.
#pragma once

#include <string>
#include <vector>

#include "hostsupport/HostSettings.h"

// The folder paths the library reports (GetPluginDirPath), each ending in "/".
std::string PresetFolder();
std::string GuideFolder();

// Names (file names without the extension) of the files in folder that end in extension,
// sorted. A missing folder has none.
std::vector<std::string> ListNames(const std::string& folder, const std::string& extension);

// Creates folder with its missing parents. Throws RenderError (kExitPreset) when it cannot.
void CreateFolder(const std::string& folder);

// A preset name must be a plain file name. Throws RenderError (kExitUsage) otherwise.
void CheckPresetName(const std::string& name);

// The built-in guide names and what they draw, as every host lists them.
using veltrix_host::BuiltInGuide;
using veltrix_host::kBuiltInGuides;
bool IsBuiltInGuide(const std::string& name);
