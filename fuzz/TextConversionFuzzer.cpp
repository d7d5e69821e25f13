// Fuzz target: UTF-8 and UTF-16 conversion and case folding, through both interfaces.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unicode/ustring.h>

#include "FuzzInput.h"
#include "platform/BridgeBuffers.h"
#include "platform/PlatformBridge.h"
#include "platform/TextConversion.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// ICU's converters refuse ill-formed input: unpaired surrogates in UTF-16; overlong forms,
// surrogates and code points above U+10FFFF in UTF-8.
bool IsWellFormedUtf16(const std::u16string& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strToUTF8(nullptr, 0, &length, reinterpret_cast<const UChar*>(text.data()),
                static_cast<int32_t>(text.size()), &status);
    return status != U_INVALID_CHAR_FOUND;
}

bool IsWellFormedUtf8(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    return status != U_INVALID_CHAR_FOUND;
}

// What an encode and decode give back: unpaired surrogates replaced, cut at the first U+0000.
std::u16string Repaired(const std::u16string& text) {
    std::u16string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == 0) {
            break;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            result += unit;
            result += text[++i];
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            result += u'\uFFFD';
        } else {
            result += unit;
        }
    }
    return result;
}

void CheckUtf8Input(const std::string& bytes) {
    const std::u16string decoded = Utf8ToUtf16(bytes);
    Require(IsWellFormedUtf16(decoded));

    // The bridge sees the same bytes up to the first NUL and reports exactly its units.
    int count = -1;
    const Utf16Buffer units(ST_Utf8ToUtf16(bytes.c_str(), &count));
    Require(units != nullptr || count == 0);
    Require(count >= 0 && static_cast<size_t>(count) == decoded.size());
    Require(count == 0 || std::memcmp(units.get(), decoded.data(), decoded.size() * 2) == 0);

    // Decoded text is well formed, so encoding it gives valid UTF-8 that decodes back the same.
    const std::string encoded = Utf16ToUtf8(decoded);
    Require(IsWellFormedUtf8(encoded));
    Require(Utf8ToUtf16(encoded) == decoded);
}

void CheckUtf16Input(const std::u16string& text) {
    const std::string encoded = Utf16ToUtf8(text);
    Require(IsWellFormedUtf8(encoded));
    Require(Utf8ToUtf16(encoded) == Repaired(text));

    // The bridge encodes exactly `count` units, embedded zeros included.
    const Utf8Buffer bytes(ST_Utf16ToUtf8(text.data(), static_cast<int>(text.size())));
    Require(bytes != nullptr);
    Require(std::string(bytes.get()) == encoded);
}

void CheckLowerCase(const std::u16string& text, int capacitySlack) {
    const std::u16string lower = ToLowerCase(text);
    Require(text.empty() || !lower.empty());

    // Around the exact size: a destination one unit short must stay untouched.
    const int64_t wanted = static_cast<int64_t>(lower.size()) + capacitySlack;
    const int capacity = wanted < 0 ? 0 : static_cast<int>(wanted);
    // An exact-size heap block, so a write past the capacity is caught.
    std::unique_ptr<ST_Char16[]> exact(new ST_Char16[static_cast<size_t>(capacity)]);
    std::fill(exact.get(), exact.get() + capacity, u'\x5A5A');
    const int written =
        ST_ToLowerCase(text.data(), static_cast<int>(text.size()), exact.get(), capacity);
    if (static_cast<size_t>(capacity) < lower.size()) {
        Require(written == -2);
        Require(std::all_of(exact.get(), exact.get() + capacity,
                            [](ST_Char16 unit) { return unit == u'\x5A5A'; }));
    } else {
        Require(written >= 0 && static_cast<size_t>(written) == lower.size());
        Require(std::u16string(exact.get(), static_cast<size_t>(written)) == lower);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int capacitySlack = static_cast<int>(in.Integer(-3, 3));
    const std::string bytes = in.Rest();

    CheckUtf8Input(bytes);

    // The same bytes as UTF-16 units, so surrogates of every kind turn up.
    std::u16string units(bytes.size() / 2, u'\0');
    if (!units.empty()) {
        std::memcpy(&units[0], bytes.data(), units.size() * sizeof(char16_t));
    }
    CheckUtf16Input(units);

    CheckLowerCase(Utf8ToUtf16(bytes), capacitySlack);
    CheckLowerCase(units, capacitySlack);
    return 0;
}
