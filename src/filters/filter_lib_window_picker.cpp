// The colour picker of the Filters window: a thumbnail of the main window's picture that
// gives the picked colour, zoomed between a small strip above the pane and a large
// view over it, and dragged while large.

#include "filters/filter_lib_window.h"

#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"

namespace {

constexpr double kSmallHeight = 470;
constexpr double kSmallLeft = 1836;
constexpr double kEnlargement = 1.2;  // the large view is the shown picture's size / 1.2
constexpr ui::COLORREF kFirstPickedColour = ui::RGB(224, 224, 224);

}  // namespace

void FilterLibFrm::createPicker() {
    PictureCatalogue = create<ui::PictureBox>("PictureCatalogue", kSmallLeft, 0, 700, kSmallHeight);
    PictureCatalogue->setScaleMode(ui::vbPixels);
    PictureCatalogue->setAutoRedraw(true);
    PictureCatalogue->setVisible(false);
    PictureCatalogue->setMouseIcon(QCursor(QPixmap::fromImage(catalogue::windowPicture("eyedropper.png")), 9, 20));
    Text2 = create<ui::TextBox>("Text2", 1560, 20, 204, 204);
    Text2->setEnabled(false);
    Text2->setVisible(false);
    Text2->setBackColor(kFirstPickedColour);
    ImagePickerZoom = create<ui::Image>("ImagePickerZoom", 1510, 228, 288, 288);
    ImagePickerZoom->setStretch(true);
    ImagePickerZoom->setImage(catalogue::windowPicture("tool-find.png"));
    ImagePickerZoom->setVisible(false);

    ImagePickerZoom->Click = [this] { ImagePickerZoom_Click(); };
    PictureCatalogue->MouseDown = [this](int b, int s, double x, double y) { PictureCatalogue_MouseDown(b, s, x, y); };
    PictureCatalogue->MouseMove = [this](int b, int s, double x, double y) { PictureCatalogue_MouseMove(b, s, x, y); };
}

bool FilterLibFrm::isPickerSmall() const { return PictureCatalogue->Height() == kSmallHeight; }

void FilterLibFrm::ImagePickerZoom_Click() {
    const double shownWidth = ImageCatalogue->Width(), shownHeight = ImageCatalogue->Height();
    if (isPickerSmall()) {
        const double width = shownWidth / kEnlargement, height = shownHeight / kEnlargement;
        PictureCatalogue->Move(PictureCont->Left() + PictureCont->Width() / 2 - width / 2,
                               PictureCont->Top() + PictureCont->Height() / 2 - height / 2, width, height);
    } else {
        makePickerSmall();
    }
    paintThumbnail();
}

void FilterLibFrm::closeEnlargedPicker() {
    if (!isPickerSmall()) ImagePickerZoom_Click();
}

void FilterLibFrm::makePickerSmall() {
    PictureCatalogue->Move(kSmallLeft, 0, ImageCatalogue->Width() / ImageCatalogue->Height() * kSmallHeight,
                           kSmallHeight);
}

void FilterLibFrm::paintThumbnail() {
    runtime::resumeNext([&] {
        PictureCatalogue->PaintPicture(ui::loaded<Form1>().ImageCatalogue->Picture(), 0, 0,
                                       PictureCatalogue->ScaleWidth(), PictureCatalogue->ScaleHeight());
    });
}

void FilterLibFrm::PictureCatalogue_MouseDown(int, int, double X, double Y) {
    DragStartX = static_cast<float>(X);
    DragStartY = static_cast<float>(Y);
    // Picking takes the thumbnail's colour, not the result's, and applies nothing: the
    // colour counts from the next application on.
    if (PictureCatalogue->MousePointer() != ui::vbCustom) return;
    const long colour = PictureCatalogue->Point(DragStartX, DragStartY);
    if (colour >= 0) Text2->setBackColor(static_cast<ui::COLORREF>(colour));
}

void FilterLibFrm::PictureCatalogue_MouseMove(int Button, int, double X, double Y) {
    if (isPickerSmall() || Button != ui::vbLeftButton) return;
    // The grabbed point follows the pointer: the offset in thumbnail pixels, moved in
    // the window's twips.
    PictureCatalogue->setLeft(PictureCatalogue->Left() + ui::Surface::ScaleX(X - DragStartX, ui::vbPixels, ui::vbTwips));
    PictureCatalogue->setTop(PictureCatalogue->Top() + ui::Surface::ScaleY(Y - DragStartY, ui::vbPixels, ui::vbTwips));
}
