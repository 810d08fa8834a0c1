#include "platform/ui/screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "platform/ui/input.h"
#include "platform/ui/units.h"

namespace ui {

namespace {
int g_pointer = 0;
}

namespace {
QSize screenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {Screen::kFallbackWidthPixels, Screen::kFallbackHeightPixels};
    return screen->size();
}
}  // namespace

double Screen::Width() { return pixelsToTwips(screenPixels().width()); }
double Screen::Height() { return pixelsToTwips(screenPixels().height()); }
int Screen::TwipsPerPixelX() { return kTwipsPerPixel; }
int Screen::TwipsPerPixelY() { return kTwipsPerPixel; }
int Screen::MousePointer() { return g_pointer; }

void Screen::setMousePointer(int pointer) {
    if (g_pointer != 0) QGuiApplication::restoreOverrideCursor();
    g_pointer = pointer;
    if (pointer != 0) QGuiApplication::setOverrideCursor(cursorForPointer(pointer));
}

}  // namespace ui
