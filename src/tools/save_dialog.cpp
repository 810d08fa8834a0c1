#include "tools/save_dialog.h"

#include <filesystem>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QImage>

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "catalogue/temporary_files.h"
#include "platform/db/errors.h"
#include "platform/picconvert/picconvert.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/outside_programs.h"
#include "platform/ui/input.h"
#include "platform/ui/screen.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "shell/module1.h"
#include "shell/theme.h"
#include "tools/SaveBitmapAs.h"
#include "tools/bottom_menu.h"
#include "tools/modRotate1.h"

namespace {

const char* const kTypes[5] = {".bmp", ".jpg", ".gif", ".png", ".tif"};

// Only "/" separates folders on this system: a backslash, and dots inside a name, are
// ordinary characters of a file name.
bool nameLeavesFolder(const QString& name) { return name.contains('/') || name == "." || name == ".."; }

[[noreturn]] void failed(const QString& what, const std::string& why = {}) {
    throw runtime::Error(runtime::kErrPathFileAccess,
                         (what + (why.empty() ? QString(".") : ": " + QString::fromStdString(why))).toStdString());
}

}  // namespace

QString StampPictureName(const QString& name, const QDateTime& now) {
    const QString stamp = now.date().toString("MM-dd-yy") + "@" + now.time().toString("HH-mm");
    const int p = name.indexOf('@') + 1;
    if (p == 0) return name + stamp;
    if (name.size() > 12) return p > 8 ? name.left(p - 9) + stamp : name;
    return name;
}

void FormSaveAs::createControls() {
    setCaption("Save");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setAutoRedraw(true);
    setClientSize(6048, 4236);
    setFont({"Arial", 9});

    PictureBottom = create<ui::PictureBox>("PictureBottom", 0, 4236 - 528, 6048, 528);
    PictureBottom->setBorderStyle(0);
    PictureBottom->setAutoRedraw(true);
    PictureBottom->setBackColor(ui::RGB(176, 176, 204));
    ui::Image* saveIcon = create(ImageSave, 1, 125, 144, 240, 240, PictureBottom);
    saveIcon->setStretch(true);
    saveIcon->setImage(QImage(":/pictures/save.png"));
    const char* captions[2] = {"Save", "Cancel"};
    for (int i = 0; i < 2; ++i) {
        ui::Label* label = create(LabelButtomMenu, i, 0, 0, 996, 204, PictureBottom);
        label->setCaption(captions[i]);
        label->setAlignment(2);
        label->setBackStyle(0);
        label->setFont({"Arial", 9});
    }
    LabelButtomMenu.bind(&ui::Label::Click, [this](int Index) { LabelButtomMenu_Click(Index); });

    Picture1 = create<ui::PictureBox>("Picture1", 420, 408, 5184, 3012);
    Picture1->setBorderStyle(0);
    Picture1->setBackColor(ui::RGB(240, 240, 240));
    Shape1 = create<ui::Label>("Shape1", 0, 0, 5160, 470, Picture1);
    LabelHeader = create<ui::Label>("LabelHeader", 195, 120, 2235, 210, Picture1);
    LabelHeader->setCaption("Save Picture");
    LabelHeader->setBackStyle(0);
    const struct { double top, width; const char* caption; } options[2] = {
        {1080, 2544, "Save to DataBase"}, {1536, 3012, "Save to File"}};
    for (int i = 0; i < 2; ++i) {
        ui::OptionButton* option = create(OptionSave, i, 432, options[i].top, options[i].width, 228, Picture1);
        option->setCaption(options[i].caption);
    }
    // The gallery folder in full under its option: the program folder is wherever the
    // program was copied to, so a name alone would not tell where the files go.
    LabelGalleryFolder = create<ui::Label>("LabelGalleryFolder", 672, 1800, 3432, 240, Picture1);
    LabelGalleryFolder->setBackStyle(0);
    LabelGalleryFolder->setFont({"Arial", 7.8});
    LabelGalleryFolder->setForeColor(ui::RGB(64, 64, 64));
    ImageBrowse = create<ui::Image>("ImageBrowse", 3480, 1485, 285, 285, Picture1);
    ImageBrowse->setStretch(true);
    ImageBrowse->setImage(QImage(":/pictures/tool-add-folder.png"));
    ImageBrowse->setToolTipText("Browse");
    ImageBrowse->Click = [this] { ImageBrowse_Click(); };
    const double tops[5] = {828, 1236, 1596, 1980, 2388};
    const double widths[5] = {852, 756, 696, 780, 672};
    for (int i = 0; i < 5; ++i) {
        ui::CheckBox* box = create(CheckFileExt, i, 4164, tops[i], widths[i], 300, Picture1);
        box->setCaption(kTypes[i]);
    }
    CheckFileExt.bind(&ui::CheckBox::MouseDown, [this](int Index, int b, int s, double x, double y) {
        CheckFileExt_MouseDown(Index, b, s, x, y);
    });
    for (int i = 0; i < 2; ++i) {
        OptionSave[i]->setBackColor(ui::RGB(240, 240, 240));
        OptionSave[i]->setForeColor(ui::RGB(64, 64, 64));
    }
    for (int i = 0; i < 5; ++i) {
        CheckFileExt[i]->setBackColor(ui::RGB(240, 240, 240));
        CheckFileExt[i]->setForeColor(ui::RGB(64, 64, 64));
    }
    OptionSave[1]->setValue(true);
    TxtFileName = create<ui::TextBox>("TxtFileName", 672, 2100, 3132, 300, Picture1);
    TxtFileName->setFont({"Arial", 7.8});
    PictureSave = create<ui::PictureBox>("PictureSave", 120, 120, 972, 972);
    PictureSave->setVisible(false);
}

void FormSaveAs::Form_Load() {
    runtime::resumeNext([] { modRotate1::StartGdiPlusForSave(1); });
    runtime::resumeNext([&] {
        GalleryFolder = Module1::text(Module1::ProgramFolder) + "/QuillmereGallery";
        if (!sys::folderExists(GalleryFolder.toStdString()))
            std::filesystem::create_directory(GalleryFolder.toStdString());
    });
    runtime::resumeNext([&] { showGalleryFolder(); });
    runtime::resumeNext([&] { setBackColor(ScaledGrey(100, 0.65, 0.65, 0.75)); });
    runtime::resumeNext([&] {
        for (double y = Height(); y >= 0; y -= 30) Line(0, y, Width(), y, ScaledGrey(20, 0.65, 0.65, 0.75));
    });
    runtime::resumeNext([&] {
        const picture::Picture strip = ui::loaded<Form1>().picToolBar->Image();
        PictureBottom->setPicture(strip);
        Picture1->setPicture(strip);
    });
    runtime::resumeNext([&] {
        LabelHeader->setForeColor(ui::RGB(176, 176, 187));
        Shape1->setBackColor(BackColor());
    });
    runtime::resumeNext([&] { DrawBottomMenu(); });
    for (int i = 0; i < 5; ++i) runtime::resumeNext([&] { CheckFileExt[i]->setValue(0); });
    const QString current = Module1::text(Module1::CurrentPhotoExtension);
    for (int i = 0; i < 5; ++i)
        runtime::resumeNext([&] {
            if (CheckFileExt[i]->Caption().right(3) == current) {
                SaveExtIndex = i;
                CheckFileExt[i]->setValue(1);
            }
        });
    runtime::resumeNext([&] {
        if (!SaveExtIndex) {
            SaveExtIndex = 1;
            CheckFileExt[1]->setValue(1);
        }
    });
    runtime::resumeNext([&] {
        Module1::CurrentPhotoDescription =
            StampPictureName(Module1::text(Module1::CurrentPhotoDescription), ui::services().Now());
    });
    runtime::resumeNext([&] { TxtFileName->setText(Module1::text(Module1::CurrentPhotoDescription)); });
}

// The whole path when it fits the label; a long one loses letters in its middle, keeping
// where it starts and the folder's own name, and shows whole as the label's tip.
void FormSaveAs::showGalleryFolder() {
    const int room = static_cast<int>(LabelGalleryFolder->Width() / ui::Screen::TwipsPerPixelX());
    LabelGalleryFolder->setCaption(LabelGalleryFolder->fontMetrics().elidedText(GalleryFolder, Qt::ElideMiddle, room));
    LabelGalleryFolder->setToolTipText(GalleryFolder);
}

void FormSaveAs::DrawBottomMenu() {
    ui::Image* icon = ImageSave[1];
    icon->setTop(PictureBottom->ScaleHeight() / 2 - icon->Height() / 2);
    icon->setLeft(200 - 75);
    tools::PaintBottomMenu(*PictureBottom, LabelButtomMenu, ui::loaded<Form1>().TextField[0]->ForeColor());
}

void FormSaveAs::Form_Activate() {
    runtime::resumeNext([&] {
        TxtFileName->SetFocus();
        TxtFileName->setSelStart(0);
        TxtFileName->setSelLength(static_cast<int>(TxtFileName->Text().size()));
    });
}

void FormSaveAs::CheckFileExt_MouseDown(int, int, int, double, double) {
    for (int i = 0; i < 5; ++i) runtime::resumeNext([&] { CheckFileExt[i]->setValue(0); });
}

void FormSaveAs::ImageBrowse_Click() { ui::openWithRegisteredProgram(GalleryFolder); }

void FormSaveAs::LabelButtomMenu_Click(int Index) {
    if (Index == 1)
        Unload();
    else
        Save();
}

// Writes SaveTempFile afresh. Raises, naming what failed, when no complete file came
// out, so that a missing file, or one left by an earlier save, is never stored or copied.
void FormSaveAs::writeTemporaryFile(const QString& extension) {
    const std::string path = SaveTempFile.toStdString();
    const std::string bitmapPath = catalogue::TemporaryFile("TmpFile.bmp").toStdString();
    const bool viaBitmap = extension == "bmp" || extension == "jpg";
    for (const std::string& stale : viaBitmap ? std::vector{path, bitmapPath} : std::vector{path})
        if (!sys::deleteFile(stale))
            failed("The earlier temporary file " + QString::fromStdString(stale) +
                   " cannot be deleted, so the picture was not saved");
    const picture::Picture picture = picture::asBitmap(PictureSave->Picture());
    // Each writer step goes on after a failure, as the steps always have; the first
    // failure is what the user is told when no file came out.
    std::string why;
    auto step = [&why](const auto& write) {
        try {
            write();
        } catch (const std::exception& e) {
            if (why.empty()) why = e.what();
        }
    };
    if (viaBitmap) {
        step([&] { picture::SavePicture(picture, bitmapPath); });
        ui::DoEvents();
        if (extension == "jpg") step([&] { picconvert::SaveBmpToJpeg(bitmapPath, path, 80); });
    } else {
        step([&] { SaveBitmapAs::SaveBitmapWithGdiPlus(picture.Handle(), SaveTempFile); });
    }
    if (!sys::fileExists(path) || sys::fileSize(path) == 0)
        failed("The picture could not be written to " + SaveTempFile, why);
}

void FormSaveAs::Save() {
    const QString name = TxtFileName->Text();
    if (name.isEmpty()) return;
    setMousePointer(ui::vbHourglass);
    for (int i = 0; i < 5; ++i)
        runtime::resumeNext([&] {
            if (CheckFileExt[i]->Value() != 0) SaveExtIndex = i;
        });
    const QString caption = CheckFileExt[SaveExtIndex.value_or(1)]->Caption();
    SaveTempFile = catalogue::TemporaryFile("TmpFile" + caption);
    const QString extension = caption.right(3);

    try {
        const ui::WaitCursor busy;
        writeTemporaryFile(extension);
        if (OptionSave[0]->Value())
            saveToCatalogue(name, extension);
        else
            saveToGallery(name);
    } catch (const std::exception& e) {
        setMousePointer(ui::vbDefault);
        ui::services().MsgBox(QString::fromStdString(e.what()), runtime::vbOKOnly, QString());
    }
    setMousePointer(ui::vbDefault);
}

void FormSaveAs::saveToCatalogue(const QString& name, const QString& extension) {
    Form1& main = ui::loaded<Form1>();
    // The look-up below moves the main window's record: an edit typed there is saved
    // first, or the user hears why not and nothing is added.
    if (!main.SaveRecordEdit()) return;
    db::Recordset& rs = main.Adodc3.recordset();
    long shown = 0;
    runtime::resumeNext([&] { shown = rs.absolutePosition(); });
    bool exists = false;
    runtime::resumeNext([&] {
        if (rs.recordCount() > 0) rs.moveFirst();
        rs.find(catalogue::NameEqualsCriterion(name).toStdString());
        exists = rs.absolutePosition() > 0;
    });
    auto refused = [this] {
        setMousePointer(ui::vbDefault);
        ui::services().MsgBox("Name already exists in DataBase", runtime::vbOKOnly, QString());
    };
    if (exists) {
        refused();
        return;
    }
    try {
        const std::string path = SaveTempFile.toStdString();
        rs.addNew();
        rs.field("PhotoDescription").setValue(name.toStdString());
        rs.field("PhotoXtent").setValue(extension.toUpper().toStdString());
        rs.field("PhotoSize").setValue(static_cast<int64_t>(sys::fileSize(path)));
        const QDate today = ui::services().Now().date();
        rs.field("Date").setValue(db::Date{today.year(), today.month(), today.day()});
        rs.field("Photo").appendChunkFromFile(path);
        rs.update();
    } catch (const std::exception& e) {
        runtime::resumeNext([&] { rs.cancelUpdate(); });
        // Nothing was stored: the main window goes back to the record it showed before
        // the name was looked for, and its list is not rebuilt.
        runtime::resumeNext([&] {
            if (shown > 0) rs.setAbsolutePosition(shown);
        });
        // A name that exists outside the main window's category filter passes the check
        // above; the catalogue still refuses it, and the user is told.
        const auto* error = dynamic_cast<const runtime::Error*>(&e);
        if (error && error->number() == db::kErrDuplicateServer) {
            refused();
            return;
        }
        failed("The picture could not be added to the catalogue", e.what());
    }
    ui::DoEvents();
    runtime::resumeNext([&] { main.Adodc3.refresh(); });
    runtime::resumeNext([&] { main.CmdPictures_Click(); });
    runtime::resumeNext([&] {
        db::Recordset& list = main.Adodc3.recordset();
        if (main.CheckSort->Value() == 0)
            list.moveLast();
        else
            list.find(catalogue::NameEqualsCriterion(name).toStdString());
    });
    runtime::resumeNext([&] { main.pComboCatalogue_Click(); });
}

void FormSaveAs::saveToGallery(const QString& name) {
    if (nameLeavesFolder(name)) {
        setMousePointer(ui::vbDefault);
        ui::services().MsgBox("A picture name for the gallery cannot contain \"/\" nor be \".\" or \"..\".",
                              runtime::vbOKOnly, QString());
        return;
    }
    const QString target = GalleryFolder + "/" + name + CheckFileExt[SaveExtIndex.value_or(1)]->Caption();
    if (sys::fileExists(target.toStdString())) {
        if (ui::services().MsgBox("File Exists Overwrite?", runtime::vbYesNo, QString()) == runtime::vbNo) {
            setMousePointer(ui::vbDefault);
            return;
        }
    }
    try {
        sys::writeFile(target.toStdString(), sys::readFile(SaveTempFile.toStdString()));
    } catch (const std::exception& e) {
        failed("The picture could not be copied to " + target, e.what());
    }
}
