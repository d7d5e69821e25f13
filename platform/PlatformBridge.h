// The C-callable operating-system services for text and folders, one backend per platform.
#pragma once

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
/// A UTF-16 code unit; char16_t in C++ so std::u16string data passes without casts.
typedef char16_t ST_Char16;
#define ST_NOEXCEPT noexcept
extern "C" {
#else
typedef uint_least16_t ST_Char16;
#define ST_NOEXCEPT
#endif

// Every function is stateless and may run on any thread. Counts are code units or entries.
// Results marked "new" are malloc'ed and released with the named function; every release
// function accepts null. Failures show only in the result: null, false, -1 or -2.

/// Decodes NUL-terminated UTF-8; each ill-formed piece becomes U+FFFD. Returns a new array of
/// exactly *count units (release with ST_FreeUtf16), or null with *count = 0. count may be null.
ST_Char16* ST_Utf8ToUtf16(const char* text, int* count) ST_NOEXCEPT;
void ST_FreeUtf16(ST_Char16* units) ST_NOEXCEPT;

/// Encodes count units; each unpaired surrogate becomes U+FFFD. Returns a new NUL-terminated
/// string (release with ST_FreeUtf8), or null for a null source, a negative count or no memory.
char* ST_Utf16ToUtf8(const ST_Char16* units, int count) ST_NOEXCEPT;
void ST_FreeUtf8(char* text) ST_NOEXCEPT;

/// Folds the case of source without a locale into destination (no terminator). Returns the
/// units written, -1 for a null pointer or negative size, or -2 when the folded text needs
/// more than capacity units (destination untouched). The length may change ("ß" -> "ss").
int ST_ToLowerCase(const ST_Char16* source, int sourceCount, ST_Char16* destination,
                   int capacity) ST_NOEXCEPT;

/// The current user's per-user data folder as a new UTF-8 path without a trailing "/"
/// (release with ST_FreeUtf8), or null when there is none. Nothing is checked or created.
char* ST_GetAppSupportPath(void) ST_NOEXCEPT;

/// Creates the folder and its missing parents. True also when it already exists.
bool ST_CreateDirectory(const char* path) ST_NOEXCEPT;

/// Lists the entries directly inside folder whose lower-cased name ends with the lower-cased
/// extension (an empty extension keeps all), in listing order. Returns a new array of *count
/// new NUL-terminated UTF-16 paths, folder and name joined by one "/"; release with
/// ST_FreeEnumFiles. Null with *count = 0 when nothing matches or the folder cannot be listed.
ST_Char16** ST_EnumFiles(const char* folder, const char* extension, int* count) ST_NOEXCEPT;
/// Releases a listing; count is the one ST_EnumFiles reported for it.
void ST_FreeEnumFiles(ST_Char16** files, int count) ST_NOEXCEPT;

#ifdef __cplusplus
}  // extern "C"
#endif
#undef ST_NOEXCEPT
