// Loading and saving presets by name in the preset folder.
#pragma once

#include <veltrix/veltrix.h>

#include <cstdio>
#include <string>

/// The file-system steps of a save, in order. The default steps act on the real file system;
/// tests override one to make a save fail there.
class PresetFileSeam {
  public:
    virtual ~PresetFileSeam() = default;
    /// Writes all of text to the open temporary file.
    virtual bool Write(std::FILE* file, const std::string& text);
    /// Pushes the written bytes through to the disk.
    virtual bool Flush(std::FILE* file);
    /// Moves the finished temporary file over the preset file (UTF-8 paths).
    virtual bool Rename(const std::string& from, const std::string& to);
};

/// Reads the preset name (preset folder + name + ".ini") into param and flags (flags may be
/// null). False, with both untouched, when the file gives no text or param is null; true
/// otherwise, with every field the file did not supply left 0.
bool LoadPreset(const std::u16string& name, MoveEffectIniParam* param,
                MoveEffectIniReadFlag* flags);

/// Saves param as the preset name. The text goes to a temporary file beside the preset file,
/// which replaces the old one only when written and flushed whole; on any failure the old file
/// stays as it was and false is returned. The preset folder must exist.
bool SavePreset(const std::u16string& name, const MoveEffectIniParam* param);
/// As above, through the given file-system steps.
bool SavePreset(const std::u16string& name, const MoveEffectIniParam* param, PresetFileSeam& seam);

/// Saves param under the current local time as its name ("20261205-040031"), stored in
/// usedName when it is not null.
bool SavePresetAsDate(const MoveEffectIniParam* param, std::u16string* usedName);
