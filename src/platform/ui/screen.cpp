#include "platform/ui/screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/ui/form.h"
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
Screen::WorkArea Screen::WorkAreaOf(const Form& form) {
    const QScreen* screen = form.window() ? form.window()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry()
                              : QRect(0, 0, kFallbackWidthPixels, kFallbackHeightPixels);
    return {pixelsToTwips(area.x()), pixelsToTwips(area.y()), pixelsToTwips(area.width()),
            pixelsToTwips(area.height())};
}

int Screen::TwipsPerPixelX() { return kTwipsPerPixel; }
int Screen::TwipsPerPixelY() { return kTwipsPerPixel; }
int Screen::MousePointer() { return g_pointer; }

void Screen::setMousePointer(int pointer) {
    if (g_pointer != 0) QGuiApplication::restoreOverrideCursor();
    g_pointer = pointer;
    if (pointer != 0) QGuiApplication::setOverrideCursor(cursorForPointer(pointer));
}

}  // namespace ui
