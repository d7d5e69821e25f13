// Conversion between the library's UTF-16 strings and UTF-8 byte strings, and case folding.
#pragma once

#include <string>

/// Decodes the bytes up to the first NUL; ill-formed pieces become U+FFFD. Empty on failure.
std::u16string Utf8ToUtf16(const std::string& text);
/// Encodes the code units; unpaired surrogates become U+FFFD. Empty on failure.
std::string Utf16ToUtf8(const std::u16string& text);
/// Folds the case without a locale; the length may change ("ß" -> "ss"). Empty on failure.
std::u16string ToLowerCase(const std::u16string& text);
