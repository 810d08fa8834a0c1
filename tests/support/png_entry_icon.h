#pragma once
// An icon whose entries are PNG files, as most icons made today are: a 16 x 16 blue entry
// and a 24 x 20 one, red on the left, green on the right, its top-left pixel transparent.

#include <QBuffer>
#include <QImage>

#include "support/icon_files.h"

namespace testsupport {

inline std::vector<uint8_t> pngEntryIcon() {
    auto png = [](const QImage& image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    };
    QImage small(16, 16, QImage::Format_ARGB32);
    small.fill(QColor(0, 0, 255));
    QImage large(24, 20, QImage::Format_ARGB32);
    large.fill(QColor(0, 160, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 12; ++x) large.setPixelColor(x, y, QColor(200, 0, 0));
    large.setPixelColor(0, 0, QColor(255, 255, 255, 0));
    return icoFile({{16, 16, 32, png(small)}, {24, 20, 32, png(large)}});
}

}  // namespace testsupport
