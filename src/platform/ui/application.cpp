#include "platform/ui/application.h"

#include <QApplication>

#include "platform/ui/font.h"
#include "platform/ui/handlers.h"
#include "platform/ui/platform_style.h"
#include "platform/ui/qt_services.h"

namespace ui {

void prepareApplication() {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_SCALE_FACTOR", "1");
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void startApplication() {
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    QApplication::setStyle(createPlatformStyle());
    QApplication::setPalette(platformPalette());
    installFontSubstitutions();
    QApplication::setFont(Font{}.toQFont());
    static QtServices services;
    setServices(&services);
    setExitHook([] { exitProcess(); });
}

}  // namespace ui
