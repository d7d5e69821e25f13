// Number conversions with the "C" locale's rules, whatever locale the host has set.
#pragma once

#include <string>

// Each call switches only the calling thread to the "C" locale and back, so hosts that run
// with a decimal comma still get "0.5" both ways. Any thread may call.

/// strtod in the "C" locale: leading blanks, a sign, "inf", "nan" and hexadecimal forms.
/// Sets errno to ERANGE as strtod does.
double StrtodC(const char* text, char** end);

/// strtol in base 10 in the "C" locale. Sets errno to ERANGE as strtol does.
long StrtolC(const char* text, char** end);

/// printf's "%.*f" in the "C" locale: fixed notation with `decimals` digits after the point.
std::string FormatFixedC(double value, int decimals);
