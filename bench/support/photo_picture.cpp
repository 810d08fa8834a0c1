#include "photo_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "image/cImage32.h"

namespace benchsupport {

namespace {

constexpr int kTileWidth = kPhotoWidth / 2, kTileHeight = kPhotoHeight / 2;

// One photo scaled bilinearly into the tile at (left, top) of the picture's bottom-up rows.
void scaleInto(const cImage32& photo, cImage32& picture, int left, int top) {
    const int sw = photo.Width(), sh = photo.Height();
    const auto source = [&](int x, int y) {
        return photo.BitsPointer() + size_t(sh - 1 - y) * size_t(sw) * 4 + size_t(x) * 4;
    };
    for (int y = 0; y < kTileHeight; ++y) {
        const double fy = (y + 0.5) * sh / kTileHeight - 0.5;
        const int y0 = std::clamp(int(fy), 0, sh - 1), y1 = std::min(y0 + 1, sh - 1);
        const double wy = std::clamp(fy - y0, 0.0, 1.0);
        uint8_t* out = picture.BitsPointer() + size_t(kPhotoHeight - 1 - (top + y)) * kPhotoWidth * 4 + size_t(left) * 4;
        for (int x = 0; x < kTileWidth; ++x, out += 4) {
            const double fx = (x + 0.5) * sw / kTileWidth - 0.5;
            const int x0 = std::clamp(int(fx), 0, sw - 1), x1 = std::min(x0 + 1, sw - 1);
            const double wx = std::clamp(fx - x0, 0.0, 1.0);
            for (int c = 0; c < 3; ++c) {
                const double top0 = source(x0, y0)[c] * (1 - wx) + source(x1, y0)[c] * wx;
                const double bottom = source(x0, y1)[c] * (1 - wx) + source(x1, y1)[c] * wx;
                out[c] = uint8_t(top0 * (1 - wy) + bottom * wy + 0.5);
            }
            out[3] = 255;
        }
    }
}

}  // namespace

const cImage32& photoPicture() {
    static cImage32 image;
    if (!image.Handle()) {
        image.InitializeDIB(kPhotoWidth, kPhotoHeight);
        const std::string folder = std::string(QM_CORPORA_DIR) + "/photos/";
        const char* names[] = {"IMG0003.png", "IMG0015.png", "IMG0022.png", "IMG0023.png"};
        for (int i = 0; i < 4; ++i) {
            cImage32 photo;
            if (!photo.LoadPicture_File(folder + names[i]) || !photo.Handle()) {
                std::fprintf(stderr, "photoPicture: cannot read %s%s\n", folder.c_str(), names[i]);
                std::exit(1);
            }
            scaleInto(photo, image, (i % 2) * kTileWidth, (i / 2) * kTileHeight);
        }
        image.Alpha(cImage32::AlphaOpaque);
    }
    return image;
}

const cImage32& noisyFieldPicture() {
    static cImage32 image;
    if (!image.Handle()) {
        image.InitializeDIB(kPhotoWidth, kPhotoHeight);
        std::mt19937 random(7);
        for (int y = 0; y < kPhotoHeight; ++y) {
            uint8_t* out = image.BitsPointer() + size_t(kPhotoHeight - 1 - y) * kPhotoWidth * 4;
            for (int x = 0; x < kPhotoWidth; ++x, out += 4) {
                const int n = int(random() % 16);
                out[2] = uint8_t(x * 255 / kPhotoWidth + n);
                out[1] = uint8_t(y * 255 / kPhotoHeight + n);
                out[0] = uint8_t((x + y) / 28 + n);
                out[3] = 255;
            }
        }
        image.Alpha(cImage32::AlphaOpaque);
    }
    return image;
}

}  // namespace benchsupport
