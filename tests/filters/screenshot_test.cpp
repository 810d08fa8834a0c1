// The window as it looks: after Brightness, after Apply, and with the picker enlarged.
// The grabs are checked where the shown picture lies; with QM_SCREENSHOT_DIR set they
// are also written there as PNG files (run under Xvfb with the xcb platform to see the
// real window system's rendering).

#include <QDir>
#include <QImage>

#include "filters/filter_window_fixture.h"
#include "platform/ui/input.h"

namespace filterstest {
namespace {

class FilterScreens : public FiltersWindow {
protected:
    QImage grab(FilterLibFrm& w, const char* name) {
        const QImage shot = w.window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QByteArray folder = qgetenv("QM_SCREENSHOT_DIR");
        if (!folder.isEmpty()) shot.save(QDir(QString::fromLocal8Bit(folder)).filePath(name));
        return shot;
    }
    // The colour at the middle of the shown picture, in the grab.
    static QRgb shownMiddle(FilterLibFrm& w, const QImage& shot) {
        const QPoint middle = w.ImageCatalogue->mapTo(w.window(), w.ImageCatalogue->rect().center());
        return shot.pixel(middle);
    }
};

TEST_F(FilterScreens, AfterBrightnessAfterApplyAndWithThePickerEnlarged) {
    RecordingLibrary::restoreRealLibrary();
    FilterLibFrm& w = open(filled(160, 120, qRgb(100, 110, 120)));
    w.Show();
    choose(1);
    w.HScroll1->setValue(60);
    const QImage bright = grab(w, "filters-brightness.png");
    EXPECT_EQ(shownMiddle(w, bright), qRgb(160, 170, 180));

    w.LabelButtomMenu_Click(0);
    w.HScroll1->setValue(59);
    w.HScroll1->setValue(60);
    const QImage applied = grab(w, "filters-applied.png");
    EXPECT_EQ(shownMiddle(w, applied), qRgb(220, 230, 240)) << "the committed picture brightened again";

    choose(13);
    w.ImagePickerZoom_Click();
    const QImage picker = grab(w, "filters-picker-enlarged.png");
    EXPECT_EQ(shownMiddle(w, picker), qRgb(100, 110, 120)) << "the thumbnail of the main picture covers the pane";
}

}  // namespace
}  // namespace filterstest
