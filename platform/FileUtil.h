// Whole-file reading and writing, folder services and path-name helpers over UTF-16 paths.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Paths are UTF-16 inside the library and UTF-8 on disk. Nothing here throws for a missing
// file or a refused platform call; results are empty or false instead. Any thread may call.

/// The user's per-user data folder without a trailing "/"; empty when the platform has none.
std::u16string GetAppDirectory();

/// The whole file byte for byte. Empty when it is missing, unreadable, empty, or not a
/// regular file (a folder, FIFO or device is never read, so the call does not block).
std::string ReadAllText(const std::u16string& path);
/// As above with a UTF-8 path.
std::string ReadAllText(const std::string& path);

/// Creates or truncates the file and writes text. True only when every byte reached the file
/// and it closed cleanly; a failure at the final flush or close gives false. The folder must
/// exist.
bool WriteAllText(const std::u16string& path, const std::string& text);

/// Flushes the stream and asks the system to put the file's data on the disk.
bool FlushToDisk(std::FILE* file);

/// True when the path (links followed) names a regular file.
bool FileExists(const std::u16string& path);

/// Creates the folder with its missing parents; true also when it exists. False for "".
bool CreateDataDirectory(const std::u16string& path);

/// Paths of the entries directly in folder whose names end with extension, ignoring case, in
/// the system's listing order. Empty when the folder is missing or nothing matches.
std::vector<std::u16string> EnumFiles(const std::u16string& folder,
                                      const std::u16string& extension);

/// True when path ends with extension, ASCII letters compared without case. The extension is
/// a plain suffix: ".svg" and "svg" both match "a.svg". An empty extension always matches.
bool HasExtension(const std::u16string& path, const std::u16string& extension);

/// The name after the last "/" or "\" without its last extension; a leading "." (".hidden")
/// is part of the name, not an extension.
std::u16string GetFileNameWithoutExt(const std::u16string& path);
