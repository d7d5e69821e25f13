// Owning handles for the buffers the platform bridge hands out, released with its functions.
#pragma once

#include <memory>

#include "platform/PlatformBridge.h"

struct Utf16BufferReleaser {
    void operator()(ST_Char16* units) const noexcept { ST_FreeUtf16(units); }
};
struct Utf8BufferReleaser {
    void operator()(char* text) const noexcept { ST_FreeUtf8(text); }
};

/// A buffer from ST_Utf8ToUtf16.
using Utf16Buffer = std::unique_ptr<ST_Char16, Utf16BufferReleaser>;
/// A buffer from ST_Utf16ToUtf8 or ST_GetAppSupportPath.
using Utf8Buffer = std::unique_ptr<char, Utf8BufferReleaser>;

/// A listing from ST_EnumFiles with the count it reported.
class FileListing {
  public:
    FileListing(ST_Char16** files, int count) noexcept : files_(files), count_(count) {}
    ~FileListing() { ST_FreeEnumFiles(files_, count_); }
    FileListing(const FileListing&) = delete;
    FileListing& operator=(const FileListing&) = delete;

    ST_Char16** files() const noexcept { return files_; }
    int count() const noexcept { return count_; }

  private:
    ST_Char16** files_;
    int count_;
};
