// Test helpers for presets: the default file text and read-flag checks.
#pragma once

#include <veltrix/veltrix.h>

#include <cstring>
#include <string>

/// The exact text a save of the default record writes.
inline const std::string kDefaultPresetText =
    "[guide]\n"
    "type=radiate\n"
    "p1=0.5,0.5\n"
    "p2=0.5,0.325\n"
    "p3=0.5,0.125\n"
    "name=:S\n"
    "curvature=1\n"
    "\n"
    "[pen]\n"
    "size=2\n"
    "hardness=1\n"
    "fluction=0\n"
    "in=500\n"
    "out=500\n"
    "asdist=false\n"
    "easing=false\n"
    "\n"
    "[line]\n"
    "position=0\n"
    "posfluct=0\n"
    "length=10\n"
    "lenfluct=0\n"
    "spacing=50\n"
    "spcfluct=0\n"
    "lengain=0\n"
    "spcgain=0\n"
    "connect=true\n";

/// How many of the 22 read flags are exactly 1; any other value counts as a failure (-1).
inline int CountFlags(const MoveEffectIniReadFlag& flags) {
    unsigned char bytes[sizeof(flags)];
    std::memcpy(bytes, &flags, sizeof(flags));
    int set = 0;
    for (unsigned char b : bytes) {
        if (b > 1) {
            return -1;
        }
        set += b;
    }
    return set;
}

/// Byte-wise equality of two records (padding included).
inline bool SameBytes(const MoveEffectIniParam& a, const MoveEffectIniParam& b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}
