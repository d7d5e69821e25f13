// PNG reading with libpng. libpng reports errors by longjmp, so every function that calls
// setjmp holds only plain locals, and all C++ objects live in the callers.
#include "render/PngFile.h"

#include <png.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "render/RenderError.h"

namespace {

// Deflate never packs more than about 1032 bytes into one: a run of 258-byte copies costs at
// least two bits each. So image data shorter than this share of the raw rows cannot hold them.
constexpr uint64_t kDeflateBestRatio = 1032;
constexpr size_t kChunkOverhead = 12;  // length, type, CRC

// Where the error handler leaves libpng's message before it jumps back.
struct PngErrorText {
    char text[256];
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {
    // Warnings (unknown chunks, odd gamma) do not stop a read.
}

bool HostIsLittleEndian() {
    const uint16_t probe = 1;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The file in memory, read by libpng through OnRead.
struct MemoryFile {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void OnRead(png_structp png, png_bytep out, size_t length) {
    auto* file = static_cast<MemoryFile*>(png_get_io_ptr(png));
    if (length > file->size - file->position) {
        png_error(png, "Read Error: the file ends early");
    }
    std::memcpy(out, file->data + file->position, length);
    file->position += length;
}

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int channels;
    int bitDepth;
    int passes;
    size_t rowBytes;
};

// Reads the header and sets up the expansion. Returns false after a libpng error.
bool ReadHeader(png_structp png, png_infop info, MemoryFile* file, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, file, OnRead);
    // Every chunk's CRC already guards the compressed data; zlib's check costs a tenth of the
    // read.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);  // sizes are checked before
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_add_alpha(png, 0xffff, PNG_FILLER_AFTER);
    }
    if (png_get_bit_depth(png, info) == 16 && HostIsLittleEndian()) {
        png_set_swap(png);
    }
    header->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->channels = png_get_channels(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Reads every pass row by row, telling progress after each band of rows. Returns 1 when done,
// 0 after a libpng error, -1 when progress asked to stop.
int ReadRows(png_structp png, png_infop info, uint8_t* pixels, size_t rowBytes,
             const PngHeader* header, const PngProgress* progress) {
    if (setjmp(png_jmpbuf(png))) {
        return 0;
    }
    const int64_t total = int64_t(header->passes) * header->height;
    for (int pass = 0; pass < header->passes; ++pass) {
        for (png_uint_32 y = 0; y < header->height; ++y) {
            png_read_row(png, pixels + y * rowBytes, nullptr);
            const int64_t done = int64_t(pass) * header->height + y + 1;
            if ((done % 256 == 0 || done == total) && !(*progress)(done, total)) {
                return -1;
            }
        }
    }
    png_read_end(png, info);
    return 1;
}

class PngReadStruct {
  public:
    explicit PngReadStruct(PngErrorText* error) {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngReadStruct() {
        png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
    }
    PngReadStruct(const PngReadStruct&) = delete;
    PngReadStruct& operator=(const PngReadStruct&) = delete;
    bool ok() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

std::string ReadWholeFile(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw RenderError(kExitInput, path + ": is a folder, not a PNG file");
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) {
        throw RenderError(kExitInput, path + ": cannot open: " + std::strerror(errno));
    }
    std::string bytes;
    char buffer[1 << 16];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, count);
    }
    if (std::ferror(file.get())) {
        throw RenderError(kExitInput, path + ": cannot read: " + std::strerror(errno));
    }
    return bytes;
}

std::string Dimensions(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Checks the size the header claims against the limits and the image data the file holds,
// and keeps the tags, all before libpng allocates anything for the pixels. Leaves what is
// malformed to libpng's messages.
void CheckChunks(const std::string& path, const std::string& file, std::vector<std::string>* tags) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    if (file.size() < 8 + 25 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
        return;
    }
    const uint64_t width = BigEndian32(bytes + 16), height = BigEndian32(bytes + 20);
    const int bitDepth = bytes[24], colorType = bytes[25];
    if (width == 0 || height == 0 || width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX) {
        return;
    }
    if (width > uint64_t(kMaxImageSide) || height > uint64_t(kMaxImageSide)) {
        throw RenderError(kExitInput, path + ": image too large (" + Dimensions(width, height) +
                                          "): each side may have at most " +
                                          std::to_string(kMaxImageSide) + " pixels");
    }
    const int bytesPerPixel =
        ((colorType & PNG_COLOR_MASK_COLOR) ? 4 : 2) * (bitDepth == 16 ? 2 : 1);
    if (!ImageSizeFits(int64_t(width), int64_t(height), bytesPerPixel)) {
        throw RenderError(kExitInput, path + ": image too large (" + Dimensions(width, height) +
                                          ", " + std::to_string(bytesPerPixel) +
                                          " bytes each in memory): at most " +
                                          std::to_string(kMaxBufferBytes) + " bytes");
    }
    const int samples = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    const uint64_t rawBytes = height * (1 + (width * samples * bitDepth + 7) / 8);
    uint64_t imageData = 0;
    bool seenImageData = false;
    for (size_t at = 8; at + kChunkOverhead <= file.size();) {
        const uint32_t length = BigEndian32(bytes + at);
        if (length > PNG_UINT_31_MAX || length > file.size() - at - kChunkOverhead) {
            break;
        }
        const std::string type(file, at + 4, 4);
        if (type == "IDAT") {
            imageData += length;
            seenImageData = true;
        } else if (type == "IEND") {
            break;
        } else if (!seenImageData &&
                   (type == "pHYs" || type == "sRGB" || type == "gAMA" || type == "cHRM" ||
                    type == "iCCP") &&
                   crc32(0, bytes + at + 4, length + 4) == BigEndian32(bytes + at + 8 + length)) {
            tags->push_back(file.substr(at, length + kChunkOverhead));
        }
        at += length + kChunkOverhead;
    }
    const uint64_t leastData = rawBytes / kDeflateBestRatio;
    if (imageData + 16 < leastData) {
        throw RenderError(
            kExitInput, path + ": corrupt or truncated PNG: it holds " + std::to_string(imageData) +
                            " bytes of image data, and a " + Dimensions(width, height) +
                            " image cannot be packed into fewer than " + std::to_string(leastData));
    }
}

}  // namespace

Image ReadPng(const std::string& path, std::vector<std::string>* tags,
              const PngProgress& progress) {
    const std::string file = ReadWholeFile(path);
    if (file.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(file.data()), 0, 8) != 0) {
        throw RenderError(kExitInput, path + ": not a PNG file");
    }
    CheckChunks(path, file, tags);

    PngErrorText error{};
    PngReadStruct reader(&error);
    if (!reader.ok()) {
        throw RenderError(kExitFailure, "out of memory while reading " + path);
    }
    MemoryFile memory{reinterpret_cast<const uint8_t*>(file.data()), file.size(), 0};
    PngHeader header{};
    if (!ReadHeader(reader.png(), reader.info(), &memory, &header)) {
        throw RenderError(kExitInput,
                          path + ": corrupt or truncated PNG (" + std::string(error.text) + ")");
    }
    const int bytesPerSample = header.bitDepth == 16 ? 2 : 1;
    if ((header.channels != 2 && header.channels != 4) ||
        (header.bitDepth != 8 && header.bitDepth != 16)) {
        throw RenderError(kExitInput, path + ": unsupported PNG layout");
    }
    if (!ImageSizeFits(header.width, header.height, header.channels * bytesPerSample)) {
        throw RenderError(kExitInput, path + ": image too large (" +
                                          Dimensions(header.width, header.height) + ")");
    }

    Image image;
    image.Allocate(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height),
                   header.channels, header.bitDepth);
    if (header.rowBytes != image.RowBytes()) {
        throw RenderError(kExitInput, path + ": unsupported PNG layout");
    }
    const int read = ReadRows(reader.png(), reader.info(), image.pixels.data(), image.RowBytes(),
                              &header, &progress);
    if (read == 0) {
        throw RenderError(kExitInput,
                          path + ": corrupt or truncated PNG (" + std::string(error.text) + ")");
    }
    return read > 0 ? image : Image();
}
