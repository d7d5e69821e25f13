// Process spawning, temporary folders and independent PNG reading and writing for the tests.
#include "RenderTestSupport.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fs = std::filesystem;

std::vector<std::string> TempFolder::List(const std::string& subfolder) const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(subfolder.empty() ? path() : File(subfolder), error), end;
         !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string DataHome(const TempFolder& folder) {
    return folder.File("data");
}

std::string PresetFolderUnder(const TempFolder& folder) {
    return DataHome(folder) + "/Orvane/vxplugin/preset/";
}

std::string GuideFolderUnder(const TempFolder& folder) {
    return DataHome(folder) + "/Orvane/vxplugin/guide/";
}

RenderProcess::RenderProcess(const std::vector<std::string>& args, const std::string& dataHome,
                             const std::string& captureFolder)
    : outPath_(captureFolder + "/.stdout"), errPath_(captureFolder + "/.stderr") {
    std::vector<std::string> argStrings = {VELTRIX_RENDER_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "XDG_DATA_HOME=", 14) != 0) {
            envStrings.emplace_back(*entry);
        }
    }
    envStrings.push_back("XDG_DATA_HOME=" + dataHome);
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error(std::string("cannot start veltrix-render: ") +
                                 std::strerror(error));
    }
}

RenderProcess::~RenderProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status;
        ::waitpid(pid_, &status, 0);
    }
}

RunResult RenderProcess::Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFileBytes(outPath_).value_or("");
    result.err = ReadFileBytes(errPath_).value_or("");
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
    return result;
}

RunResult RunRender(const std::vector<std::string>& args, const TempFolder& folder) {
    return RenderProcess(args, DataHome(folder), folder.path()).Wait();
}

std::vector<std::string> Args(const std::string& words, const std::vector<std::string>& more) {
    std::vector<std::string> args;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        args.push_back(word);
    }
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

PngPicture MakePicture(int width, int height, int colorType, int bitDepth) {
    PngPicture p;
    p.width = width;
    p.height = height;
    p.colorType = colorType;
    p.bitDepth = bitDepth;
    // Gray and palette have one channel, gray+alpha two, RGB three and RGBA four.
    p.channels = colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                 : colorType == PNG_COLOR_TYPE_RGB      ? 3
                 : colorType == PNG_COLOR_TYPE_RGBA     ? 4
                                                        : 1;
    p.samples.assign(size_t(width) * height * p.channels, 0);
    return p;
}

namespace {

struct ErrorJump {
    char text[200];
};

void OnError(png_structp png, png_const_charp message) {
    auto* error = static_cast<ErrorJump*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Rows in the file's byte order: big-endian 16-bit samples, or one byte per sample that libpng
// packs when the depth is below 8.
std::vector<std::vector<uint8_t>> FileRows(const PngPicture& p) {
    std::vector<std::vector<uint8_t>> rows(p.height);
    const size_t count = size_t(p.width) * p.channels;
    for (int y = 0; y < p.height; ++y) {
        for (size_t i = 0; i < count; ++i) {
            const uint16_t sample = p.samples[y * count + i];
            if (p.bitDepth == 16) {
                rows[y].push_back(uint8_t(sample >> 8));
            }
            rows[y].push_back(uint8_t(sample));
        }
    }
    return rows;
}

bool WriteRaw(png_structp png, png_infop info, FILE* file, const PngPicture* p, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, p->width, p->height, p->bitDepth, p->colorType,
                 p->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (p->colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color colors[256];
        const int count = int(p->palette.size() / 3);
        for (int i = 0; i < count; ++i) {
            colors[i] = {p->palette[3 * i], p->palette[3 * i + 1], p->palette[3 * i + 2]};
        }
        png_set_PLTE(png, info, colors, count);
        if (!p->paletteAlpha.empty()) {
            png_set_tRNS(png, info, p->paletteAlpha.data(), int(p->paletteAlpha.size()), nullptr);
        }
    }
    if (p->hasGrayTransparent) {
        png_color_16 transparent{};
        transparent.gray = p->grayTransparent;
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    png_set_packing(png);
    if (p->interlaced) {
        png_set_interlace_handling(png);
    }
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// Reads the header into p and, when p's layout is one ReadPngFile takes, the rows into bytes.
// The vectors are the caller's: a longjmp must not skip their destructors.
bool ReadRaw(png_structp png, png_infop info, FILE* file, PngPicture* p,
             std::vector<uint8_t>* bytes, std::vector<png_bytep>* rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    p->width = int(png_get_image_width(png, info));
    p->height = int(png_get_image_height(png, info));
    p->colorType = png_get_color_type(png, info);
    p->bitDepth = png_get_bit_depth(png, info);
    p->channels = png_get_channels(png, info);
    if ((p->bitDepth != 8 && p->bitDepth != 16) || p->colorType == PNG_COLOR_TYPE_PALETTE) {
        return false;
    }
    const size_t rowBytes = size_t(p->width) * p->channels * (p->bitDepth / 8);
    bytes->assign(rowBytes * p->height, 0);
    for (int y = 0; y < p->height; ++y) {
        rows->push_back(bytes->data() + y * rowBytes);
    }
    png_read_image(png, rows->data());
    png_read_end(png, info);
    return true;
}

}  // namespace

void WritePngFile(const std::string& path, const PngPicture& picture) {
    std::vector<std::vector<uint8_t>> packed = FileRows(picture);
    std::vector<png_bytep> rows;
    for (auto& row : packed) {
        rows.push_back(row.data());
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    ErrorJump error{};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnError, OnWarning);
    png_infop info = png_create_info_struct(png);
    const bool ok = WriteRaw(png, info, file, &picture, rows.data());
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    if (!ok) {
        throw std::runtime_error(std::string("libpng: ") + error.text);
    }
}

bool ReadPngFile(const std::string& path, PngPicture* picture) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    ErrorJump error{};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnError, OnWarning);
    png_infop info = png_create_info_struct(png);
    PngPicture p;
    std::vector<uint8_t> bytes;
    std::vector<png_bytep> rows;
    const bool ok = ReadRaw(png, info, file, &p, &bytes, &rows);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    if (!ok) {
        return false;
    }
    p.samples.resize(size_t(p.width) * p.height * p.channels);
    for (size_t i = 0; i < p.samples.size(); ++i) {
        p.samples[i] = p.bitDepth == 16 ? uint16_t(bytes[2 * i] << 8 | bytes[2 * i + 1]) : bytes[i];
    }
    *picture = std::move(p);
    return true;
}

int CoveredPixels(const PngPicture& p, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, p.height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, p.width); ++x) {
            count += AlphaAt(p, x, y) != 0;
        }
    }
    return count;
}
