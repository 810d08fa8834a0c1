// Writes the JPEG writer's files for a fixed set of pictures and qualities, one after the
// other, into the file named by the first argument. Built once at -O0 and once at -O2 from
// the writer's own sources (tests/codecs/CMakeLists.txt), the two programs must write the
// same bytes: the float arithmetic has one result whatever the optimiser does.
//   jpeg_determinism_O<n> <output file> <corpus photo (PNG)>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/cJPGWriter.h"
#include "image/cImage32.h"

namespace {

// Gradients, a few hard edges, noise and alpha of every kind, premultiplied; 203 x 141 leaves
// partial blocks on the right and at the bottom.
void synthetic(cImage32& image) {
    constexpr int width = 203, height = 141;
    image.InitializeDIB(width, height);
    uint32_t seed = 99;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525 + 1013904223;
            const unsigned a = x < 150 ? 255 : (x * 7 + y * 3) % 256;
            const unsigned noise = seed >> 28;
            const unsigned colour[3] = {(x + noise) % 256, (y * 2 + noise) % 256, ((x / 16 + y / 16) % 2 ? 230 : 20) + noise % 8};
            uint8_t* p = image.BitsPointer() + size_t(height - 1 - y) * width * 4 + size_t(x) * 4;
            for (int c = 0; c < 3; ++c) p[c] = uint8_t(colour[c] * a / 255);
            p[3] = uint8_t(a);
        }
}

bool append(std::vector<uint8_t>& all, const cImage32& image, int quality, int32_t fill) {
    std::vector<uint8_t> jpeg;
    if (!codecs::cJPGWriter().SaveAsJPG("", jpeg, &image, uint8_t(quality), fill)) return false;
    all.insert(all.end(), jpeg.begin(), jpeg.end());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output file> <photo.png>\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> all;
    cImage32 picture;
    synthetic(picture);
    for (int quality : {1, 9, 50, 75, 100, 255})
        if (!append(all, picture, quality, 0x8040C0)) return 1;
    cImage32 photo;
    if (!photo.LoadPicture_File(argv[2]) || !photo.Handle()) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    for (int quality : {75, 100})
        if (!append(all, photo, quality, 0)) return 1;
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(all.data()), std::streamsize(all.size()));
    return out ? 0 : 1;
}
