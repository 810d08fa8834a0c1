// Showing the current record: its picture (bound, or decoded through the hidden decoder
// into a plain bitmap), fitted and centred in the pane; its position and size in the
// navigation strip; the picture's size in pixels.

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "catalogue/picture_fitting.h"
#include "catalogue/temporary_files.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/screen.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "shell/module1.h"
#include "tools/picture_decoder.h"

namespace {
constexpr double kSizeLabelRight = 5600 + 360;  // LabelWH's design Left + Width
}  // namespace

void Form1::pComboCatalogue_Click() {
    try {
        LabelError->setVisible(false);
        if (Adodc3.recordset().recordCount() > 0) {
            WebBrowser1->setVisible(false);
            Module1::ThumbPageStart = Adodc3.recordset().absolutePosition();
            ShowRecordPicture();
        }
    } catch (const runtime::Error& e) {
        ui::services().MsgBox("Error#7: " + QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
        try {
            Adodc3.refresh();
        } catch (const runtime::Error&) {
        }
    }
}

void Form1::showFailureText() {
    LabelError->setVisible(true);
    ui::DoEvents();
    LabelError->setCaption("");
    LabelError->setCaption(LabelError->Caption() + "Error - " +
                           "Files and Videos and Music may be Loaded and Viewed by Clicking View in Editor or View in "
                           "Browser Icons.");
    setMousePointer(ui::vbDefault);
}

void Form1::ShowRecordPicture() {
    // Each showing takes a number; one that resumes after pending messages let a newer
    // showing run stops there, leaving the newer record's picture and texts in place.
    const unsigned generation = ++showingGeneration_;
    auto superseded = [&] { return generation != showingGeneration_; };
    auto step = [&](auto&& body) {
        try {
            body();
        } catch (const runtime::Error&) {
            if (!superseded()) showFailureText();
        } catch (const std::exception&) {
            if (!superseded()) showFailureText();
        }
    };

    bool stop = true;
    step([&] {
        db::Recordset& rs = Adodc3.recordset();
        stop = rs.recordCount() == 0 || rs.absolutePosition() < 1;
    });
    if (stop) return;  // also after a failure here, whose text is shown

    const ui::WaitCursor busy;
    step([&] { setMousePointer(ui::vbHourglass); });
    step([&] { Adodc1.recordset().setAbsolutePosition(Adodc3.recordset().absolutePosition()); });

    QString extent;
    bool decoded = true;  // a failure while testing the extension counts as a match
    step([&] {
        const db::Field field = Adodc3.recordset().field("PhotoXtent");
        extent = ui::fieldText(&field);
        decoded = catalogue::IsDecodedPictureExtension(extent);
    });
    if (decoded) {
        step([&] { showDecodedPicture(catalogue::ShowingExtension(extent)); });
        if (superseded()) return;
    } else if (catalogue::FallsBackToDecoder(extent, showsLogo())) {
        // Bytes nothing reads keep the logo with no failure text, as a bound record always did.
        try {
            showDecodedPicture(catalogue::ShowingExtension(extent));
        } catch (const runtime::Error&) {
        } catch (const std::exception&) {
        }
        if (superseded()) return;
    }

    step([&] {
        db::Recordset& rs = Adodc1.recordset();
        Text2->setText(catalogue::PositionText(rs.absolutePosition(), rs.recordCount()));
    });
    step([&] {
        const db::Value size = Adodc1.recordset().field("PhotoSize").value();
        const auto bytes = size.number();
        if (!bytes) runtime::raise(runtime::kErrTypeMismatch);
        Text1->setText(catalogue::SizeText(static_cast<int64_t>(*bytes)));
    });
    step([&] { setMousePointer(ui::vbDefault); });
}

// The decoder road: the record's bytes to TmpFile1.<ext>, decoded by the hidden decoder,
// saved as TmpFile.bmp and loaded from there. Only an image decoded from this record's
// bytes is shown: the bitmap of an earlier showing is deleted first, and when the decoder
// yields no image nothing is saved and the road fails.
void Form1::showDecodedPicture(const QString& extension) {
    const unsigned generation = showingGeneration_;
    const QString source = catalogue::TemporaryFile("TmpFile1." + extension);
    db::Recordset& rs = Adodc1.recordset();
    const auto size = rs.field("PhotoSize").value().number();
    if (!size) runtime::raise(runtime::kErrTypeMismatch);
    {
        // The bytes go from the catalogue to the file a piece at a time: the decoder reads
        // the file, and a picture's bytes held whole would be one copy too many.
        db::FieldReader bytes = rs.field("Photo").reader(static_cast<int64_t>(*size));
        sys::deleteFile(source.toStdString());
        bytes.writeToFile(source.toStdString());
    }

    const QString bitmap = catalogue::TemporaryFile("TmpFile.bmp");
    sys::deleteFile(bitmap.toStdString());

    Module1::DibImageFile = source;
    tools::Decoder().ShowImage(true, false);
    ui::DoEvents();
    if (generation != showingGeneration_) return;
    if (!tools::WriteDecodedBitmap(bitmap.toStdString())) runtime::raise(runtime::kErrInvalidPicture);
    ui::DoEvents();
    if (generation != showingGeneration_) return;
    PictureCatalogue->setPicture(picture::LoadPicture(bitmap.toStdString()));
}

bool Form1::showsLogo() const {
    return PictureCatalogue && PicLogo && PictureCatalogue->Picture().Handle() == PicLogo->Picture().Handle();
}

void Form1::PictureCatalogue_Change() {
    try {
        ImageCatalogue->setVisible(false);
        ImageCatalogue->setStretch(false);
        ImageCatalogue->setPicture(PictureCatalogue->Picture());
        const catalogue::FittedPicture fitted =
            catalogue::FitPictureIntoPane(ImageCatalogue->Width(), ImageCatalogue->Height(),
                                          PictureCatalogueFrame->Width(), PictureCatalogueFrame->Height());
        ImageCatalogue->setStretch(true);
        ImageCatalogue->Move(fitted.left, fitted.top, fitted.width, fitted.height);
        ImageCatalogue->setVisible(true);

        LabelWH->setVisible(false);
        if (showsLogo()) return;
        LabelWH->setCaption(catalogue::PictureSizeText(PictureCatalogue->Width(), PictureCatalogue->Height(),
                                                       ui::Screen::TwipsPerPixelX(), ui::Screen::TwipsPerPixelY()));
        // The label sizes itself to the text; it keeps its right edge, so that a long size
        // stays inside the narrow window and under the records grid.
        LabelWH->setLeft(kSizeLabelRight - LabelWH->Width());
        LabelWH->setVisible(true);
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::PictureCatalogueFrame_Click() { Timer3->setEnabled(false); }

void Form1::PictureCatalogueFrame_MouseMove(int, int, double, double) {
    for (int i = PictureMenu.LBound(); i <= PictureMenu.UBound(); ++i) {
        try {
            if (PictureMenu.contains(i)) PictureMenu[i]->setVisible(false);
        } catch (const runtime::Error&) {
        }
    }
}
