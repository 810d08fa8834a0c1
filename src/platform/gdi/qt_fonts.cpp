#include "platform/gdi/qt_fonts.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace gdi::detail {

namespace {

constexpr double kMaxPixelSize = 4096;
constexpr int kDefaultPixelSize = 16;

// Pitch-and-family high nibble: FF_ROMAN 1, FF_SWISS 2, FF_MODERN 3.
constexpr int kFamilyRoman = 0x10, kFamilyModern = 0x30;

QString mappedFamily(const LOGFONTW& log) {
    size_t length = 0;
    while (length < 32 && log.lfFaceName[length]) ++length;
    const QString face = QString::fromUtf16(log.lfFaceName, qsizetype(length)).trimmed();
    const QString key = face.toLower();
    if (key == u"arial" || key == u"helvetica" || key == u"ms sans serif" ||
        key == u"microsoft sans serif")
        return QStringLiteral("Liberation Sans");
    if (key == u"times new roman" || key == u"times" || key == u"ms serif")
        return QStringLiteral("Liberation Serif");
    if (key == u"courier new" || key == u"courier") return QStringLiteral("Liberation Mono");
    if (!face.isEmpty()) return face;  // fontconfig finds it or a substitute
    switch (log.lfPitchAndFamily & 0xF0) {
    case kFamilyRoman: return QStringLiteral("Liberation Serif");
    case kFamilyModern: return QStringLiteral("Liberation Mono");
    default: return QStringLiteral("Liberation Sans");
    }
}

QFont::StyleHint styleHint(const LOGFONTW& log) {
    switch (log.lfPitchAndFamily & 0xF0) {
    case kFamilyRoman: return QFont::Serif;
    case kFamilyModern: return QFont::Monospace;
    default: return QFont::SansSerif;
    }
}

int clampedPixels(double px) { return int(std::lround(std::clamp(px, 1.0, kMaxPixelSize))); }

}  // namespace

bool fontSystemReady() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
    if (QCoreApplication::instance()) return false;
    static int argc = 3;
    static char name[] = "quillmere", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);  // lives as long as the process
    return app != nullptr;
}

QFont qtFont(const LOGFONTW& log) {
    QFont font(mappedFamily(log));
    font.setStyleHint(styleHint(log));
    font.setWeight(QFont::Weight(log.lfWeight > 0 ? std::clamp<LONG>(log.lfWeight, 1, 1000) : FW_NORMAL));
    font.setItalic(log.lfItalic != 0);
    font.setUnderline(log.lfUnderline != 0);
    font.setStrikeOut(log.lfStrikeOut != 0);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    const double height = std::fabs(double(log.lfHeight));
    if (log.lfHeight == 0) {
        font.setPixelSize(kDefaultPixelSize);
    } else if (log.lfHeight < 0) {
        font.setPixelSize(clampedPixels(height));
    } else {
        // A cell height: scale the em so that ascent + descent come to it.
        font.setPixelSize(clampedPixels(height));
        const double cell = QFontMetricsF(font).height();
        if (cell > 0) font.setPixelSize(clampedPixels(height * height / cell));
    }
    if (log.lfWidth != 0) {
        const double average = QFontMetricsF(font).averageCharWidth();
        if (average > 0)
            font.setStretch(std::clamp(int(std::lround(100.0 * std::fabs(double(log.lfWidth)) / average)), 1, 4000));
    }
    return font;
}

}  // namespace gdi::detail
