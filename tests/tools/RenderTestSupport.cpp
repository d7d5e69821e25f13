// Starting veltrix-render, and test PNGs through libpng's simplified API.
#include "RenderTestSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

RenderProcess::RenderProcess(const std::vector<std::string>& args, const ScratchFolder& folder,
                             int memoryLimit)
    : outPath_(folder / ".stdout"), errPath_(folder / ".stderr") {
    // Through the shell for the redirections and the memory limit; exec keeps the process id.
    const std::string limit = "ulimit -v " + std::to_string(memoryLimit) + "; ";
    std::vector<std::string> words = {"/bin/sh", "-c",
                                      (memoryLimit > 0 ? limit : "") + "exec \"$0\" \"$@\" " +
                                          "</dev/null >'" + outPath_ + "' 2>'" + errPath_ + "'",
                                      VELTRIX_RENDER_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const ScopedEnvironment dataHome("XDG_DATA_HOME", folder / "data");
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start /bin/sh");
    }
}

RenderProcess::~RenderProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
}

RunResult RenderProcess::Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                     ReadFileBytes(outPath_).value_or(""), ReadFileBytes(errPath_).value_or("")};
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
    return result;
}

std::vector<std::string> Args(const std::string& words, const std::vector<std::string>& more) {
    std::istringstream in(words);
    std::vector<std::string> args{std::istream_iterator<std::string>(in), {}};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

void WriteTestPng(const std::string& path, int width, int height, png_uint_32 format,
                  const std::vector<uint16_t>& samples, const std::vector<uint8_t>& colormap) {
    const auto entries = png_uint_32(colormap.size() / PNG_IMAGE_SAMPLE_CHANNELS(format));
    png_image image{
        nullptr, PNG_IMAGE_VERSION, png_uint_32(width), png_uint_32(height), format, 0, entries, 0,
        {}};
    const std::vector<uint8_t> bytes(samples.begin(), samples.end());
    const void* buffer =
        format & PNG_FORMAT_FLAG_LINEAR ? (const void*)samples.data() : bytes.data();
    if (!png_image_write_to_file(&image, path.c_str(), 0, buffer, 0,
                                 colormap.empty() ? nullptr : colormap.data())) {
        throw std::runtime_error(path + ": " + image.message);
    }
}

bool ReadTestPng(const std::string& path, Picture* picture) {
    // Without the colour chunks, so that the samples are read as they are stored.
    std::string png = ReadFileBytes(path).value_or(""), plain = png.substr(0, 8);
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = png_get_uint_32(reinterpret_cast<png_const_bytep>(&png[at])) + 12;
        const std::string type = png.substr(at + 4, 4);
        plain += type == "gAMA" || type == "sRGB" || type == "cHRM" || type == "iCCP"
                     ? ""
                     : png.substr(at, length);
        at += length;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, plain.data(), plain.size())) {
        return false;
    }
    Picture p{int(image.width), int(image.height), image.format, {}};
    image.format = PNG_FORMAT_RGBA | (p.format & PNG_FORMAT_FLAG_LINEAR);
    p.rgba.resize(size_t(p.width) * p.height * 4);
    std::vector<uint8_t> bytes(p.wide() ? 0 : p.rgba.size());
    if (!png_image_finish_read(&image, nullptr, p.wide() ? (void*)p.rgba.data() : bytes.data(), 0,
                               nullptr)) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), p.rgba.begin());
    *picture = std::move(p);
    return true;
}
