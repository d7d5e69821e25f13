// Conversion between UTF-16 and UTF-8 (placeholder until the platform bridge lands).
#include "platform/TextConversion.h"

#include <cstring>

// ASCII only for now: every other byte or unit becomes U+FFFD or '?'.
std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string result;
    for (char c : std::string(text.c_str())) {
        const unsigned char byte = static_cast<unsigned char>(c);
        result.push_back(byte < 0x80 ? byte : 0xFFFD);
    }
    return result;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string result;
    for (char16_t unit : text) {
        result.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return result;
}
