// Helpers for the veltrix-render tests: temporary folders, running the program, and PNG
// files written and read with libpng directly, independent of the program's own PNG code.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../TestFolders.h"

// A scratch folder that also names and lists its files.
class TempFolder : public ScratchFolder {
  public:
    std::string File(const std::string& name) const { return *this / name; }
    // Names of the entries in the folder (or in its subfolder), sorted.
    std::vector<std::string> List(const std::string& subfolder = std::string()) const;
};

struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs veltrix-render with args. XDG_DATA_HOME points at dataHome (the program's preset and
// guide folders lie beneath it); standard input is empty, output is captured.
class RenderProcess {
  public:
    RenderProcess(const std::vector<std::string>& args, const std::string& dataHome,
                  const std::string& captureFolder);
    ~RenderProcess();
    pid_t pid() const { return pid_; }
    RunResult Wait();

  private:
    pid_t pid_ = -1;
    std::string outPath_;
    std::string errPath_;
};

RunResult RunRender(const std::vector<std::string>& args, const TempFolder& folder);

// A command line: the words of `words` (split at spaces), then the further arguments.
std::vector<std::string> Args(const std::string& words, const std::vector<std::string>& more = {});

// The data folders beneath a data home.
std::string PresetFolderUnder(const TempFolder& folder);
std::string GuideFolderUnder(const TempFolder& folder);
std::string DataHome(const TempFolder& folder);

// A PNG as stored: samples are the file's values, channels interleaved, one entry per sample
// (palette images: one index per pixel).
struct PngPicture {
    int width = 0;
    int height = 0;
    int colorType = 6;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    int channels = 4;
    std::vector<uint16_t> samples;
    std::vector<uint8_t> palette;       // RGB triples, palette images only
    std::vector<uint8_t> paletteAlpha;  // tRNS entries, palette images only
    bool hasGrayTransparent = false;    // tRNS for gray images
    uint16_t grayTransparent = 0;
    bool interlaced = false;  // Adam7

    uint16_t At(int x, int y, int c) const {
        return samples[(size_t(y) * width + x) * channels + c];
    }
    uint16_t& At(int x, int y, int c) { return samples[(size_t(y) * width + x) * channels + c]; }
};

// A picture of the given layout with every sample 0.
PngPicture MakePicture(int width, int height, int colorType, int bitDepth);

void WritePngFile(const std::string& path, const PngPicture& picture);
// Reads a non-palette PNG of 8 or 16 bits as it is stored. Returns false for anything libpng
// rejects (a broken file fails here).
bool ReadPngFile(const std::string& path, PngPicture* picture);

// Output pictures are RGBA: the alpha of pixel (x, y).
inline uint16_t AlphaAt(const PngPicture& p, int x, int y) {
    return p.At(x, y, 3);
}
// Number of pixels with non-zero alpha in the rectangle [x0, x1) x [y0, y1).
int CoveredPixels(const PngPicture& p, int x0, int y0, int x1, int y1);
