#include "platform/gdi/qt_fonts.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

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

// Texts longer than this are measured every time; the cache is for lines of text.
constexpr qsizetype kMaxRememberedText = 512;
constexpr size_t kRememberedAdvances = 32;

struct RememberedAdvance {
    LOGFONTW log{};
    QString text;
    double advance = 0;
    bool used = false;
};

}  // namespace

double textAdvance(const LOGFONTW& log, const QFont& font, const QString& text) {
    if (text.size() > kMaxRememberedText) return QFontMetricsF(font).horizontalAdvance(text);
    static std::array<RememberedAdvance, kRememberedAdvances> remembered;
    static size_t next = 0;
    for (const RememberedAdvance& r : remembered)
        if (r.used && r.text == text && std::memcmp(&r.log, &log, sizeof log) == 0) return r.advance;
    RememberedAdvance& r = remembered[next];
    next = (next + 1) % remembered.size();
    r = {log, text, QFontMetricsF(font).horizontalAdvance(text), true};
    return r.advance;
}

bool fontSystemReady() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
    if (QCoreApplication::instance()) return false;
    static int argc = 3;
    static char name[] = "quillmere", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);  // lives as long as the process
    return app != nullptr;
}

namespace {

QFont resolvedFont(const LOGFONTW& log) {
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

}  // namespace

QFont qtFont(const LOGFONTW& log) {
    // Text is measured and drawn line by line in one font: the last one is kept.
    // Never destroyed: a font must not outlive the application object at exit.
    static LOGFONTW lastLog{};
    static auto* last = new std::optional<QFont>;
    if (*last && std::memcmp(&lastLog, &log, sizeof log) == 0) return **last;
    *last = resolvedFont(log);
    lastLog = log;
    return **last;
}

}  // namespace gdi::detail
