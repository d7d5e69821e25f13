// Conversion between UTF-16 and UTF-8 and case folding, through the platform bridge.
#include "platform/TextConversion.h"

#include <climits>
#include <vector>

#include "platform/BridgeBuffers.h"

std::u16string Utf8ToUtf16(const std::string& text) {
    int count = 0;
    const Utf16Buffer units(ST_Utf8ToUtf16(text.c_str(), &count));
    if (!units || count <= 0) {
        return std::u16string();
    }
    return std::u16string(units.get(), static_cast<size_t>(count));
}

std::string Utf16ToUtf8(const std::u16string& text) {
    if (text.empty() || text.size() > INT_MAX) {
        return std::string();
    }
    const Utf8Buffer bytes(ST_Utf16ToUtf8(text.data(), static_cast<int>(text.size())));
    if (!bytes) {
        return std::string();
    }
    return std::string(bytes.get());
}

std::u16string ToLowerCase(const std::u16string& text) {
    // Folding turns a unit into at most three; the bound keeps the scratch size within int.
    if (text.empty() || text.size() > (INT_MAX - 16) / 3) {
        return std::u16string();
    }
    std::vector<char16_t> scratch(3 * text.size() + 16);
    const int written = ST_ToLowerCase(text.data(), static_cast<int>(text.size()), scratch.data(),
                                       static_cast<int>(scratch.size()));
    if (written < 0) {
        return std::u16string();
    }
    return std::u16string(scratch.data(), static_cast<size_t>(written));
}
