#include "catalogue/picture_fitting.h"

#include <cstdio>
#include <string_view>

#include <QStringList>

#include "platform/runtime/numbers.h"

namespace catalogue {

namespace {

FittedPicture fit(double pictureWidth, double pictureHeight, double thresholdWidth, double thresholdHeight,
                  double paneWidth, double paneHeight) {
    double width = pictureWidth, height = pictureHeight;
    if (width >= thresholdWidth || height >= thresholdHeight) {
        const double w0 = width;
        width = paneWidth;
        height = height * (width / w0);
        if (height >= paneHeight) {
            const double h0 = height;
            height = paneHeight;
            width = width * (height / h0);
        }
    }
    return {(paneWidth - width) / 2, (paneHeight - height) / 2, width, height};
}

}  // namespace

FittedPicture FitPictureIntoPane(double pictureWidth, double pictureHeight, double paneWidth, double paneHeight) {
    return fit(pictureWidth, pictureHeight, 5415, 4155, paneWidth, paneHeight);
}

FittedPicture FitPictureIntoWindow(double pictureWidth, double pictureHeight, double roomWidth, double roomHeight) {
    return fit(pictureWidth, pictureHeight, roomWidth, roomHeight, roomWidth, roomHeight);
}

namespace {

QString singleText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(static_cast<float>(value)));
    return QString::fromLatin1(buffer);
}

}  // namespace

QString PictureSizeText(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY) {
    return " " + singleText(widthTwips / twipsPerPixelX) + " x " + singleText(heightTwips / twipsPerPixelY) + " ";
}

QString PositionText(long position, long count) {
    return QString::number(position) + " / " + QString::number(count);
}

QString SizeText(int64_t bytes) {
    if (bytes < 1000) return QString::number(bytes) + (bytes == 1 ? " byte" : " bytes");
    const int32_t kilobytes = runtime::CLng(static_cast<double>(bytes) / 1000.0);
    return QString::fromStdString(runtime::Format(kilobytes, "#,###")) + " K";
}

namespace {

// The tails of four-letter extensions, the format each names, the format's name a user
// reads, and how its files begin.
struct Tail {
    const char* letters;
    const char* format;
    const char* name;
    std::string_view signatures[2];  // an empty one matches nothing
};
const Tail kTails[] = {
    {"peg", "jpg", "JPEG", {std::string_view("\xFF\xD8\xFF", 3)}},
    {"iff", "tif", "TIFF", {std::string_view("II*\0", 4), std::string_view("MM\0*", 4)}},
};

const Tail* tailOf(const QString& lastThree) {
    for (const Tail& tail : kTails)
        if (lastThree == QLatin1String(tail.letters)) return &tail;
    return nullptr;
}

bool beginsWithAny(std::span<const uint8_t> bytes, const Tail& tail) {
    const std::string_view head(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (std::string_view signature : tail.signatures)
        if (!signature.empty() && head.starts_with(signature)) return true;
    return false;
}

// The tail PhotoXtent ends in, when the bytes are of its format.
const Tail* tailOfFormat(const QString& photoXtent, std::span<const uint8_t> bytes) {
    const Tail* tail = tailOf(photoXtent.right(3).toLower());
    return tail && beginsWithAny(bytes, *tail) ? tail : nullptr;
}

bool lastThreeIn(const QString& photoXtent, const QStringList& list) {
    return list.contains(ShowingExtension(photoXtent));
}

}  // namespace

QString ShowingExtension(const QString& photoXtent) {
    const QString lastThree = photoXtent.right(3).toLower();
    const Tail* tail = tailOf(lastThree);
    return tail ? QString::fromLatin1(tail->format) : lastThree;
}

QString ShowingExtension(const QString& photoXtent, std::span<const uint8_t> bytes) {
    const Tail* tail = tailOfFormat(photoXtent, bytes);
    return tail ? QString::fromLatin1(tail->format) : photoXtent.right(3).toLower();
}

QString TypeText(const QString& photoXtent, std::span<const uint8_t> head) {
    const Tail* tail = tailOfFormat(photoXtent, head);
    return tail ? QString::fromLatin1(tail->name) : photoXtent;
}

bool IsDecodedPictureExtension(const QString& photoXtent) {
    static const QStringList list = {"tif", "icb", "pbm", "pcd", "pcx", "pgm", "png", "ppm",
                                     "psd", "psp", "sgi", "tga", "vda", "vst", "wbmp"};
    return lastThreeIn(photoXtent, list);
}

bool IsBoundPictureExtension(const QString& photoXtent) {
    static const QStringList list = {"tif", "rle", "png", "wmf", "ico", "cur", "gif", "tga", "bmp", "jpg", "emf"};
    return lastThreeIn(photoXtent, list);
}

bool FallsBackToDecoder(const QString& photoXtent, bool showsLogo) {
    return showsLogo && IsBoundPictureExtension(photoXtent) && !IsDecodedPictureExtension(photoXtent);
}

}  // namespace catalogue
