#include "platform/ui/picture_conversion.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/dib_surface.h"

namespace ui {

namespace {

// Draws a picture at its own size over a background colour.
bool drawOver(gdi::DibSurface& surface, const picture::Picture& picture, uint32_t background) {
    auto* pixels = reinterpret_cast<uint32_t*>(surface.bits());
    std::fill(pixels, pixels + static_cast<size_t>(surface.width()) * surface.height(), background);
    return picture.Render(surface.dc(), 0, 0, surface.width(), surface.height(), 0, picture.Height(),
                          picture.Width(), -picture.Height());
}

const uint32_t* pixelRow(const gdi::DibSurface& surface, int y) {
    return reinterpret_cast<const uint32_t*>(surface.row(y));
}

bool mayBeTransparent(const picture::Picture& picture) {
    return picture.Type() == picture::kPicTypeIcon || picture.transparentIndex().has_value();
}

}  // namespace

picture::Picture PictureFromImage(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    gdi::DibSurface surface(rgb.width(), rgb.height(), 32);
    if (!surface.valid()) return {};
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(surface.row(y), rgb.constScanLine(y), static_cast<size_t>(rgb.width()) * 4);
    return picture::CreatePicture(picture::kPicTypeBitmap, surface.releaseBitmap(), true);
}

QImage ImageFromPicture(const picture::Picture& picture) {
    const gdi::SIZE size = picture.pixelSize();
    if (size.cx <= 0 || size.cy <= 0) return {};
    gdi::DibSurface overBlack(size.cx, size.cy, 32);
    if (!overBlack.valid() || !drawOver(overBlack, picture, 0xFF000000u)) return {};
    QImage image(size.cx, size.cy, QImage::Format_ARGB32_Premultiplied);
    if (!mayBeTransparent(picture)) {
        for (int y = 0; y < size.cy; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            const uint32_t* source = pixelRow(overBlack, y);
            for (int x = 0; x < size.cx; ++x) row[x] = source[x] | 0xFF000000u;
        }
        return image;
    }
    gdi::DibSurface overWhite(size.cx, size.cy, 32);
    if (!overWhite.valid() || !drawOver(overWhite, picture, 0xFFFFFFFFu)) return {};
    for (int y = 0; y < size.cy; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const uint32_t* black = pixelRow(overBlack, y);
        const uint32_t* white = pixelRow(overWhite, y);
        for (int x = 0; x < size.cx; ++x) {
            // Over black a pixel is c*a; over white c*a + 255*(1-a): the green channel's
            // difference gives the coverage, and over black the colour is already
            // premultiplied.
            const int difference = static_cast<int>((white[x] >> 8) & 0xFF) - static_cast<int>((black[x] >> 8) & 0xFF);
            const uint32_t alpha = static_cast<uint32_t>(std::clamp(255 - difference, 0, 255));
            uint32_t b = black[x] & 0xFF, g = (black[x] >> 8) & 0xFF, r = (black[x] >> 16) & 0xFF;
            b = std::min(b, alpha), g = std::min(g, alpha), r = std::min(r, alpha);
            row[x] = (alpha << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

}  // namespace ui
