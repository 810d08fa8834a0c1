#include "support/window_tour.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <gmock/gmock.h>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "catalogue/thumbnails_window.h"
#include "platform/picture/picture.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/testing.h"
#include "shell/login_window.h"
#include "shell/splash_window.h"
#include "tools/resize_window.h"

namespace testsupport {

void WindowTour::visitShown(ui::Form& form) {
    seen.insert(form.Name().toStdString());
    keepScreenshot(form);
    visit(form);
}

void WindowTour::keepScreenshot(ui::Form& form) {
    const QByteArray folder = qgetenv("QM_SCREENSHOT_DIR");
    if (folder.isEmpty() || !form.window()) return;
    const QDir into(QString::fromLocal8Bit(folder));
    const QString name = QStringLiteral("%1-%2").arg(++shots, 2, 10, QChar('0')).arg(form.Name());
    form.window()->grab().save(into.filePath(name + ".png"));
    // The window's own menus, each opened under its title.
    if (auto* bar = form.window()->findChild<QMenuBar*>()) {
        int n = 0;
        for (QAction* title : bar->actions()) {
            QMenu* menu = title->menu();
            if (!menu) continue;
            menu->popup(bar->mapToGlobal(bar->actionGeometry(title).bottomLeft()));
            menu->grab().save(into.filePath(QStringLiteral("%1-menu%2.png").arg(name).arg(++n)));
            menu->hide();
        }
    }
}

void WindowTour::visitModalWindows() {
    ui::testing::setModalHandler([this](ui::Form& form) {
        visitShown(form);
        form.Unload();
    });
}

void WindowTour::visitEveryWindow() {
    visitModalWindows();
    // The first start: the welcome window (modal), then the splash window.
    EXPECT_FALSE(runMain());
    Form2& splash = ui::loaded<Form2>();
    splash.Show();
    visitShown(splash);
    splash.Unload();

    // The main window, first narrow, then with both blocks, its panels and find row open.
    // The first picture is wide, so that its size makes the longest size label.
    for (const QSize size : {QSize(10000, 1000), QSize(320, 240)}) {
        QImage picture(size, QImage::Format_Indexed8);
        picture.setColorTable({qRgb(90, 120, 150)});
        picture.fill(0);
        addPicture(std::to_string(size.width()), "BMP", picture::SavePictureToBytes(ui::PictureFromImage(picture)));
    }
    restartProgram();
    visitModalWindows();
    EXPECT_FALSE(runMain());
    Form1& main = ui::forms<Form1>();
    narrowMain = true;
    visitShown(main);
    narrowMain = false;
    main.ImageResize_Click();
    main.Image1_Click(4);                        // the find row
    main.TextFind->setText("no such picture");  // and its "Not found"
    main.Image1_Click(1);                        // the add-folder panel
    visitShown(main);
    main.ImageAddFolderCancel_Click();
    for (int menu : {0, 1}) {  // the drop-down menus
        main.LabelMenu_Click(menu);
        visitShown(main);
    }

    for (int item : {0, 2}) main.Label7_Click(item);  // About, the password window (modal)
    for (int item : {20, 21, 24, 25}) {               // the tool windows
        main.Label7_Click(item);
        for (ui::Form* form : ui::allForms())
            if (form != &main && form->isLoaded() && form->Visible()) visitShown(*form);
    }
    ui::forms<FormResize>().LabelButtomMenu_Click(0);  // "Save": the save dialog (modal)

    main.CmdCatalogueZoom_Click(2);  // slide show
    visitShown(ui::forms<Form27>());
    ui::forms<Form27>().Unload();
    main.CmdCatalogueZoom_Click(1);  // full screen
    visitShown(ui::forms<Form27>());
    ui::forms<Form27>().Unload();

    Form3& login = ui::loaded<Form3>();
    login.Show();
    visitShown(login);
    login.Unload();

    main.Image1_Click(7);  // thumbnails
    visitShown(ui::forms<Form28>());
    ui::forms<Form28>().Unload();

    EXPECT_THAT(seen, ::testing::IsSupersetOf({"Form5", "Form2", "Form1", "Form38", "Form4", "Form3", "FormResize",
                                               "frmRotate", "FilterLibFrm", "FormEffects", "FormSaveAs", "Form27",
                                               "Form28"}));
}

}  // namespace testsupport
