// Temporary-file-and-rename writing of the output files.
#include "render/AtomicOutputFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "render/Interrupt.h"
#include "render/RenderError.h"

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

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

const char* KindOf(mode_t mode) {
    return S_ISCHR(mode) || S_ISBLK(mode) ? "device" : S_ISFIFO(mode) ? "FIFO" : "socket";
}

// What the output replaces: the file at the end of the chain of symbolic links from path, and
// whether it exists. Renaming onto a link would replace the link and never write its target;
// renaming onto a device or FIFO would turn it into a plain file.
struct OutputTarget {
    std::string path;
    bool exists = false;
    struct stat status {};
};

OutputTarget ResolveTarget(const std::string& given) {
    OutputTarget target;
    target.path = given;
    for (int links = 0;; ++links) {
        if (::lstat(target.path.c_str(), &target.status) != 0) {
            return target;  // a new file; creating it reports what is wrong with the folder
        }
        if (!S_ISLNK(target.status.st_mode)) {
            break;
        }
        std::vector<char> link(static_cast<size_t>(target.status.st_size) + 256);
        const ssize_t length = ::readlink(target.path.c_str(), link.data(), link.size());
        if (links == kMaxLinks || length < 0 || static_cast<size_t>(length) == link.size()) {
            throw OutputError(given, "cannot follow the symbolic link", length < 0 ? errno : ELOOP);
        }
        const std::string next(link.data(), static_cast<size_t>(length));
        target.path = next[0] == '/' ? next : FolderOf(target.path) + "/" + next;
    }
    const mode_t mode = target.status.st_mode;
    if (S_ISDIR(mode)) {
        throw RenderError(kExitOutput, given + ": is a folder; give a file name");
    }
    if (!S_ISREG(mode)) {
        throw RenderError(kExitOutput,
                          given + ": is a " + KindOf(mode) +
                              ", not a regular file; only regular files are replaced (give - "
                              "for standard output)");
    }
    target.exists = true;
    return target;
}

}  // namespace

AtomicOutputFile::AtomicOutputFile(const std::string& given) : display_(given) {
    if (IsStandardOutput(given)) {
        if (::isatty(STDOUT_FILENO)) {
            throw RenderError(kExitOutput,
                              "standard output is a terminal: redirect it to a file or a pipe");
        }
        display_ = "standard output";
        standardOutput_ = true;
        stream_ = stdout;
        return;
    }
    const OutputTarget target = ResolveTarget(given);
    target_ = target.path;
    const std::string folder = FolderOf(target_);
    std::string pattern = folder + "/." + BaseNameOf(target_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // No signal may end the program between creating the file and registering it for removal.
    sigset_t all, old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &old);
    const int fd = ::mkstemp(name.data());
    const int error = errno;
    if (fd >= 0) {
        cleanupSlot_ = AddInterruptCleanupPath(name.data(), display_.c_str());
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (fd < 0) {
        throw OutputError(given, "cannot create a file in " + folder, error);
    }
    temporary_ = name.data();
    // mkstemp makes the file private: give it the old file's bits, or those of a plain create.
    if (target.exists) {
        ::fchmod(fd, target.status.st_mode & 07777);
        if (::geteuid() == 0) {
            [[maybe_unused]] const int ignored =
                ::fchown(fd, target.status.st_uid, target.status.st_gid);
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        const int error = errno;
        ::close(fd);
        Discard();
        throw OutputError(given, "cannot open", error);
    }
}

AtomicOutputFile::~AtomicOutputFile() {
    if (!committed_) {
        Discard();
    }
}

void AtomicOutputFile::Commit() {
    if (standardOutput_) {
        committed_ = true;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            throw OutputError(display_, "cannot write", errno);
        }
        return;
    }
    const bool flushed = std::fflush(stream_) == 0 && ::fsync(::fileno(stream_)) == 0;
    int error = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!flushed || !closed) {
        if (flushed) {
            error = errno;
        }
        Discard();
        throw OutputError(display_, "cannot write", error);
    }
    // The target may have been swapped for something that is not a file while we wrote.
    struct stat status;
    if (::lstat(target_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        Discard();
        throw RenderError(kExitOutput, display_ + ": is no longer a regular file; not replaced");
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
        Discard();
        throw OutputError(display_, "cannot replace", error);
    }
    committed_ = true;
    RemoveInterruptCleanupPath(cleanupSlot_);
}

void AtomicOutputFile::Discard() {
    if (standardOutput_) {
        return;
    }
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    ::unlink(temporary_.c_str());
    RemoveInterruptCleanupPath(cleanupSlot_);
}
