#include "filters/filter_window_fixture.h"

#include "catalogue/main_window.h"
#include "filterlib/registry.h"
#include "platform/sys/files.h"
#include "platform/sys/libraries.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"

namespace filterstest {

QImage pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, qRgb((i * 37) % 256, (i * 11 + 90) % 256, (i / width * 29) % 256));
    return image;
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage stretched(const QImage& image, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            out.setPixel(x, y, image.pixel(int((x + 0.5) * image.width() / size.width()),
                                           int((y + 0.5) * image.height() / size.height())));
    return out;
}

QImage imageOf(const picture::Picture& picture) {
    return ui::ImageFromPicture(picture).convertToFormat(QImage::Format_RGB32);
}

QImage drawnImage(const ui::PictureBox& box) { return imageOf(box.Image()); }

void writeBmp(const std::string& path, const QImage& image) {
    sys::writeFile(path, picture::SavePictureToBytes(ui::PictureFromImage(image)));
}

void FiltersWindow::SetUp() {
    ProgramFolderTest::SetUp();
    RecordingLibrary::install();
}

void FiltersWindow::TearDown() {
    ProgramFolderTest::TearDown();
    RecordingLibrary::restoreRealLibrary();
    sys::clearAbsentLibraries();
    filterlib::exports().clearAbsent();
}

FilterLibFrm& FiltersWindow::open(const QImage& picture) {
    makeCatalogueWithRows(0);
    addPicture("working copy", "BMP", picture::SavePictureToBytes(ui::PictureFromImage(picture)));
    EXPECT_FALSE(runMain());
    ui::forms<Form1>().Label7_Click(24);
    EXPECT_TRUE(ui::isLoaded<FilterLibFrm>());
    return window();
}

void FiltersWindow::showInMainWindow(const QImage& picture) {
    Form1& main = ui::forms<Form1>();
    const picture::Picture shown = ui::PictureFromImage(picture);
    main.PictureCatalogue->setPicture(shown);
    main.ImageCatalogue->setPicture(shown);
}

void FiltersWindow::choose(int effect) {
    ui::Menu* item = window().EffectItems.at(effect);
    item->action()->trigger();
}

}  // namespace filterstest
