#include <QApplication>

#include "platform/ui/application.h"
#include "shell/module1.h"

int main(int argc, char** argv) {
    ui::prepareApplication();
    QApplication app(argc, argv);
    ui::startApplication();
    Module1::Main();
    return app.exec();
}
