#include <QApplication>

#include "platform/ui/application.h"

int main(int argc, char** argv) {
    ui::prepareApplication();
    QApplication app(argc, argv);
    ui::startApplication();
    return 0;
}
