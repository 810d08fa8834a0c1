#include "platform/ui/font.h"

#include <algorithm>
#include <cmath>

namespace ui {

QFont Font::toQFont() const {
    installFontSubstitutions();
    QFont font(name);
    font.setPixelSize(std::max(1, static_cast<int>(std::nearbyint(size * 96.0 / 72.0))));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikethrough);
    return font;
}

void installFontSubstitutions() {
    static const bool installed = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Helvetica"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
        QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
        QFont::insertSubstitution(QStringLiteral("Microsoft Sans Serif"),
                                  QStringLiteral("DejaVu Sans"));
        QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
        QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
        return true;
    }();
    (void)installed;
}

}  // namespace ui
