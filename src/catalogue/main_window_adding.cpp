// Adding one record: a file chosen in the open-file dialog, stored unchanged, or the
// clipboard's picture under a typed name, stored as a bitmap or, with compression on,
// as a JPEG of quality 100.

#include <optional>

#include <QDate>
#include <QDateTime>

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "catalogue/large_file_alert.h"
#include "catalogue/temporary_files.h"
#include "platform/db/errors.h"
#include "platform/picconvert/picconvert.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"

namespace {

const QString kSupportedFiles =
    "All Supported Files (*.*)|*.*"
    "|Bitmaps (*.bmp)|*.bmp"
    "|GIF files (*.gif)|*.gif"
    "|JPG files (*.jpg)|*.jpg"
    "|Portable Network Graphics (*.png)|*.png"
    "|Targa files (*.tga)|*.tga"
    "|Tagged Image Format (*.tif)|*.tif"
    "|Enhanced Metafiles (*.emf)|*.emf"
    "|Windows Metafiles (*.wmf)|*.wmf"
    "|RLE files (*.rle)|*.rle"
    "|Icons (*.ico)|*.ico"
    "|Cursors (*.cur)|*.cur";

// The run's own kind of ending: the user declined, nothing is stored.
struct RunDeclined {};

}  // namespace

void Form1::CmdCatalogueOpen_Click() {
    QString name;
    QString source;
    // The pasted picture's bitmap has a private name of the program's, never one built
    // from the typed name, so no typed text can reach another file or folder.
    QString pastedBitmap;
    // From the chosen file on, over every window; never over a message of the run's end.
    std::optional<ui::WaitCursor> busy;
    try {
        Timer3->setEnabled(false);
        // The new row would save the record panel's typed text on its way; a refusal of
        // that text is told as what it is, and nothing is added.
        if (!SaveRecordEdit()) {
            PasteFromClipboardMode = false;
            return;
        }
        if (!PasteFromClipboardMode) {
            CommonDialog1.FileName = "";
            CommonDialog1.Filter = kSupportedFiles;
            CommonDialog1.Flags = 4;
            CommonDialog1.ShowOpen();
            if (CommonDialog1.FileName.isEmpty()) return;
            source = CommonDialog1.FileName;
            name = catalogue::PhotoDescriptionOf(CommonDialog1.FileTitle);
        }
        busy.emplace();
        ImageCatalogue->setVisible(false);
        ui::DoEvents();
        PictureBindingEnabled = false;

        if (PasteFromClipboardMode) {
            PictureCatalogue->setPicture(ui::PictureFromImage(ui::services().clipboardImage()));
            if (PictureCatalogue->Picture().Handle() == 0) {
                ui::services().MsgBox("There is No Valid Picture Data on the Clipboard", runtime::vbOKOnly, QString());
                Adodc3.refresh();
                throw RunDeclined{};
            }
            name = ui::services().InputBox("Enter Picture Name", "Pasting Picture from Clipboard", QString());
            if (name.isEmpty()) throw RunDeclined{};
            pastedBitmap = catalogue::TemporaryFile("TmpPaste.bmp");
            picture::SavePicture(PictureCatalogue->Picture(), pastedBitmap.toStdString());
            setMousePointer(ui::vbHourglass);

            if (CheckCompress->Value() != 0) {
                PictureBindingEnabled = true;
                // A JPEG left by an earlier conversion must never stand in for this one.
                source = catalogue::TemporaryFile("TmpFile.jpg");
                sys::deleteFile(source.toStdString());
                picconvert::SaveBmpToJpeg(pastedBitmap.toStdString(), source.toStdString(), 100);
            } else {
                if (const auto question = catalogue::LargeFileAlertText(sys::fileSize(pastedBitmap.toStdString()))) {
                    const int answer = ui::services().MsgBox(*question, runtime::vbYesNo + runtime::vbExclamation,
                                                             catalogue::kLargeFileAlertTitle);
                    if (answer == runtime::vbNo) throw RunDeclined{};
                }
                source = pastedBitmap;
            }
        }
        if (!PasteFromClipboardMode || CheckCompress->Value() == 0) {
            LabelError->setCaption("");
            LabelError->setVisible(true);
            LabelError->setCaption("Loading Please Wait...");
            ui::DoEvents();
        }

        const std::string sourcePath = source.toStdString();
        const int64_t length = sys::fileExists(sourcePath) ? static_cast<int64_t>(sys::fileSize(sourcePath)) : 0;
        LastLoadedFileLength = static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
        if (length == 0) {
            ui::services().MsgBox(source + " Empty or Not Found.", runtime::vbOKOnly, QString());
            throw RunDeclined{};
        }

        // The new row and its bytes are saved together in one transaction; the file is
        // read into the catalogue piece by piece, never held whole in memory.
        db::Recordset& rs = Adodc3.recordset();
        rs.addNew();
        rs.field("PhotoDescription").setValue(name.toStdString());
        rs.field("PhotoXtent").setValue(catalogue::PhotoExtentOf(source).toStdString());
        rs.field("PhotoSize").setValue(length);
        const QDate today = ui::services().Now().date();
        rs.field("Date").setValue(db::Date{today.year(), today.month(), today.day()});
        rs.field("Photo").appendChunkFromFile(sourcePath);
        rs.update();

        Adodc3.refresh();
        PictureBindingEnabled = true;
        CmdPictures_Click();
        if (CheckSort->Value() != 0)
            Adodc3.recordset().find(catalogue::NameEqualsCriterion(name).toStdString());
        else
            Adodc3.recordset().moveLast();
    } catch (const RunDeclined&) {
    } catch (const runtime::Error& e) {
        busy.reset();
        if (e.number() != runtime::kErrCancel) {
            PasteFromClipboardMode = false;
            setMousePointer(ui::vbDefault);
            if (e.number() == db::kErrDuplicateServer)
                ui::services().MsgBox("Cannot Load Duplicate Picture Names in the DataBase.", runtime::vbCritical,
                                      QString());
            else
                ui::services().MsgBox("Error Encountered. Format may Not be Supported. Use Paste from Clipboard in "
                                      "the Tool Bar to Load Unsupported Format.",
                                      runtime::vbOKOnly, QString());
            runtime::resumeNext([&] { Adodc3.refresh(); });
        }
    }
    endAdding(pastedBitmap);
}

// Every run that got past the dialog ends here, stored or not: the record current now
// is shown afresh, so neither another record's picture, nor the clipboard's, nor the
// progress text stays in the pane.
void Form1::endAdding(const QString& pastedBitmap) {
    PasteFromClipboardMode = false;
    setMousePointer(ui::vbDefault);
    ImageCatalogue->setVisible(true);
    if (!pastedBitmap.isEmpty()) sys::deleteFile(pastedBitmap.toStdString());
    resumePictureBinding();
}
