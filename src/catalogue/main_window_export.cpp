// The File menu's picture export: the current record saved to a file, the shown picture
// copied to the clipboard or saved as JPEG at the quality of the panel's slider.
//
// Every file is written to a temporary name and renamed over the chosen one only when
// complete, so an existing file of that name is replaced without first being deleted:
// a write that fails leaves it as it was, and no half-written file is ever left.

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "catalogue/main_window.h"
#include "catalogue/temporary_files.h"
#include "platform/picconvert/picconvert.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/handlers.h"
#include "platform/ui/outside_programs.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "shell/module1.h"

namespace {

const QString kLineBreak = "\r\n";

// The slider's value: the thumb centre's distance in twips from the track's left end,
// a fifth of it, rounded down. The 500-twip track spans 0 to 100.
int sliderQuality(const ui::Control& thumb, const ui::Control& track) {
    return static_cast<int>(std::floor((thumb.Width() / 2 + thumb.Left() - track.Left()) / 5));
}

QString fieldOf(db::DataControl& data, const char* column) {
    const db::Field field = data.recordset().field(column);
    return ui::fieldText(&field);
}

// The proposed name is a name, never a way into another folder: a record's name may
// hold a "/", which the dialog would take as a folder.
QString proposedFileName(const QString& name, const QString& extension) {
    QString title = name;
    title.replace('/', '_');
    return title + "." + extension;
}

// The dialog's default extension: a name typed without one gets it.
QString withDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || ui::fileTitle(path).contains('.')) return path;
    return path + "." + extension;
}

// The catalogue is open while the window runs; on this platform nothing would stop a
// rename over it, so it is refused as the locked file it is.
void refuseCatalogueFile(const QString& path) {
    const std::string catalogue = Module1::text(Module1::ProgramFolder).toStdString() + "/Quillmere.mdb";
    std::error_code error;
    if (std::filesystem::equivalent(path.toStdString(), catalogue, error))
        runtime::raise(runtime::kErrPathFileAccess);
}

}  // namespace

void Form1::SaveRecordToFile() {
    CommonDialog1.Flags = ui::cdlOFNHideReadOnly;
    CommonDialog1.CancelError = true;
    CommonDialog1.Filter = "";
    if (Adodc3.recordset().recordCount() < 1) return;
    Adodc1.recordset().setAbsolutePosition(Adodc3.recordset().absolutePosition());

    const QString extension = fieldOf(Adodc1, "PhotoXtent").toLower();
    const QString name = fieldOf(Adodc1, "PhotoDescription");
    const bool asBitmap = extension == "bmp" || CheckBMP->Value() == 1;
    if (asBitmap && PictureCatalogue->Picture().Handle() == PicLogo->Picture().Handle()) return;

    const QString defaultExt = asBitmap ? QString("bmp") : extension;
    CommonDialog1.FileName = proposedFileName(name, defaultExt);
    CommonDialog1.ShowSave();
    CommonDialog1.FileName = withDefaultExtension(CommonDialog1.FileName, defaultExt);
    const QString path = CommonDialog1.FileName;
    if (path.isEmpty()) {
        ui::services().Beep();
        return;
    }
    refuseCatalogueFile(path);
    {
        const ui::WaitCursor busy;
        if (asBitmap) {
            // An icon or cursor is drawn into a bitmap first: a .bmp file holds a bitmap.
            picture::SavePicture(picture::asBitmap(PictureCatalogue->Picture()), path.toStdString());
        } else {
            const std::optional<double> size = Adodc1.recordset().field("PhotoSize").value().number();
            if (!size || *size < 0) runtime::raise(runtime::kErrTypeMismatch);
            const db::Bytes bytes = Adodc1.recordset().field("Photo").getChunk(static_cast<int64_t>(*size));
            sys::writeFile(path.toStdString(), bytes);
        }
    }

    const int answer = ui::services().MsgBox(
        "Saved to: " + path + kLineBreak + kLineBreak + "Would you like to View?",
        runtime::vbYesNo + runtime::vbInformation, QString());
    if (answer != runtime::vbYes) return;
    const QString shownExtent = fieldOf(Adodc3, "PhotoXtent");
    if (shownExtent == "ICO" || shownExtent == "CUR") {
        ui::services().MsgBox("This Picture Format can Only be Saved to Disk.", runtime::vbOKOnly, QString());
        return;
    }
    ui::openWithRegisteredProgram(path);
}

void Form1::CopyShownPictureToClipboard() {
    ui::services().clearClipboard();
    // An empty picture puts nothing there, and says nothing.
    const QImage image = ui::ImageFromPicture(PictureCatalogue->Picture());
    if (!image.isNull()) ui::services().setClipboardImage(image);
}

void Form1::SaveShownPictureAsJpeg() {
    if (Adodc3.recordset().recordCount() < 1) return;
    const QString extent = fieldOf(Adodc3, "PhotoXtent");
    for (const char* compressed : {"WMF", "GIF", "ICO", "RLE", "CUR", "EMF"}) {
        if (extent == compressed) {
            ui::services().MsgBox("File Format is in Compressed Mode and need Not be Compressed.",
                                  runtime::vbOKOnly, QString());
            return;
        }
    }
    CommonDialog1.Flags = ui::cdlOFNHideReadOnly;
    CommonDialog1.CancelError = true;
    CommonDialog1.Filter = "";
    const int quality = std::clamp(sliderQuality(*CommandJPGSlider, *Frame1), 1, 100);

    // The converter reads a bitmap file, so the shown picture goes through one.
    const QString bitmap = catalogue::TemporaryFile("TmpFile.bmp");
    {
        const ui::WaitCursor busy;
        picture::SavePicture(PictureCatalogue->Picture(), bitmap.toStdString());
    }

    CommonDialog1.FileName = proposedFileName(fieldOf(Adodc3, "PhotoDescription"), "jpg");
    CommonDialog1.ShowSave();
    CommonDialog1.FileName = withDefaultExtension(CommonDialog1.FileName, "jpg");
    const QString path = CommonDialog1.FileName;
    if (path.isEmpty()) {
        ui::services().Beep();
        return;
    }
    refuseCatalogueFile(path);
    uint64_t length = 0;
    {
        const ui::WaitCursor busy;
        picconvert::SaveBmpToJpeg(bitmap.toStdString(), path.toStdString(), quality);
        length = sys::fileSize(path.toStdString());
    }

    const int answer = ui::services().MsgBox("Picture Saved to: " + path + kLineBreak + kLineBreak + "File Size=" +
                                                 QString::number(length / 1000) + " K" + kLineBreak +
                                                 "Would you like to View/Edit the Picture?",
                                             runtime::vbYesNo + runtime::vbInformation, QString());
    if (answer == runtime::vbYes) ui::openWithRegisteredProgram(path);
}

void Form1::CommandJPGSlider_MouseDown(int, int, double X, double) {
    runtime::resumeNext([&] {
        TextPGQuaL->setVisible(true);
        TextPGQuaL->ZOrder(0);
    });
    runtime::resumeNext([&] { CommandJPGSlider->ZOrder(0); });
    SliderGrabX = static_cast<float>(X);
    runtime::resumeNext([&] { TextPGQuaL->setText(QString::number(sliderQuality(*CommandJPGSlider, *Frame1))); });
}

void Form1::CommandJPGSlider_MouseMove(int Button, int, double X, double) {
    try {
        ui::CommandButton& thumb = *CommandJPGSlider;
        // A pointer that left the thumb sideways has lost it until it comes back.
        if (X < 0 || X > thumb.Width()) return;
        ui::DoEvents();
        if (Button != 1 || !CommandJPGSlider) return;
        const double halfWidth = CommandJPGSlider->Width() / 2;
        const double trackStart = Frame1->Left(), trackEnd = Frame1->Left() + Frame1->Width();
        CommandJPGSlider->setLeft(CommandJPGSlider->Left() + X - SliderGrabX);
        if (CommandJPGSlider->Left() < trackStart - halfWidth) {
            CommandJPGSlider->setLeft(trackStart - halfWidth);
            return;
        }
        if (CommandJPGSlider->Left() > trackEnd - halfWidth) {
            CommandJPGSlider->setLeft(trackEnd - halfWidth);
            return;
        }
        TextPGQuaL->setText(QString::number(sliderQuality(*CommandJPGSlider, *Frame1)));
    } catch (const std::exception&) {
    }
}

void Form1::CommandJPGSlider_MouseUp(int, int, double, double) {
    runtime::resumeNext([&] { TextPGQuaL->setVisible(false); });
    runtime::resumeNext([&] { PictureMenu[0]->SetFocus(); });
}
