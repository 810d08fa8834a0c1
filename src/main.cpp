#include <QApplication>

#include "filterlib/registry.h"
#include "platform/sys/memory.h"
#include "platform/ui/application.h"
#include "platform/ui/web_engine.h"
#include "resources/program_resources.h"
#include "shell/module1.h"

int main(int argc, char** argv) {
    sys::keepFreedPictureMemory();
    // The effects library is compiled in; from here on it answers as "FilterLib.dll".
    filterlib::install();
    ui::prepareApplication();
    ui::prepareWebEngine();
    QApplication app(argc, argv);
    ui::startApplication();
    resources::installProgramResources();
    ui::installWebEngine();
    Module1::Main();
    return app.exec();
}
