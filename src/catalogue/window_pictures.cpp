#include "catalogue/window_pictures.h"

#include <span>

#include <QFile>

namespace catalogue {

QImage windowPicture(const char* name) { return QImage(QStringLiteral(":/pictures/") + name); }

// The logo is a bitmap the platform's picture loader reads, like a record's picture.
picture::Picture logoPicture() {
    QFile file(QStringLiteral(":/pictures/logo.bmp"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return picture::TryLoadPictureFromBytes(
        std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())));
}

}  // namespace catalogue
