// The current record in outside programs and in the browser pane laid over the picture
// pane, and the help document in the same pane.

#include <filesystem>
#include <optional>

#include "catalogue/main_window.h"
#include "catalogue/picture_fitting.h"
#include "catalogue/temporary_files.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/handlers.h"
#include "platform/ui/outside_programs.h"
#include "platform/ui/services.h"
#include "resources/resources.h"
#include "shell/module1.h"

namespace {

// Icons and cursors are stored for keeping, not for handing to other programs.
bool refusedForViewers(const QString& extent) {
    if (extent != "ICO" && extent != "CUR") return false;
    ui::services().MsgBox("This Picture Format can Only be Saved to Disk.", runtime::vbOKOnly, QString());
    return true;
}

// The file an outside program gets a record's stored bytes in: TmpFile named by the
// record's type, so that a .jpeg goes out as TmpFile.jpg.
QString viewerFile(const QString& extent, const db::Bytes& bytes) {
    return catalogue::TemporaryFile("TmpFile." + catalogue::ShowingExtension(extent, bytes));
}

void writeBytes(const QString& path, const db::Bytes& bytes) {
    sys::deleteFile(path.toStdString());
    sys::writeFile(path.toStdString(), bytes);
}

}  // namespace

void Form1::connectViewers() {
    ImageCatalogue->Click = [this] { ImageCatalogue_Click(); };
    ImageCatalogue->DblClick = [this] { ImageCatalogue_DblClick(); };
}

QString Form1::currentExtent() {
    const db::Field extent = Adodc3.recordset().field("PhotoXtent");
    return ui::fieldText(&extent);
}

db::Bytes Form1::currentRecordBytes() {
    Adodc1.recordset().setAbsolutePosition(Adodc3.recordset().absolutePosition());
    db::Recordset& rs = Adodc1.recordset();
    const auto size = rs.field("PhotoSize").value().number();
    if (!size) runtime::raise(runtime::kErrTypeMismatch);
    return rs.field("Photo").getChunk(static_cast<int64_t>(*size));
}

// The file an outside program or the browser pane is given: a bitmap record as the
// picture it shows, any other as its stored bytes.
QString Form1::writeViewerFile() {
    const QString extent = currentExtent();
    if (extent.toLower() == "bmp") {
        const QString path = catalogue::TemporaryFile("TmpFile.bmp");
        picture::SavePicture(PictureCatalogue->Picture(), path.toStdString());
        return path;
    }
    const db::Bytes bytes = currentRecordBytes();
    const QString path = viewerFile(extent, bytes);
    writeBytes(path, bytes);
    return path;
}

void Form1::CmdCatalogueEdit_Click() {
    try {
        if (Adodc3.recordset().recordCount() < 1) return;
        Timer3->setEnabled(false);
        Adodc1.recordset().setAbsolutePosition(Adodc3.recordset().absolutePosition());
        if (refusedForViewers(currentExtent())) return;
        ui::openWithRegisteredProgram(writeViewerFile());
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::ImageCatalogue_DblClick() {
    bool empty = false;
    runtime::resumeNext([&] { empty = Adodc3.recordset().recordCount() < 1; });
    if (empty) {
        ui::services().Beep();
        return;
    }
    runtime::resumeNext([&] { Timer3->setEnabled(false); });
    bool refused = false;
    runtime::resumeNext([&] {
        Adodc1.recordset().setAbsolutePosition(Adodc3.recordset().absolutePosition());
        refused = refusedForViewers(currentExtent());
    });
    if (refused) return;
    // The stored bytes for every extension, bitmaps included: the editor gets the file
    // as it was added.
    std::optional<db::Bytes> bytes;
    runtime::resumeNext([&] { bytes = currentRecordBytes(); });
    QString path;
    runtime::resumeNext([&] { path = viewerFile(currentExtent(), bytes ? *bytes : db::Bytes()); });
    runtime::resumeNext([&] {
        if (bytes) writeBytes(path, *bytes);
    });
    runtime::resumeNext([&] { ui::openInPaintProgram(path); });
}

void Form1::ImageBowse_Click() {
    try {
        Timer3->setEnabled(false);
        WebBrowser1->Navigate("about: blank");
        ui::DoEvents();
        if (WebBrowser1->Visible()) {
            WebBrowser1->setVisible(false);
            WebBrowser1->Navigate("about: blank");
            ImageCatalogue->setVisible(true);
            return;
        }
        Adodc1.recordset().setAbsolutePosition(Adodc3.recordset().absolutePosition());
        if (refusedForViewers(currentExtent())) return;
        const QString path = writeViewerFile();
        WebBrowser1->Move(PictureCatalogueFrame->Left(), PictureCatalogueFrame->Top(), PictureCatalogueFrame->Width(),
                          PictureCatalogueFrame->Height());
        WebBrowser1->Navigate(path);
        ui::DoEvents();
        WebBrowser1->setVisible(true);
        WebBrowser1->ZOrder(0);
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::ToggleHelp() {
    Timer3->setEnabled(false);
    const std::string help = catalogue::TemporaryFile("Help.mht").toStdString();
    sys::deleteFile(help);
    sys::writeFile(help, resources::helpDocument());
    if (!WebBrowser1->Visible()) {
        WebBrowser1->Move(PictureCatalogueFrame->Left(), PictureCatalogueFrame->Top(), PictureCatalogueFrame->Width(),
                          PictureCatalogueFrame->Height());
        WebBrowser1->setVisible(true);
        WebBrowser1->ZOrder(0);
        WebBrowser1->Navigate(QString::fromStdString(help));
        ui::DoEvents();
    } else {
        WebBrowser1->setVisible(false);
        ImageCatalogue->setVisible(true);
        WebBrowser1->Navigate("about: blank");
        sys::deleteFile(help);
    }
}

void Form1::ImageCatalogue_Click() { Timer3->setEnabled(false); }
