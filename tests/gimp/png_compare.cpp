// Compares the decoded pixels of two PNGs as 8-bit RGBA: alpha everywhere, colour where
// alpha is not 0. Fails as well on a picture without any coverage, which would prove nothing.
#include <png.h>

#include <cstdio>
#include <vector>

static bool Read(const char* path, png_image* image, std::vector<png_byte>* pixels) {
    *image = png_image{};
    image->version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(image, path)) {
        std::fprintf(stderr, "%s: %s\n", path, image->message);
        return false;
    }
    image->format = PNG_FORMAT_RGBA;
    pixels->resize(PNG_IMAGE_SIZE(*image));
    return png_image_finish_read(image, nullptr, pixels->data(), 0, nullptr) != 0;
}

int main(int argc, char** argv) {
    png_image a, b;
    std::vector<png_byte> pa, pb;
    if (argc != 3 || !Read(argv[1], &a, &pa) || !Read(argv[2], &b, &pb)) {
        return 2;
    }
    if (a.width != b.width || a.height != b.height) {
        std::fprintf(stderr, "sizes differ: %ux%u and %ux%u\n", a.width, a.height, b.width,
                     b.height);
        return 1;
    }
    size_t covered = 0, differing = 0;
    for (size_t i = 0; i < pa.size(); i += 4) {
        covered += pa[i + 3] != 0;
        bool same = pa[i + 3] == pb[i + 3];
        for (int c = 0; c < 3 && pa[i + 3] != 0; ++c) {
            same = same && pa[i + c] == pb[i + c];
        }
        if (!same && differing++ < 5) {
            const size_t p = i / 4;
            std::fprintf(stderr, "(%zu,%zu): %d %d %d %d vs %d %d %d %d\n", p % a.width,
                         p / a.width, pa[i], pa[i + 1], pa[i + 2], pa[i + 3], pb[i], pb[i + 1],
                         pb[i + 2], pb[i + 3]);
        }
    }
    std::printf("%zu covered pixels, %zu differ\n", covered, differing);
    return differing == 0 && covered > 0 ? 0 : 1;
}
