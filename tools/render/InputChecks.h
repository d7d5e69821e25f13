// What the library's lenient readers make of a preset file or a guide file, told to the user
// where it is not what the file seems to ask for. The library keeps its rules (stored files
// rely on them); these checks only read the files the same way and compare.
#pragma once

#include <veltrix/veltrix.h>

#include <string>
#include <vector>

// A key line of a preset file whose value was not used.
struct PresetKeyProblem {
    int line = 0;        // 1-based
    std::string text;    // key=value as written (trimmed)
    std::string reason;  // why it was not used
    std::string key;     // the field it would have set; empty for unknown keys
};

// The key lines of a preset's text that the library's reader passed over (unknown key or
// section) or rejected (its read flag is 0), the last line of each key only.
std::vector<PresetKeyProblem> FindPresetProblems(const std::string& text,
                                                 const MoveEffectIniReadFlag& flags);

// What the library will draw instead of the guide NAME, or empty when it reads the guide as
// given: a missing file (and one whose name differs only in letter case), a file without a
// usable <path>, and a path whose commands the reader skips or drops.
std::string FindGuideProblem(const std::string& name);
