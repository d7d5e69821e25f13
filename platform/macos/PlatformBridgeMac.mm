// The platform bridge on macOS: Foundation for folders and case folding.
#import <Foundation/Foundation.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/PlatformBridge.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(uint32_t codePoint, std::u16string* out) {
    if (codePoint < 0x10000) {
        out->push_back(static_cast<char16_t>(codePoint));
    } else {
        codePoint -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
}

// UTF-8 to UTF-16; each maximal ill-formed subpart becomes one U+FFFD.
std::u16string DecodeUtf8(const char* text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const size_t length = std::strlen(text);
    std::u16string out;
    size_t i = 0;
    while (i < length) {
        const unsigned lead = bytes[i++];
        if (lead < 0x80) {
            out.push_back(static_cast<char16_t>(lead));
            continue;
        }
        int trailing = 0;
        uint32_t codePoint = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailing = 2;
            codePoint = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailing = 3;
            codePoint = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            out.push_back(kReplacement);
            continue;
        }
        bool complete = true;
        for (int k = 0; k < trailing; ++k, low = 0x80, high = 0xBF) {
            if (i >= length || bytes[i] < low || bytes[i] > high) {
                complete = false;
                break;
            }
            codePoint = (codePoint << 6) | (bytes[i++] & 0x3F);
        }
        if (complete) {
            AppendCodePoint(codePoint, &out);
        } else {
            out.push_back(kReplacement);
        }
    }
    return out;
}

// UTF-16 to UTF-8; each unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(const char16_t* units, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t codePoint = units[i];
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            codePoint = kReplacement;
        }
        if (codePoint < 0x80) {
            out.push_back(static_cast<char>(codePoint));
        } else if (codePoint < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        }
    }
    return out;
}

NSString* StringFromUnits(const std::u16string& units) {
    return [NSString stringWithCharacters:reinterpret_cast<const unichar*>(units.data())
                                   length:units.size()];
}

std::u16string UnitsFromString(NSString* string) {
    std::u16string units(string.length, u'\0');
    [string getCharacters:reinterpret_cast<unichar*>(&units[0])
                    range:NSMakeRange(0, string.length)];
    return units;
}

NSString* PathFromUtf8(const char* path) {
    return [[NSFileManager defaultManager] stringWithFileSystemRepresentation:path
                                                                       length:std::strlen(path)];
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
    auto* copy = static_cast<ST_Char16*>(std::malloc((units == 0 ? 1 : units) * sizeof(ST_Char16)));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), units * sizeof(ST_Char16));
    }
    return copy;
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
        const std::u16string units = DecodeUtf8(text);
        if (units.size() > INT_MAX) {
            return nullptr;
        }
        ST_Char16* result = CopyToMalloc(units, false);
        if (result != nullptr && count != nullptr) {
            *count = static_cast<int>(units.size());
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
    try {
        return CopyToMalloc(EncodeUtf8(units, static_cast<size_t>(count)));
    } catch (...) {
        return nullptr;
    }
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
        @autoreleasepool {
            // Round-tripping repairs unpaired surrogates before folding.
            const std::string utf8 = EncodeUtf8(source, static_cast<size_t>(sourceCount));
            NSString* text = StringFromUnits(DecodeUtf8(utf8.c_str()));
            const std::u16string folded =
                UnitsFromString([text stringByFoldingWithOptions:NSCaseInsensitiveSearch
                                                          locale:nil]);
            if (folded.size() > static_cast<size_t>(capacity)) {
                return -2;
            }
            std::memcpy(destination, folded.data(), folded.size() * sizeof(ST_Char16));
            return static_cast<int>(folded.size());
        }
    } catch (...) {
        return -1;
    }
}

char* ST_GetAppSupportPath(void) noexcept {
    try {
        @autoreleasepool {
            NSArray<NSURL*>* urls =
                [[NSFileManager defaultManager] URLsForDirectory:NSApplicationSupportDirectory
                                                       inDomains:NSUserDomainMask];
            NSURL* first = urls.firstObject;
            if (first == nil || first.path == nil) {
                return nullptr;
            }
            return CopyToMalloc(first.path.fileSystemRepresentation);
        }
    } catch (...) {
        return nullptr;
    }
}

bool ST_CreateDirectory(const char* path) noexcept {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    try {
        @autoreleasepool {
            NSURL* url = [NSURL fileURLWithPath:PathFromUtf8(path) isDirectory:YES];
            return [[NSFileManager defaultManager] createDirectoryAtURL:url
                                            withIntermediateDirectories:YES
                                                             attributes:nil
                                                                  error:nil];
        }
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
        std::vector<std::u16string> kept;
        @autoreleasepool {
            NSString* folderPath = PathFromUtf8(folder);
            NSArray<NSString*>* names =
                [[NSFileManager defaultManager] contentsOfDirectoryAtPath:folderPath error:nil];
            if (names == nil) {
                return nullptr;
            }
            NSString* suffix = StringFromUnits(DecodeUtf8(extension)).lowercaseString;
            for (NSString* name in names) {
                if (suffix.length == 0 || [name.lowercaseString hasSuffix:suffix]) {
                    kept.push_back(
                        UnitsFromString([folderPath stringByAppendingPathComponent:name]));
                }
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
