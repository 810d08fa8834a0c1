#include "platform/ui/picture_conversion.h"

#include <algorithm>
#include <cstring>
#include <optional>

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

// A 24- or 32-bpp DIB section read straight from its rows, without drawing it first.
QImage imageFromDibSection(const picture::Picture& picture) {
    gdi::DIBSECTION ds{};
    if (picture.Type() != picture::kPicTypeBitmap ||
        gdi::GetObject(picture.Handle(), sizeof ds, &ds) != static_cast<int>(sizeof ds) || !ds.dsBm.bmBits ||
        (ds.dsBm.bmBitsPixel != 24 && ds.dsBm.bmBitsPixel != 32) || ds.dsBmih.biCompression != gdi::BI_RGB)
        return {};
    const int width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight;
    const bool bottomUp = ds.dsBmih.biHeight > 0;
    const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = bits + static_cast<int64_t>(bottomUp ? height - 1 - y : y) * ds.dsBm.bmWidthBytes;
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        if (ds.dsBm.bmBitsPixel == 32) {
            for (int x = 0; x < width; ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, source + 4 * x, 4);
                row[x] = pixel | 0xFF000000u;
            }
        } else {
            for (int x = 0; x < width; ++x, source += 3)
                row[x] = 0xFF000000u | (uint32_t{source[2]} << 16) | (uint32_t{source[1]} << 8) | source[0];
        }
    }
    return image;
}

// An indexed DIB section (a GIF, an 8-bpp BMP) read straight into the image's rows,
// without drawing it first: the colours of its table, opaque, and its transparent index,
// when it has one, transparent. Drawing would take a 32-bpp copy of the picture (two for
// a transparent one) beside the image.
QImage imageFromIndexed(const picture::Picture& picture) {
    gdi::DIBSECTION ds{};
    if (picture.Type() != picture::kPicTypeBitmap ||
        gdi::GetObject(picture.Handle(), sizeof ds, &ds) != static_cast<int>(sizeof ds) || !ds.dsBm.bmBits ||
        ds.dsBm.bmBitsPixel > 8 || ds.dsBmih.biCompression != gdi::BI_RGB)
        return {};
    const int width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight, bpp = ds.dsBm.bmBitsPixel;
    const std::optional<int> transparent = picture.transparentIndex();
    QImage image(width, height, transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) return {};
    gdi::BITMAPINFO info{};
    info.bmiHeader = {sizeof(gdi::BITMAPINFOHEADER), width, -height, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    const gdi::HDC dc = gdi::CreateCompatibleDC(0);
    const bool read = gdi::GetDIBits(dc, picture.Handle(), 0, static_cast<gdi::UINT>(height), image.bits(), &info,
                                     gdi::DIB_RGB_COLORS) == height;
    gdi::DeleteDC(dc);
    if (!read) return {};
    const bool bottomUp = ds.dsBmih.biHeight > 0;
    const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    const int mask = (1 << bpp) - 1;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        if (!transparent) {
            for (int x = 0; x < width; ++x) row[x] |= 0xFF000000u;
            continue;
        }
        const uint8_t* indices = bits + static_cast<int64_t>(bottomUp ? height - 1 - y : y) * ds.dsBm.bmWidthBytes;
        for (int x = 0; x < width; ++x) {
            const int bit = x * bpp;
            const int index = (indices[bit >> 3] >> (8 - bpp - (bit & 7))) & mask;
            row[x] = index == *transparent ? 0 : row[x] | 0xFF000000u;
        }
    }
    return image;
}

bool isMetafile(const picture::Picture& picture) {
    return picture.Type() == picture::kPicTypeMetafile || picture.Type() == picture::kPicTypeEnhMetafile;
}

// A metafile played at the given size: playback writes alpha 0 where it draws, so pixels
// whose alpha byte is still 255 were not drawn and stay transparent.
QImage imageFromMetafile(const picture::Picture& picture, int width, int height) {
    gdi::DibSurface surface(width, height, 32);
    if (!surface.valid() || !drawOver(surface, picture, 0xFFFFFFFFu)) return {};
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const uint32_t* source = pixelRow(surface, y);
        for (int x = 0; x < width; ++x) row[x] = (source[x] >> 24) == 0xFF ? 0 : source[x] | 0xFF000000u;
    }
    return image;
}

}  // namespace

QImage ImageFromPicture(const picture::Picture& picture, QSize size) {
    if (isMetafile(picture) && size.width() > 0 && size.height() > 0)
        return imageFromMetafile(picture, size.width(), size.height());
    return ImageFromPicture(picture);
}

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
    if (isMetafile(picture)) return imageFromMetafile(picture, size.cx, size.cy);
    if (!mayBeTransparent(picture))
        if (QImage direct = imageFromDibSection(picture); !direct.isNull()) return direct;
    if (QImage direct = imageFromIndexed(picture); !direct.isNull()) return direct;
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
