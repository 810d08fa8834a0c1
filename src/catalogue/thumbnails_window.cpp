#include "catalogue/thumbnails_window.h"

#include <algorithm>

#include "catalogue/catalogue_schema.h"
#include "catalogue/picture_fitting.h"
#include "catalogue/record_picture.h"
#include "catalogue/temporary_files.h"
#include "catalogue/window_pictures.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "shell/module1.h"
#include "tools/picture_decoder.h"

using runtime::resumeNext;

namespace catalogue {

ThumbnailSize FitThumbnail(float width, float height, float frameWidth, float frameHeight) {
    if (width < frameWidth && height < frameHeight) return {width, height};
    // Scaled to the frame's width first; the ratio comes from the width as set, so the
    // height follows in the same single-precision steps.
    ThumbnailSize fitted{frameWidth / width * width, 0};
    float ratio = fitted.width / width;
    fitted.height = ratio * height;
    if (fitted.height >= frameHeight) {
        const float tall = fitted.height;
        fitted.height = frameHeight / tall * tall;
        ratio = fitted.height / tall;
        fitted.width = ratio * fitted.width;
    }
    return fitted;
}

QString ThumbnailCaption(long position, const QString& name) {
    return QString::number(position) + "-" + name.left(15);
}

}  // namespace catalogue

namespace {

constexpr double kFirstCellLeft = 200;
constexpr double kFirstCellTop = 200;
constexpr double kCellStepX = 1700;
constexpr double kCellStepY = 1800;
constexpr double kRowEnd = 10000;  // a running left edge this far starts the next row
constexpr double kCellSize = 1500;
constexpr ui::COLORREF kBackColor = ui::RGB(50, 50, 50);
constexpr ui::COLORREF kCaptionColor = ui::RGB(176, 176, 187);
const QString kThumbnailTip = QStringLiteral("Click to View Picture");

}  // namespace

Form28::Form28() : Form("Form28") {
    Adodc3.onWillMove([this](db::MoveReason reason, db::Recordset& rs) { Adodc3_WillMove(reason, rs); });
    Adodc3.onMoveComplete([this](db::MoveReason reason, const runtime::Error* error, db::Recordset& rs) {
        Adodc3_MoveComplete(reason, error, rs);
    });
}

void Form28::createControls() {
    setCaption("Thumbnails");
    setBorderStyle(ui::vbFixedSingle);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(10644, 7920);

    Picture1 = create<ui::PictureBox>("Picture1", 120, 315, 10425, 7400);
    Picture1->setBorderStyle(0);

    // Element 0 of each array is the hidden template the cells are loaded from.
    ui::PictureBox* frame = create(PictureFrame, 0, 0, 0, kCellSize, kCellSize, Picture1);
    frame->setBorderStyle(0);
    frame->setVisible(false);
    ui::Image* image = create(Image1, 0, 0, 0, 1305, 1290, Picture1);
    image->setMousePointer(ui::vbCustom);
    image->setToolTipText(kThumbnailTip);
    image->setVisible(false);
    ui::Label* caption = create(Label1, 0, 0, kCellSize, kCellSize, 200, Picture1);
    caption->setAlignment(0);
    caption->setBackStyle(0);
    caption->setFont(ui::Font{QStringLiteral("Times New Roman"), 8.4});
    caption->setVisible(false);
    ui::Shape* outline = create(Shape1, 0, 0, 0, kCellSize, kCellSize, Picture1);
    outline->setVisible(false);

    auto pageButton = [this](const char* name, double left, const char* picture) {
        ui::CommandButton* button = create<ui::CommandButton>(name, left, 30, 555, 255);
        button->setStyle(1);
        button->setPicture(catalogue::windowPicture(picture));
        return button;
    };
    Command2 = pageButton("Command2", 150, "thumbs-previous.png");
    Command1 = pageButton("Command1", 9990, "thumbs-next.png");

    PictureCatalogue = create<ui::PictureBox>("PictureCatalogue", 0, 0, 100, 100);
    PictureCatalogue->setBorderStyle(0);
    PictureCatalogue->setAutoSize(true);
    PictureCatalogue->setVisible(false);
    PicLogo = create<ui::PictureBox>("PicLogo", 0, 0, 100, 100);
    PicLogo->setBorderStyle(0);
    PicLogo->setAutoSize(true);
    PicLogo->setVisible(false);
    PicLogo->setPicture(catalogue::logoPicture());

    Image1.bind(&ui::Image::Click, [this](int Index) { Image1_Click(Index); });
    Command1->Click = [this] { Command1_Click(); };
    Command2->Click = [this] { Command2_Click(); };
}

void Form28::closeDataControls() { Adodc3.close(); }

void Form28::Form_Load() {
    ThumbBuildStopped = false;
    Module1::ThumbPageReopening = false;
    resumeNext([&] { setBackColor(kBackColor); });
    resumeNext([&] { Picture1->setBackColor(BackColor()); });
    // Before the cells are loaded, so every caption copies it.
    resumeNext([&] { Label1[0]->setForeColor(kCaptionColor); });
    resumeNext([&] { Command1->setBackColor(BackColor()); });
    resumeNext([&] { Command2->setBackColor(BackColor()); });
    Module1::ThumbnailsWindowOpen = true;

    resumeNext([&] { Adodc3.setCursorLocation(2); });
    resumeNext([&] { Adodc3.setConnectionString(catalogue::CatalogueConnectionString().toStdString()); });
    resumeNext([&] {
        // The main window's full-record query, so both windows number the records alike.
        Adodc3.setRecordSource(catalogue::FullPictureQuery(Module1::SortByName, Module1::CategoryFilterOn,
                                                           Module1::text(Module1::CategoryFilterName))
                                   .toStdString());
    });
    resumeNext([&] { Adodc3.refresh(); });
    layOutCells();
}

void Form28::layOutCells() {
    ThumbCellLeft = kFirstCellLeft;
    ThumbCellTop = kFirstCellTop;
    for (ThumbCellIndex = 1; ThumbCellIndex <= kCells; ++ThumbCellIndex) {
        const int k = ThumbCellIndex;
        resumeNext([&] { PictureFrame.load(k); });
        resumeNext([&] { Image1.load(k); });
        resumeNext([&] { Label1.load(k); });
        resumeNext([&] { Shape1.load(k); });
        if (ThumbCellLeft >= kRowEnd) {
            ThumbCellLeft = kFirstCellLeft;
            ThumbCellTop += kCellStepY;
            resumeNext([&] { Picture1->setHeight(ThumbCellTop + kCellStepY); });
        }
        resumeNext([&] { PictureFrame[k]->Move(ThumbCellLeft, ThumbCellTop); });
        resumeNext([&] { Shape1[k]->Move(ThumbCellLeft, ThumbCellTop); });
        resumeNext([&] { Image1[k]->Move(ThumbCellLeft, ThumbCellTop); });
        resumeNext([&] { Label1[k]->Move(ThumbCellLeft, ThumbCellTop + PictureFrame[k]->Height()); });
        resumeNext([&] { Label1[k]->setVisible(true); });
        resumeNext([&] { Shape1[k]->setVisible(true); });
        resumeNext([&] { Image1[k]->setVisible(true); });
        resumeNext([&] { Image1[k]->setToolTipText(kThumbnailTip); });
        ThumbCellLeft += kCellStepX;
    }
}

bool Form28::pumpAndCheckStopped() {
    ui::DoEvents();
    return ThumbBuildStopped;
}

// Every page is built in a window of its own. The build lets pending messages run after
// each thumbnail, so the user may close this window, page on or click a thumbnail while
// it runs; each of these closes the window, and from then on the interrupted build
// touches nothing: neither window's controls nor either record set.
void Form28::CmdCatalogueThumb_Click() {
    resumeNext([&] { Command1->setVisible(false); });
    resumeNext([&] { Command2->setVisible(false); });
    Module1::QuitOnMainWindowUnload = false;
    resumeNext([&] { setMousePointer(ui::vbHourglass); });
    for (int k = 1; k <= kCells; ++k) {
        resumeNext([&] { PictureFrame[k]->setVisible(false); });
        resumeNext([&] { Label1[k]->setVisible(false); });
        resumeNext([&] { Image1[k]->setVisible(false); });
    }
    if (pumpAndCheckStopped()) return;

    // A main window without a current record hands over no position (-1): the pages
    // then start at the first record, with no previous page to offer.
    if (Module1::number(Module1::ThumbPageStart) < 1) Module1::ThumbPageStart = 1;
    const long pageStart = Module1::number(Module1::ThumbPageStart);
    resumeNext([&] { Adodc3.recordset().setAbsolutePosition(pageStart); });

    ThumbCellLeft = kFirstCellLeft;
    ThumbCellTop = kFirstCellTop;
    ThumbCellIndex = 1;
    for (;;) {
        if (ThumbBuildStopped) return;
        bool onRecord = false;
        resumeNext([&] { onRecord = Adodc3.recordset().hasCurrentRow(); });
        if (!onRecord) break;  // an empty record set, or one that did not open
        const int k = ThumbCellIndex;

        QString extent;
        resumeNext([&] {
            const db::Field field = Adodc3.recordset().field("PhotoXtent");
            extent = ui::fieldText(&field);
        });
        bool showsLogo = false;
        resumeNext([&] { showsLogo = PictureCatalogue->Picture() == PicLogo->Picture(); });
        if (catalogue::IsDecodedPictureExtension(extent) || catalogue::FallsBackToDecoder(extent, showsLogo)) {
            showDecodedPicture(extent);
            if (ThumbBuildStopped) return;
        }
        resumeNext([&] { Image1[k]->setPicture(PictureCatalogue->Picture()); });
        if (ThumbCellLeft >= kRowEnd) {
            ThumbCellLeft = kFirstCellLeft;
            ThumbCellTop += kCellStepY;
        }
        resumeNext([&] { Image1[k]->Move(ThumbCellLeft, ThumbCellTop); });
        Adjust_Form28_Image1();
        resumeNext([&] { Image1[k]->setVisible(true); });
        resumeNext([&] {
            ui::Image* image = Image1[k];
            if (image->Height() < kCellSize) image->setTop(ThumbCellTop + (kCellSize - image->Height()) / 2);
            if (image->Width() < kCellSize) image->setLeft(ThumbCellLeft + (kCellSize - image->Width()) / 2);
        });
        resumeNext([&] {
            db::Recordset& rs = Adodc3.recordset();
            const db::Field name = rs.field("PhotoDescription");
            Label1[k]->setCaption(catalogue::ThumbnailCaption(rs.absolutePosition(), ui::fieldText(&name)));
        });
        resumeNext([&] { Image1[k]->setStretch(true); });
        resumeNext([&] { Label1[k]->setVisible(true); });
        resumeNext([&] { Shape1[k]->setVisible(true); });
        resumeNext([&] { Image1[k]->setVisible(true); });
        resumeNext([&] { Image1[k]->setToolTipText(kThumbnailTip); });
        ThumbCellLeft += kCellStepX;
        resumeNext([&] { Adodc3.recordset().moveNext(); });

        bool last = true;
        resumeNext([&] { last = ThumbCellIndex == kCells || Adodc3.recordset().absolutePosition() == -3; });
        if (last) break;
        ++ThumbCellIndex;
        if (pumpAndCheckStopped()) return;
    }

    resumeNext([&] {
        if (Adodc3.recordset().absolutePosition() == -1) Adodc3.recordset().moveLast();
    });
    resumeNext([&] { setMousePointer(ui::vbDefault); });
    resumeNext([&] { Command1->setVisible(Adodc3.recordset().recordCount() - pageStart >= kCells); });
    resumeNext([&] { Command2->setVisible(pageStart != 1); });
}

// The formats the platform's picture loader refuses (by their type, or found so when it
// read nothing from a bound record) go through the hidden decoder: the
// record's bytes to TmpPic2.<extension as stored>, decoded, written as TmpFile.bmp and
// loaded from there. A picture that does not decode leaves the box as the move left it
// (the logo), never with an earlier record's bitmap.
void Form28::showDecodedPicture(const QString& photoXtent) {
    const QString path = catalogue::TemporaryFile("TmpPic2." + photoXtent.right(3));
    // The bytes go from the catalogue to the file a piece at a time: the decoder reads the
    // file, and a picture's bytes held whole would be one copy too many.
    db::FieldReader bytes;
    resumeNext([&] {
        db::Recordset& rs = Adodc3.recordset();
        const auto size = rs.field("PhotoSize").value().number();
        if (!size) runtime::raise(runtime::kErrTypeMismatch);
        bytes = rs.field("Photo").reader(static_cast<int64_t>(*size));
    });
    bool written = false;
    resumeNext([&] {
        if (sys::fileExists(path.toStdString())) sys::deleteFile(path.toStdString());
        bytes.writeToFile(path.toStdString());
        written = true;
    });
    bytes = db::FieldReader();
    if (!written) return;

    const QString bitmap = catalogue::TemporaryFile("TmpFile.bmp");
    sys::deleteFile(bitmap.toStdString());
    Module1::DibImageFile = path;
    resumeNext([] { tools::Decoder().ShowImage(true, false); });
    if (pumpAndCheckStopped()) return;
    bool saved = false;
    resumeNext([&] { saved = tools::WriteDecodedBitmap(bitmap.toStdString()); });
    if (pumpAndCheckStopped()) return;
    if (!saved) return;
    resumeNext([&] { PictureCatalogue->setPicture(picture::LoadPicture(bitmap.toStdString())); });
}

void Form28::Adjust_Form28_Image1() {
    try {
        ui::Image* image = Image1[ThumbCellIndex];
        const ui::PictureBox* frame = PictureFrame[ThumbCellIndex];
        image->setStretch(false);
        const catalogue::ThumbnailSize fitted =
            catalogue::FitThumbnail(static_cast<float>(image->Width()), static_cast<float>(image->Height()),
                                    static_cast<float>(frame->Width()), static_cast<float>(frame->Height()));
        image->setWidth(fitted.width);
        image->setHeight(fitted.height);
        image->setStretch(true);
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form28::Adodc3_WillMove(db::MoveReason, db::Recordset&) {
    resumeNext([&] { setMousePointer(ui::vbHourglass); });
    resumeNext([&] { PictureCatalogue->setPicture(picture::Picture()); });
}

void Form28::Adodc3_MoveComplete(db::MoveReason, const runtime::Error*, db::Recordset& pRecordset) {
    resumeNext([&] {
        const db::Field extent = pRecordset.field("PhotoXtent");
        bindPictureBox(catalogue::IsBoundPictureExtension(ui::fieldText(&extent)));
    });
    resumeNext([&] {
        if (PictureCatalogue->Picture().Handle() == 0) PictureCatalogue->setPicture(PicLogo->Picture());
    });
}

// Bound, the box shows the row's stored bytes as the platform's picture loader reads
// them, or nothing; the binding is one-way, so nothing is ever written to the record.
void Form28::bindPictureBox(bool bound) {
    if (!bound) return;
    PictureCatalogue->setPicture(catalogue::BoundPhotoPicture(Adodc3.recordset()));
}

void Form28::Image1_Click(int Index) {
    if (ThumbBuildStopped) return;  // the window is already closing
    resumeNext([&] { Image1[Index]->setMousePointer(ui::vbHourglass); });
    resumeNext([&] { ClickedCaptionDashPos = static_cast<int>(Label1[Index]->Caption().indexOf('-')) + 1; });
    ClickedThumbIndex = Index;
    Module1::ThumbReturnAction = Module1::kMoveForm1ToThumbnail;
    Module1::ThumbPageReopening = false;
    ui::DoEvents();
    resumeNext([&] { Unload(); });
}

void Form28::Form_Unload(int&) {
    try {
        ThumbBuildStopped = true;
        ui::DoEvents();
        Module1::QuitOnMainWindowUnload = false;
        ui::DoEvents();
        if (Module1::ThumbPageReopening) return;
        if (Module1::ThumbReturnAction == Module1::kMoveForm1ToThumbnail) {
            if (ClickedCaptionDashPos < 1) runtime::raise(runtime::kErrInvalidProcedureCall);
            Module1::ThumbReturnPosition = Label1[ClickedThumbIndex]->Caption().left(ClickedCaptionDashPos - 1);
        }
        Module1::ReturnFromThumbnails();
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbCritical, QString());
    }
}

void Form28::Command1_Click() {
    if (ThumbBuildStopped) return;
    Module1::ThumbPageStart = Module1::number(Module1::ThumbPageStart) + kCells;
    Module1::ReopenThumbnailPage();
}

void Form28::Command2_Click() {
    if (ThumbBuildStopped) return;
    Module1::ThumbPageStart = std::max(1L, Module1::number(Module1::ThumbPageStart) - kCells);
    Module1::ReopenThumbnailPage();
}
