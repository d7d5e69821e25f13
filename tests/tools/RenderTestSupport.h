// Helpers for the veltrix-render tests: running the program over a scratch data home, and
// test PNGs written and read with libpng's simplified API, independent of the program's code.
#pragma once

#include <png.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "../TestFolders.h"

struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out, err;
};

// veltrix-render with args, XDG_DATA_HOME at folder/data, standard input empty, output captured,
// and address space limited to memoryLimit KiB unless 0.
class RenderProcess {
  public:
    RenderProcess(const std::vector<std::string>& args, const ScratchFolder& folder,
                  int memoryLimit = 0);
    ~RenderProcess();
    pid_t pid() const { return pid_; }
    RunResult Wait();

  private:
    pid_t pid_ = -1;
    std::string outPath_;
    std::string errPath_;
};

inline RunResult RunRender(const std::vector<std::string>& args, const ScratchFolder& folder) {
    return RenderProcess(args, folder).Wait();
}

// The words of `words` (split at spaces), then the further arguments.
std::vector<std::string> Args(const std::string& words, const std::vector<std::string>& more = {});

// The program's preset folder under the scratch data home.
inline std::string PresetsIn(const ScratchFolder& folder) {
    return folder / "data/Orvane/vxplugin/preset/";
}

// A PNG as RGBA samples, 16-bit when the file is (format is the file's PNG_FORMAT_*).
struct Picture {
    int width = 0;
    int height = 0;
    png_uint_32 format = 0;
    std::vector<uint16_t> rgba;

    bool wide() const { return (format & PNG_FORMAT_FLAG_LINEAR) != 0; }
    uint16_t At(int x, int y, int c) const { return rgba[(size_t(y) * width + x) * 4 + c]; }
};

// Writes samples in a PNG_FORMAT_* layout (16-bit with PNG_FORMAT_FLAG_LINEAR); colour-mapped
// formats take one index per pixel and the colour map's entries in the same layout.
void WriteTestPng(const std::string& path, int width, int height, png_uint_32 format,
                  const std::vector<uint16_t>& samples, const std::vector<uint8_t>& colormap = {});
// False for anything libpng rejects.
bool ReadTestPng(const std::string& path, Picture* picture);

// Pixels with non-zero alpha in [x0, x1) x [y0, y1).
inline int Covered(const Picture& p, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int i = 0; i < (x1 - x0) * (y1 - y0); ++i) {
        count += p.At(x0 + i % (x1 - x0), y0 + i / (x1 - x0), 3) != 0;
    }
    return count;
}
