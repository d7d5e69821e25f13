// The preset file text: writing a record as text and reading text into a record and flags.
#pragma once

#include <veltrix/veltrix.h>

#include <cstddef>
#include <sstream>
#include <string>

// Everything here is a function of its arguments: no file access, no shared state, and no
// dependence on the host's locale.
namespace ini {

/// The longest guide name, in bytes, that a preset file may set.
inline constexpr size_t kMaxGuideNameBytes = 258;

/// value in fixed notation with `decimals` digits, then trailing zeros and a trailing "."
/// removed: 2.0 -> "2", 0.325 -> "0.325", 100.0 -> "100".
std::string _dtos(double value, int decimals);

/// Removes space, tab, line feed, vertical tab, form feed and carriage return at both ends.
void trim(std::string& text);

// Value parsers: each takes the trimmed value and returns true when it accepted it; a rejected
// value leaves the destination unchanged (GetIniPoint may have stored x, see there).

/// Base-10 integer prefix ("12.7" -> 12, "7px" -> 7); rejected without a leading digit run or
/// outside int.
bool GetIniInteger(const std::string& value, int* destination);
/// Longest number prefix ("2.5 ; note" -> 2.5); rejected without one or out of range.
bool GetIniDouble(const std::string& value, double* destination);
/// "x,y": needs a ","; x is stored as soon as it parses, y only when it parses too.
bool GetIniPoint(const std::string& value, PathPoint* destination);
/// "1"/"true" -> 1, "0"/"false" -> 0, ASCII case ignored.
bool GetIniBool(const std::string& value, unsigned char* destination);
/// "radiate" -> 0, "parallel" -> 1, "circle" -> 2, ASCII case ignored; digits are rejected.
bool GetIniPath(const std::string& value, int* destination);
/// Copies at most kMaxGuideNameBytes bytes and a NUL into the 264-byte name, clearing its tail.
bool GetIniString(const std::string& value, char (&destination)[264]);

// Writers: each appends one whole line ending in a single line feed.
void AppendIniCategory(std::ostringstream& out, const char* section);
void AppendIniEmptyLine(std::ostringstream& out);
void AppendIniString(std::ostringstream& out, const char* key, const std::string& value);
void AppendIniInteger(std::ostringstream& out, const char* key, int value);
void AppendIniDouble(std::ostringstream& out, const char* key, double value);
void AppendIniPoint(std::ostringstream& out, const char* key, const PathPoint& value);
void AppendIniBool(std::ostringstream& out, const char* key, unsigned char value);

/// Writes the record as preset text. False, with text untouched, when the name has no NUL
/// within its array or holds a line feed or carriage return (the file would not load back).
bool FormatPreset(const MoveEffectIniParam& param, std::string* text);

/// Clears the record and all flags, then fills every field that text supplies with an
/// accepted value and sets its flag.
void ParsePreset(const std::string& text, MoveEffectIniParam* param, MoveEffectIniReadFlag* flags);

}  // namespace ini
