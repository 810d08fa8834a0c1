#pragma once
// Fonts through Qt: a LOGFONT resolved to a QFont of the platform's faces, and the
// application object Qt's font system needs.

#include <QFont>

#include "platform/gdi/gdi.h"

namespace gdi::detail {

// Qt's fonts need a GUI application. A process without any application object (a
// command-line tool, a test) gets one on the offscreen platform at the first use; a
// process with a non-GUI application cannot draw text, and this answers false.
bool fontSystemReady();

// The font at its pixel size: the face mapped as gdi.h says, the LOGFONT's height (em or
// cell), width, weight, italic, underline and strike-out. Sizes are capped at 4096 pixels.
QFont qtFont(const LOGFONTW& log);

// The advance of `text` in `font`, which qtFont(log) made. The last few answers are
// remembered, since a text is often measured first and then drawn.
double textAdvance(const LOGFONTW& log, const QFont& font, const QString& text);

}  // namespace gdi::detail
