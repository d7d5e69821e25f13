// The platform bridge on Linux: ICU for text, the XDG data folder, POSIX for folders.
#include <dirent.h>
#include <pwd.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformBridge.h"

namespace {

constexpr UChar32 kReplacement = 0xFFFD;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Decodes a byte string with U+FFFD for each ill-formed piece; false on failure.
bool DecodeUtf8(const char* text, size_t length, std::u16string* out) {
    if (length > static_cast<size_t>(INT32_MAX)) {
        return false;
    }
    const int32_t sourceLength = static_cast<int32_t>(length);
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8WithSub(nullptr, 0, &needed, text, sourceLength, kReplacement, nullptr, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return false;
    }
    out->assign(static_cast<size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out->data(), needed, &needed, text, sourceLength, kReplacement, nullptr,
                         &status);
    return U_SUCCESS(status);
}

// Replaces every unpaired surrogate with U+FFFD; the length stays the same.
std::u16string RepairSurrogates(const ST_Char16* units, int count) {
    std::u16string text(units, static_cast<size_t>(count));
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (U16_IS_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
            ++i;
        } else if (U16_IS_SURROGATE(unit)) {
            text[i] = static_cast<char16_t>(kReplacement);
        }
    }
    return text;
}

// Applies an ICU case mapping with the usual preflight; false on failure.
template <typename Mapping>
bool MapCase(const std::u16string& source, std::u16string* out, Mapping mapping) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = static_cast<int32_t>(source.size());
    const int32_t needed = mapping(nullptr, 0, source.data(), length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return false;
    }
    out->assign(static_cast<size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    mapping(out->data(), needed, source.data(), length, &status);
    return U_SUCCESS(status);
}

// Unicode default lower-casing (root locale), used to match extensions.
bool LowerWithoutLocale(const std::u16string& source, std::u16string* out) {
    return MapCase(
        source, out,
        [](UChar* dest, int32_t capacity, const UChar* src, int32_t length, UErrorCode* status) {
            return u_strToLower(dest, capacity, src, length, "", status);
        });
}

bool EndsWith(const std::u16string& text, const std::u16string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

char* CopyToMalloc(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), text.size() + 1);
    }
    return copy;
}

ST_Char16* CopyToMalloc(const std::u16string& text, bool terminate) {
    const size_t units = text.size() + (terminate ? 1 : 0);
    ST_Char16* copy = static_cast<ST_Char16*>(
        std::malloc(units == 0 ? sizeof(ST_Char16) : units * sizeof(ST_Char16)));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), units * sizeof(ST_Char16));
    }
    return copy;
}

void StripTrailingSlashes(std::string* path) {
    while (!path->empty() && path->back() == '/') {
        path->pop_back();
    }
}

// The home folder from the password database, or empty.
std::string HomeFromPasswordDatabase() {
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    size_t size = suggested > 0 ? static_cast<size_t>(suggested) : 16384;
    for (int attempt = 0; attempt < 8; ++attempt, size *= 2) {
        std::vector<char> buffer(size);
        passwd entry{};
        passwd* found = nullptr;
        const int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE) {
            continue;
        }
        if (error != 0 || found == nullptr || found->pw_dir == nullptr) {
            return std::string();
        }
        return std::string(found->pw_dir);
    }
    return std::string();
}

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

}  // namespace

extern "C" {

ST_Char16* ST_Utf8ToUtf16(const char* text, int* count) noexcept {
    if (count != nullptr) {
        *count = 0;
    }
    if (text == nullptr) {
        return nullptr;
    }
    try {
        std::u16string decoded;
        if (!DecodeUtf8(text, std::strlen(text), &decoded) || decoded.size() > INT_MAX) {
            return nullptr;
        }
        ST_Char16* result = CopyToMalloc(decoded, false);
        if (result != nullptr && count != nullptr) {
            *count = static_cast<int>(decoded.size());
        }
        return result;
    } catch (...) {
        return nullptr;
    }
}

void ST_FreeUtf16(ST_Char16* units) noexcept {
    std::free(units);
}

char* ST_Utf16ToUtf8(const ST_Char16* units, int count) noexcept {
    if (units == nullptr || count < 0) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8WithSub(nullptr, 0, &needed, units, count, kReplacement, nullptr, &status);
    if ((status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) || needed == INT32_MAX) {
        return nullptr;
    }
    char* result = static_cast<char*>(std::malloc(static_cast<size_t>(needed) + 1));
    if (result == nullptr) {
        return nullptr;
    }
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result, needed + 1, &needed, units, count, kReplacement, nullptr, &status);
    if (U_FAILURE(status)) {
        std::free(result);
        return nullptr;
    }
    result[needed] = '\0';
    return result;
}

void ST_FreeUtf8(char* text) noexcept {
    std::free(text);
}

int ST_ToLowerCase(const ST_Char16* source, int sourceCount, ST_Char16* destination,
                   int capacity) noexcept {
    if (source == nullptr || destination == nullptr || sourceCount < 0 || capacity < 0) {
        return -1;
    }
    try {
        std::u16string folded;
        const bool ok = MapCase(
            RepairSurrogates(source, sourceCount), &folded,
            [](UChar* dest, int32_t cap, const UChar* src, int32_t length, UErrorCode* status) {
                return u_strFoldCase(dest, cap, src, length, U_FOLD_CASE_DEFAULT, status);
            });
        if (!ok) {
            return -1;
        }
        if (folded.size() > static_cast<size_t>(capacity)) {
            return -2;
        }
        std::memcpy(destination, folded.data(), folded.size() * sizeof(ST_Char16));
        return static_cast<int>(folded.size());
    } catch (...) {
        return -1;
    }
}

char* ST_GetAppSupportPath(void) noexcept {
    try {
        // The XDG base-directory rule: $XDG_DATA_HOME when absolute, else ~/.local/share.
        const char* dataHome = std::getenv("XDG_DATA_HOME");
        std::string path;
        if (IsAbsolute(dataHome)) {
            path = dataHome;
        } else {
            const char* home = std::getenv("HOME");
            std::string base = IsAbsolute(home) ? std::string(home) : HomeFromPasswordDatabase();
            if (!IsAbsolute(base.c_str())) {
                return nullptr;
            }
            StripTrailingSlashes(&base);
            path = base + "/.local/share";
        }
        StripTrailingSlashes(&path);
        return CopyToMalloc(path);
    } catch (...) {
        return nullptr;
    }
}

bool ST_CreateDirectory(const char* path) noexcept {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    try {
        std::error_code error;
        std::filesystem::create_directories(path, error);
        if (error) {
            return false;
        }
        return std::filesystem::is_directory(path, error);
    } catch (...) {
        return false;
    }
}

ST_Char16** ST_EnumFiles(const char* folder, const char* extension, int* count) noexcept {
    if (count != nullptr) {
        *count = 0;
    }
    if (folder == nullptr || extension == nullptr) {
        return nullptr;
    }
    try {
        std::u16string suffix;
        std::u16string lowerSuffix;
        if (!DecodeUtf8(extension, std::strlen(extension), &suffix) ||
            !LowerWithoutLocale(suffix, &lowerSuffix)) {
            return nullptr;
        }
        std::unique_ptr<DIR, DirCloser> dir(opendir(folder));
        if (!dir) {
            return nullptr;
        }
        std::string prefix(folder);
        StripTrailingSlashes(&prefix);
        prefix += '/';

        std::vector<std::u16string> kept;
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir.get());
            if (entry == nullptr) {
                if (errno != 0) {
                    return nullptr;
                }
                break;
            }
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
                continue;
            }
            std::u16string wideName;
            std::u16string lowerName;
            if (!DecodeUtf8(name, std::strlen(name), &wideName) ||
                !LowerWithoutLocale(wideName, &lowerName) || !EndsWith(lowerName, lowerSuffix)) {
                continue;
            }
            const std::string joined = prefix + name;
            std::u16string path;
            if (DecodeUtf8(joined.data(), joined.size(), &path)) {
                kept.push_back(std::move(path));
            }
        }
        if (kept.empty() || kept.size() > INT_MAX) {
            return nullptr;
        }

        auto** list = static_cast<ST_Char16**>(std::calloc(kept.size(), sizeof(ST_Char16*)));
        if (list == nullptr) {
            return nullptr;
        }
        for (size_t i = 0; i < kept.size(); ++i) {
            list[i] = CopyToMalloc(kept[i], true);
            if (list[i] == nullptr) {
                ST_FreeEnumFiles(list, static_cast<int>(i));
                return nullptr;
            }
        }
        if (count != nullptr) {
            *count = static_cast<int>(kept.size());
        }
        return list;
    } catch (...) {
        return nullptr;
    }
}

void ST_FreeEnumFiles(ST_Char16** files, int count) noexcept {
    if (files == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        std::free(files[i]);
    }
    std::free(files);
}

}  // extern "C"
