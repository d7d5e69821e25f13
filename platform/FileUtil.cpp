// Whole-file reading and writing, folder services and path-name helpers.
#include "platform/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <new>

#include "platform/BridgeBuffers.h"
#include "platform/TextConversion.h"

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const noexcept { return fd_; }

  private:
    int fd_;
};

char16_t FoldAsciiLetter(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

}  // namespace

std::u16string GetAppDirectory() {
    const Utf8Buffer path(ST_GetAppSupportPath());
    if (!path) {
        return std::u16string();
    }
    return Utf8ToUtf16(path.get());
}

std::string ReadAllText(const std::u16string& path) {
    return ReadAllText(Utf16ToUtf8(path));
}

std::string ReadAllText(const std::string& path) {
    // Non-blocking, so that opening a FIFO returns at once; it is refused below.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        return std::string();
    }
    struct stat info {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        return std::string();
    }
    const auto size = static_cast<uintmax_t>(info.st_size);
    std::string text;
    if (size > text.max_size()) {
        return std::string();
    }
    try {
        text.assign(static_cast<size_t>(size), '\0');
    } catch (const std::bad_alloc&) {
        return std::string();
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = read(file.get(), &text[done], text.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::string();
        }
        if (got == 0) {
            break;  // the file shrank since it was measured
        }
        done += static_cast<size_t>(got);
    }
    text.resize(done);
    return text;
}

bool WriteAllText(const std::u16string& path, const std::string& text) {
    const std::string bytesPath = Utf16ToUtf8(path);
    if (bytesPath.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(bytesPath.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // Buffered bytes may fail only when flushed, or even at close (on a full disk).
    written = std::fflush(file) == 0 && written;
    return std::fclose(file) == 0 && written;
}

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
    int result = 0;
    do {
        result = fsync(fileno(file));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool FileExists(const std::u16string& path) {
    const std::string bytesPath = Utf16ToUtf8(path);
    if (bytesPath.empty()) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::status(bytesPath, error));
}

bool CreateDataDirectory(const std::u16string& path) {
    if (path.empty()) {
        return false;
    }
    return ST_CreateDirectory(Utf16ToUtf8(path).c_str());
}

std::vector<std::u16string> EnumFiles(const std::u16string& folder,
                                      const std::u16string& extension) {
    const std::string bytesFolder = Utf16ToUtf8(folder);
    const std::string bytesExtension = Utf16ToUtf8(extension);
    int count = 0;
    ST_Char16** files = ST_EnumFiles(bytesFolder.c_str(), bytesExtension.c_str(), &count);
    const FileListing listing(files, count);
    std::vector<std::u16string> paths;
    if (files == nullptr || count < 1) {
        return paths;
    }
    paths.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (files[i] != nullptr) {
            paths.emplace_back(files[i]);
        }
    }
    return paths;
}

bool HasExtension(const std::u16string& path, const std::u16string& extension) {
    if (path.size() < extension.size()) {
        return false;
    }
    const size_t offset = path.size() - extension.size();
    for (size_t i = extension.size(); i-- > 0;) {
        if (FoldAsciiLetter(path[offset + i]) != FoldAsciiLetter(extension[i])) {
            return false;
        }
    }
    return true;
}

std::u16string GetFileNameWithoutExt(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"/\\");
    const std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0) {
        return name;
    }
    return name.substr(0, dot);
}
