#pragma once
// The font of a control or window as the windows set it: a face name, a size in
// points and styles. Faces the windows name (Arial, Times New Roman) map to fonts this system has.
// A text whose window names no face uses one sans-serif face, asked for by name.

#include <QFont>
#include <QString>

namespace ui {

// Installed by name with the program's dependencies (fonts-dejavu-core), so no text
// falls back to whatever face the desktop's configuration prefers.
inline constexpr char kDefaultFaceName[] = "DejaVu Sans";

struct Font {
    QString name = QString::fromLatin1(kDefaultFaceName);
    double size = 8.25;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const Font&) const = default;

    // Sized in pixels at the fixed 96 DPI (9 pt = 12 px), so layouts do not follow
    // the display's DPI.
    QFont toQFont() const;
};

// Registers the face substitutions once: Arial -> Liberation Sans, Times New Roman ->
// Liberation Serif, MS Sans Serif -> DejaVu Sans (and a few relatives).
void installFontSubstitutions();

}  // namespace ui
