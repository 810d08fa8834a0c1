#include "platform/ui/picture_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include <QPainter>

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

// One pixel drawn over black and over white, as a premultiplied pixel. Over black it is
// c*a, over white c*a + 255*(1-a): the green channel's difference gives the coverage,
// and the colour over black is already the colour times its coverage.
uint32_t fromTwoBackgrounds(uint32_t black, uint32_t white) {
    const int difference = static_cast<int>((white >> 8) & 0xFF) - static_cast<int>((black >> 8) & 0xFF);
    const uint32_t alpha = static_cast<uint32_t>(std::clamp(255 - difference, 0, 255));
    const uint32_t b = std::min(black & 0xFF, alpha), g = std::min((black >> 8) & 0xFF, alpha),
                   r = std::min((black >> 16) & 0xFF, alpha);
    return (alpha << 24) | (r << 16) | (g << 8) | b;
}

// `image` (the surface's size) from `overBlack`, the picture drawn over black, and the
// picture drawn again over white.
bool combineWithOverWhite(const picture::Picture& picture, const gdi::DibSurface& overBlack, QImage& image) {
    gdi::DibSurface overWhite(overBlack.width(), overBlack.height(), 32);
    if (!overWhite.valid() || !drawOver(overWhite, picture, 0xFFFFFFFFu)) return false;
    for (int y = 0; y < overBlack.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const uint32_t* black = pixelRow(overBlack, y);
        const uint32_t* white = pixelRow(overWhite, y);
        for (int x = 0; x < overBlack.width(); ++x) row[x] = fromTwoBackgrounds(black[x], white[x]);
    }
    return true;
}

// The picture drawn at width x height over black and over white, each pixel's coverage
// from the difference. A metafile is played so: the edges its text and shapes blend into
// the background keep their coverage, a pixel it does not touch comes out transparent
// and one it covers whole opaque.
QImage imageOverTwoBackgrounds(const picture::Picture& picture, int width, int height) {
    gdi::DibSurface overBlack(width, height, 32);
    if (!overBlack.valid() || !drawOver(overBlack, picture, 0xFF000000u)) return {};
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || !combineWithOverWhite(picture, overBlack, image)) return {};
    return image;
}

bool mayBeTransparent(const picture::Picture& picture) {
    return picture.Type() == picture::kPicTypeIcon || picture.transparentIndex().has_value();
}

// A bitmap picture whose rows are read straight from its DIB section, without drawing it
// first: 24 or 32 bpp without transparency, or indexed (a GIF, an 8-bpp BMP), with its
// transparent index when it has one. Drawing would take a 32-bpp copy of the picture (two
// for a transparent one) beside the image.
struct DirectRows {
    gdi::DIBSECTION ds{};
    std::optional<int> transparent;

    bool indexed() const { return ds.dsBm.bmBitsPixel <= 8; }
    QImage::Format format() const {
        return transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    }
};

std::optional<DirectRows> directRows(const picture::Picture& picture) {
    DirectRows d;
    if (picture.Type() != picture::kPicTypeBitmap ||
        gdi::GetObject(picture.Handle(), sizeof d.ds, &d.ds) != static_cast<int>(sizeof d.ds) || !d.ds.dsBm.bmBits ||
        d.ds.dsBmih.biCompression != gdi::BI_RGB)
        return {};
    const int bpp = d.ds.dsBm.bmBitsPixel;
    if (bpp <= 8) {
        d.transparent = picture.transparentIndex();
        return d;
    }
    if ((bpp == 24 || bpp == 32) && !mayBeTransparent(picture)) return d;
    return {};
}

// The picture's rows from `top` on (counted from the top) into `band`, a band of the
// picture's width in d's format: opaque colours, and the transparent index transparent.
bool readRows(const picture::Picture& picture, const DirectRows& d, int top, QImage& band) {
    const int width = d.ds.dsBm.bmWidth, height = d.ds.dsBm.bmHeight, rows = band.height();
    const bool bottomUp = d.ds.dsBmih.biHeight > 0;
    const auto* bits = static_cast<const uint8_t*>(d.ds.dsBm.bmBits);
    auto source = [&](int y) {
        return bits + static_cast<int64_t>(bottomUp ? height - 1 - y : y) * d.ds.dsBm.bmWidthBytes;
    };
    if (!d.indexed()) {
        for (int i = 0; i < rows; ++i) {
            const uint8_t* from = source(top + i);
            auto* row = reinterpret_cast<uint32_t*>(band.scanLine(i));
            if (d.ds.dsBm.bmBitsPixel == 32) {
                for (int x = 0; x < width; ++x) {
                    uint32_t pixel;
                    std::memcpy(&pixel, from + 4 * x, 4);
                    row[x] = pixel | 0xFF000000u;
                }
            } else {
                for (int x = 0; x < width; ++x, from += 3)
                    row[x] = 0xFF000000u | (uint32_t{from[2]} << 16) | (uint32_t{from[1]} << 8) | from[0];
            }
        }
        return true;
    }
    // The colour table's colours through the gdi layer, top-down scan lines from `top`.
    gdi::BITMAPINFO info{};
    info.bmiHeader = {sizeof(gdi::BITMAPINFOHEADER), width, -height, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    const gdi::HDC dc = gdi::CreateCompatibleDC(0);
    const bool read = gdi::GetDIBits(dc, picture.Handle(), static_cast<gdi::UINT>(top), static_cast<gdi::UINT>(rows),
                                     band.bits(), &info, gdi::DIB_RGB_COLORS) == rows;
    gdi::DeleteDC(dc);
    if (!read) return false;
    const int bpp = d.ds.dsBm.bmBitsPixel, mask = (1 << bpp) - 1;
    for (int i = 0; i < rows; ++i) {
        auto* row = reinterpret_cast<uint32_t*>(band.scanLine(i));
        if (!d.transparent) {
            for (int x = 0; x < width; ++x) row[x] |= 0xFF000000u;
            continue;
        }
        const uint8_t* indices = source(top + i);
        for (int x = 0; x < width; ++x) {
            const int bit = x * bpp;
            const int index = (indices[bit >> 3] >> (8 - bpp - (bit & 7))) & mask;
            row[x] = index == *d.transparent ? 0 : row[x] | 0xFF000000u;
        }
    }
    return true;
}

// Rows of a band: a few megabytes of the picture at a time.
constexpr int64_t kBandBytes = int64_t{4} << 20;

// The picture scaled to `size` as a smooth QPainter draws its own-size image (each pixel
// from the two nearest rows and columns), made a band of rows at a time: a picture of
// hundreds of megabytes is shown without a full-size copy of it. The bands overlap by the
// rows a pixel at their edge reads, so every pixel is the one drawing the whole image gives.
QImage scaledInBands(const picture::Picture& picture, const DirectRows& d, QSize size) {
    const int width = d.ds.dsBm.bmWidth, height = d.ds.dsBm.bmHeight;
    QImage out(size, d.format());
    if (out.isNull()) return {};
    out.fill(0);
    const double sy = double(size.height()) / height;
    // The rows that output rows [first, last) read: each reads the two around its centre.
    auto firstRow = [&](int first) { return std::max(0, int(std::floor((first + 0.5) / sy - 0.5)) - 1); };
    auto endRow = [&](int last) { return std::min(height, int(std::floor((last - 0.5) / sy - 0.5)) + 3); };
    const int64_t bandRows = std::max<int64_t>(8, kBandBytes / (int64_t{width} * 4));
    const int outputRows = std::max(1, int(double(bandRows - 4) * sy));
    const QTransform scale = QTransform::fromScale(double(size.width()) / width, sy);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int first = 0; first < size.height(); first += outputRows) {
        const int last = std::min(size.height(), first + outputRows);
        const int top = firstRow(first), end = std::max(top + 1, endRow(last));
        QImage band(width, end - top, d.format());
        if (band.isNull() || !readRows(picture, d, top, band)) return {};
        painter.resetTransform();
        painter.setClipRect(0, first, size.width(), last - first);  // in output pixels
        painter.setTransform(scale);
        painter.drawImage(QPointF(0, top), band);
    }
    return out;
}

bool isMetafile(const picture::Picture& picture) {
    return picture.Type() == picture::kPicTypeMetafile || picture.Type() == picture::kPicTypeEnhMetafile;
}

}  // namespace

QImage ImageFromPicture(const picture::Picture& picture, QSize size) {
    if (size.width() <= 0 || size.height() <= 0) return ImageFromPicture(picture);
    if (isMetafile(picture)) return imageOverTwoBackgrounds(picture, size.width(), size.height());
    if (const auto d = directRows(picture)) return scaledInBands(picture, *d, size);
    const QImage own = ImageFromPicture(picture);
    if (own.isNull() || own.size() == size) return own;
    QImage out(size, own.format());
    if (out.isNull()) return {};
    out.fill(0);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), own);
    return out;
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
    if (isMetafile(picture)) return imageOverTwoBackgrounds(picture, size.cx, size.cy);
    if (const auto d = directRows(picture)) {
        QImage image(size.cx, size.cy, d->format());
        if (!image.isNull() && readRows(picture, *d, 0, image)) return image;
    }
    gdi::DibSurface overBlack(size.cx, size.cy, 32);
    if (!overBlack.valid() || !drawOver(overBlack, picture, 0xFF000000u)) return {};
    QImage image(size.cx, size.cy, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    if (!mayBeTransparent(picture)) {
        for (int y = 0; y < size.cy; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            const uint32_t* source = pixelRow(overBlack, y);
            for (int x = 0; x < size.cx; ++x) row[x] = source[x] | 0xFF000000u;
        }
        return image;
    }
    if (!combineWithOverWhite(picture, overBlack, image)) return {};
    return image;
}

}  // namespace ui
