// libpng glue. libpng reports errors by longjmp, so every function that calls setjmp holds
// only plain locals, and all C++ objects live in the callers.
#include "render/PngFile.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "render/RenderError.h"

namespace {

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

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int channels;
    int bitDepth;
    size_t rowBytes;
};

// Reads the header and sets up the expansion. Returns false after a libpng error.
bool ReadHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_add_alpha(png, 0xffff, PNG_FILLER_AFTER);
    }
    if (png_get_bit_depth(png, info) == 16 && HostIsLittleEndian()) {
        png_set_swap(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->channels = png_get_channels(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool WriteRows(png_structp png, png_infop info, std::FILE* file, png_uint_32 width,
               png_uint_32 height, int bitDepth, int colorType, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (bitDepth == 16 && HostIsLittleEndian()) {
        png_set_swap(png);
    }
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

class PngWriteStruct {
  public:
    explicit PngWriteStruct(PngErrorText* error) {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngWriteStruct() { png_destroy_write_struct(&png_, info_ != nullptr ? &info_ : nullptr); }
    PngWriteStruct(const PngWriteStruct&) = delete;
    PngWriteStruct& operator=(const PngWriteStruct&) = delete;
    bool ok() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

std::vector<png_bytep> RowPointers(uint8_t* pixels, size_t rowBytes, int32_t height) {
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (size_t y = 0; y < rows.size(); ++y) {
        rows[y] = pixels + y * rowBytes;
    }
    return rows;
}

}  // namespace

Image ReadPng(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw RenderError(kExitInput, path + ": is a folder, not a PNG file");
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw RenderError(kExitInput, path + ": cannot open: " + std::strerror(errno));
    }
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        throw RenderError(kExitInput, path + ": not a PNG file");
    }

    PngErrorText error{};
    PngReadStruct reader(&error);
    if (!reader.ok()) {
        throw RenderError(kExitFailure, "out of memory while reading " + path);
    }
    PngHeader header{};
    if (!ReadHeader(reader.png(), reader.info(), file.get(), &header)) {
        throw RenderError(kExitInput,
                          path + ": corrupt or truncated PNG (" + std::string(error.text) + ")");
    }
    const int bytesPerSample = header.bitDepth == 16 ? 2 : 1;
    if ((header.channels != 2 && header.channels != 4) ||
        (header.bitDepth != 8 && header.bitDepth != 16)) {
        throw RenderError(kExitInput, path + ": unsupported PNG layout");
    }
    if (!ImageSizeFits(header.width, header.height, header.channels * bytesPerSample)) {
        throw RenderError(kExitInput, path + ": image too large (" + std::to_string(header.width) +
                                          " x " + std::to_string(header.height) + " pixels)");
    }

    Image image;
    image.Allocate(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height),
                   header.channels, header.bitDepth);
    if (header.rowBytes != image.RowBytes()) {
        throw RenderError(kExitInput, path + ": unsupported PNG layout");
    }
    std::vector<png_bytep> rows = RowPointers(image.pixels.data(), image.RowBytes(), image.height);
    if (!ReadRows(reader.png(), reader.info(), rows.data())) {
        throw RenderError(kExitInput,
                          path + ": corrupt or truncated PNG (" + std::string(error.text) + ")");
    }
    return image;
}

void WritePng(std::FILE* stream, const Image& image, const std::string& displayName) {
    PngErrorText error{};
    PngWriteStruct writer(&error);
    if (!writer.ok()) {
        throw RenderError(kExitFailure, "out of memory while writing " + displayName);
    }
    const int colorType =
        image.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_GRAY_ALPHA;
    // libpng only reads the rows it writes; its row type is merely not const.
    auto* pixels = const_cast<uint8_t*>(image.pixels.data());
    std::vector<png_bytep> rows = RowPointers(pixels, image.RowBytes(), image.height);
    if (!WriteRows(writer.png(), writer.info(), stream, static_cast<png_uint_32>(image.width),
                   static_cast<png_uint_32>(image.height), image.bitDepth, colorType,
                   rows.data())) {
        throw RenderError(kExitOutput, displayName + ": cannot write: " + error.text);
    }
}
