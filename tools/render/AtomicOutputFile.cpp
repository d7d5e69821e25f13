// Temporary-file-and-rename writing of the output image.
#include "render/AtomicOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "render/Interrupt.h"
#include "render/RenderError.h"

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

RenderError OutputError(const std::string& target, const std::string& what, int error) {
    return RenderError(kExitOutput, target + ": " + what + ": " + std::strerror(error));
}

}  // namespace

AtomicOutputFile::AtomicOutputFile(const std::string& target) : target_(target) {
    struct stat status;
    if (::stat(target.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw RenderError(kExitOutput, target + ": is a folder; give a file name");
    }
    const std::string folder = FolderOf(target);
    std::string pattern = folder + "/." + BaseNameOf(target) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        throw OutputError(target, "cannot create a file in " + folder, errno);
    }
    temporary_ = name.data();
    // mkstemp makes the file private; give it the permissions a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary_.c_str());
        throw OutputError(target, "cannot open", error);
    }
    cleanupSlot_ = AddInterruptCleanupPath(temporary_.c_str());
}

AtomicOutputFile::~AtomicOutputFile() {
    if (!committed_) {
        Discard();
    }
}

void AtomicOutputFile::Commit() {
    const bool flushed = std::fflush(stream_) == 0 && ::fsync(::fileno(stream_)) == 0;
    int error = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!flushed || !closed) {
        if (flushed) {
            error = errno;
        }
        Discard();
        throw OutputError(target_, "cannot write", error);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
        Discard();
        throw OutputError(target_, "cannot replace", error);
    }
    committed_ = true;
    RemoveInterruptCleanupPath(cleanupSlot_);
}

void AtomicOutputFile::Discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    ::unlink(temporary_.c_str());
    RemoveInterruptCleanupPath(cleanupSlot_);
}
