#pragma once
// cImage32 pixels as a QImage and back, for Qt's transforms as oracles. Both hold
// premultiplied blue, green, red, alpha bytes; QImage rows run from the top.

#include <QImage>

#include <cstring>

#include "image_support.h"

namespace imagetest {

inline QImage toQImage(const cImage32& image) {
    QImage out(image.Width(), image.Height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.Height(); ++y) std::memcpy(out.scanLine(y), addressOf(image, 0, y), size_t(image.Width()) * 4);
    return out;
}

// Every pixel of the image equals the QImage's, byte for byte.
inline void expectSamePixels(const cImage32& image, const QImage& expected) {
    ASSERT_EQ(image.Width(), expected.width());
    ASSERT_EQ(image.Height(), expected.height());
    const QImage premultiplied = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const uchar* p = premultiplied.constScanLine(y) + x * 4;
            ASSERT_EQ(at(image, x, y), (Px{p[0], p[1], p[2], p[3]})) << "at " << x << ", " << y;
        }
}

}  // namespace imagetest
