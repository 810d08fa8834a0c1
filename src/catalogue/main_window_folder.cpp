// The add-folder panel: every selected file of a folder stored as a new record, bytes
// unchanged, with an optional category, and the list of files that could not be stored.
// A file that fails never stops the run.

#include <algorithm>
#include <functional>
#include <optional>

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

#include "catalogue/catalogue_schema.h"
#include "catalogue/folder_failures.h"
#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "shell/module1.h"

namespace {

const QString kPathPrompt = QStringLiteral("Enter Path or Drag and Drop a Folder Here");
// The prompt is recognised by its first 27 characters.
bool showsPrompt(const QString& text) { return text.left(27) == kPathPrompt.left(27); }

QString filePathIn(const QString& folder, const QString& entry) {
    return folder.endsWith('/') ? folder + entry : folder + '/' + entry;
}

}  // namespace

void Form1::createAddFolderPanel() {
    TextFilePicsPath = create<ui::TextBox>("TextFilePicsPath", 590, 1050, 4339, 330);
    TextFilePicsPath->setText(kPathPrompt);
    TextFilePicsPath->setOLEDropMode(1);
    CheckIncCat = create<ui::CheckBox>("CheckIncCat", 4999, 1107, 216, 216);
    CheckIncCat->setToolTipText("Check to Include Category");
    ImageGoAddFolder = create<ui::Image>("ImageGoAddFolder", 5285, 1072, 285, 285);
    ImageGoAddFolder->setStretch(true);
    ImageGoAddFolder->setImage(catalogue::windowPicture("go.png"));
    ImageGoAddFolder->setToolTipText("Go");
    ImageAddFolderCancel = create<ui::Image>("ImageAddFolderCancel", 5640, 1072, 285, 285);
    ImageAddFolderCancel->setStretch(true);
    ImageAddFolderCancel->setImage(catalogue::windowPicture("panel-cancel.png"));
    ImageAddFolderCancel->setToolTipText("Cancel");
    // Over the picture pane: the folder's files, then the failures of the last run.
    FilePics = create<ui::FileListBox>("FilePics", 590, 1515, 5410, 4155);
    FilePics->setMultiSelect(1);
    List1 = create<ui::ListBox>("List1", 590, 1515, 5410, 4155);
    List1->setBackColor(ui::RGB(255, 255, 255));
    for (ui::Control* c : std::initializer_list<ui::Control*>{TextFilePicsPath, CheckIncCat, ImageGoAddFolder,
                                                              ImageAddFolderCancel, FilePics, List1})
        c->setVisible(false);

    TextFilePicsPath->Change = [this] { TextFilePicsPath_Change(); };
    TextFilePicsPath->Click = [this] { TextFilePicsPath_Click(); };
    TextFilePicsPath->DblClick = [this] { TextFilePicsPath_DblClick(); };
    TextFilePicsPath->LostFocus = [this] { TextFilePicsPath_LostFocus(); };
    TextFilePicsPath->OLEDragDrop = [this](const QStringList& files) { TextFilePicsPath_OLEDragDrop(files); };
    CheckIncCat->MouseDown = [this](int b, int s, double x, double y) { CheckIncCat_MouseDown(b, s, x, y); };
    CheckIncCat->Click = [this] { CheckIncCat_Click(); };
    ImageGoAddFolder->Click = [this] { ImageGoAddFolder_Click(); };
    ImageAddFolderCancel->Click = [this] { ImageAddFolderCancel_Click(); };
    List1->LostFocus = [this] { List1_LostFocus(); };
}

// The program folder is the panel's "no folder": its own files are never offered. Any
// spelling of it counts (a trailing "/", a link to it), not only the exact text.
bool Form1::isProgramFolder(const QString& path) const {
    if (!Module1::ProgramFolder || path.isEmpty()) return false;
    if (path == *Module1::ProgramFolder) return true;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(*Module1::ProgramFolder).canonicalFilePath();
}

void Form1::ShowAddFolderPanel() {
    TextFilePicsPath->setText(kPathPrompt);
    FilePics->setPath(Module1::text(Module1::ProgramFolder));

    ui::PictureBox* frame = PictureCatalogueFrame;
    TextFilePicsPath->setLeft(frame->Left());
    TextFilePicsPath->setTop(1050);
    TextFilePicsPath->setWidth(frame->Width() - 3 * ImageGoAddFolder->Width() - CheckIncCat->Width());
    // The check box and the two pictures follow the path box, centred on it.
    ui::Control* previous = TextFilePicsPath;
    for (ui::Control* c : std::initializer_list<ui::Control*>{CheckIncCat, ImageGoAddFolder, ImageAddFolderCancel}) {
        c->setLeft(previous->Left() + previous->Width() + 70);
        c->setTop(TextFilePicsPath->Top() + TextFilePicsPath->Height() / 2 - c->Height() / 2);
        previous = c;
    }
    FilePics->Move(frame->Left(), frame->Top(), frame->Width(), frame->Height());

    TextFilePicsPath->setVisible(true);
    ImageGoAddFolder->setVisible(true);
    ImageAddFolderCancel->setVisible(true);
    CheckIncCat->setValue(0);
    CheckIncCat->setVisible(true);

    FilePics->setVisible(false);
    TextField[18]->setVisible(false);
    CmdShowGrid->setVisible(false);
    frame->setVisible(true);
}

void Form1::TextFilePicsPath_Change() {
    const QString text = TextFilePicsPath->Text();
    // A text that is not a folder leaves the list on the folder it shows.
    runtime::resumeNext([&] { FilePics->setPath(text); });
    bool noFolder = true;
    runtime::resumeNext([&] {
        noFolder = isProgramFolder(text) || isProgramFolder(FilePics->Path()) || FilePics->ListCount() == 0;
    });
    if (noFolder) {
        runtime::resumeNext([&] { FilePics->setVisible(false); });
        runtime::resumeNext([&] { PictureCatalogueFrame->setVisible(true); });
        return;
    }
    runtime::resumeNext([&] { FilePics->setVisible(true); });
    runtime::resumeNext([&] {
        for (int i = 0; i < FilePics->ListCount(); ++i) FilePics->setSelected(i, true);
    });
    runtime::resumeNext([&] { PictureCatalogueFrame->setVisible(false); });
}

void Form1::TextFilePicsPath_Click() {
    if (showsPrompt(TextFilePicsPath->Text())) TextFilePicsPath->setText("");
}

void Form1::TextFilePicsPath_DblClick() { TextFilePicsPath->setText(""); }

void Form1::TextFilePicsPath_LostFocus() {
    if (!isProgramFolder(FilePics->Path())) TextFilePicsPath->setText(FilePics->Path());
}

void Form1::TextFilePicsPath_OLEDragDrop(const QStringList& Files) {
    runtime::resumeNext([&] {
        TextFilePicsPath->setText("");
        ui::DoEvents();
        // Only the first of several dropped items counts; data without files leaves
        // the box empty.
        if (!Files.isEmpty()) TextFilePicsPath->setText(Files.first());
    });
}

void Form1::CheckIncCat_MouseDown(int, int, double, double) {
    if (!catalogue::IsCategoryChosen(ComboCategory->Text())) {
        ui::services().MsgBox("Select Category from the Right Pane", runtime::vbOKOnly, QString());
        CheckIncCat->setValue(0);
    }
}

// The press has already been refused with its message; this keeps the box unticked
// when the release, or the space bar, ticks it anyway.
void Form1::CheckIncCat_Click() {
    if (CheckIncCat->Value() == 1 && !catalogue::IsCategoryChosen(ComboCategory->Text())) CheckIncCat->setValue(0);
}

void Form1::ImageGoAddFolder_Click() {
    // A failing step outside the file loop is listed too, and the run goes on.
    auto step = [this](const std::function<void()>& body) {
        try {
            body();
        } catch (const runtime::Error& e) {
            runtime::resumeNext([&] { List1->AddItem(catalogue::FolderFailureLine(QString(), e)); });
        }
    };

    List1->Clear();
    const QString text = TextFilePicsPath->Text();
    if (FilePics->ListCount() == 0 || isProgramFolder(FilePics->Path()) || showsPrompt(text) || text.isEmpty())
        return;
    // The first new row would save the record panel's typed text; a refusal of that
    // text is told as what it is before anything is asked or added.
    if (!SaveRecordEdit()) return;
    if (ui::services().MsgBox("Are you sure you want to add the Selected Files to the DataBase?",
                              runtime::vbOKCancel, QString()) != runtime::vbOK)
        return;

    // The list as it stands now: nothing the window does from here on changes what is added.
    const QString folder = FilePics->Path();
    QStringList entries;
    for (int i = 0; i < FilePics->ListCount(); ++i)
        if (FilePics->Selected(i)) entries << FilePics->List(i);

    // Over every window, until the run's report.
    std::optional<ui::WaitCursor> busy;
    step([&] {
        busy.emplace();
        setMousePointer(ui::vbHourglass);
        PictureCatalogueFrame->setMousePointer(ui::vbHourglass);
    });
    PictureBindingEnabled = false;
    step([&] {
        PictureCatalogue->setPicture(picture::Picture());
        ImageCatalogue->setVisible(false);
    });
    step([&] {
        for (ui::Control* c : std::initializer_list<ui::Control*>{TextFilePicsPath, ImageGoAddFolder,
                                                                  ImageAddFolderCancel, CheckIncCat, FilePics})
            c->setVisible(false);
        TextField[18]->setVisible(true);
        CmdShowGrid->setVisible(true);
        PictureCatalogueFrame->setVisible(true);
    });
    step([&] { Picture7->setVisible(false); });
    step([&] {
        LabelError->setVisible(true);
        LabelError->setCaption("");
        LabelError->setCaption("Loading Please Wait...");
        ui::DoEvents();
    });

    std::optional<std::string> category;
    step([&] {
        if (CheckIncCat->Value() == 1 && catalogue::IsCategoryChosen(ComboCategory->Text()))
            category = ComboCategory->Text().toStdString();
    });
    const QDate today = ui::services().Now().date();
    int added = 0;
    for (const QString& entry : entries) {
        try {
            db::Recordset& rs = Adodc3.recordset();
            try {
                // The new row and its bytes are saved together; the file is read into
                // the catalogue piece by piece, never held whole in memory.
                const std::string path = filePathIn(folder, entry).toStdString();
                rs.addNew();
                if (category) rs.field("Category").setValue(*category);
                rs.field("PhotoDescription").setValue(catalogue::PhotoDescriptionOf(entry).toStdString());
                rs.field("PhotoXtent").setValue(catalogue::PhotoExtentOf(entry).toStdString());
                const auto length = static_cast<int64_t>(sys::fileSize(path));
                rs.field("PhotoSize").setValue(length);
                rs.field("Date").setValue(db::Date{today.year(), today.month(), today.day()});
                LastLoadedFileLength = static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
                rs.field("Photo").appendChunkFromFile(path);
                rs.update();
                ++added;
            } catch (const runtime::Error&) {
                // Nothing of a failed file stays pending for the next one's save.
                runtime::resumeNext([&] { rs.cancelUpdate(); });
                throw;
            }
        } catch (const runtime::Error& e) {
            runtime::resumeNext([&] { List1->AddItem(catalogue::FolderFailureLine(entry, e)); });
        }
    }

    step([] { ui::DoEvents(); });
    step([&] { Adodc3.refresh(); });
    step([&] { CmdPictures_Click(); });
    step([&] {
        busy.reset();
        setMousePointer(ui::vbDefault);
        PictureCatalogueFrame->setMousePointer(ui::vbDefault);
        Picture7->setVisible(true);
    });

    step([&] {
        if (added == 0) {
            ui::services().MsgBox("No Files Added", runtime::vbOKOnly, QString());
        } else if (List1->ListCount() == 0) {
            ui::services().MsgBox("All Files Successfully Added", runtime::vbOKOnly, QString());
        } else {
            ui::PictureBox* frame = PictureCatalogueFrame;
            List1->Move(frame->Left(), frame->Top(), frame->Width(), frame->Height());
            List1->setVisible(true);
            List1->ZOrder(0);
        }
    });
    resumePictureBinding();
    step([&] {
        ImageCatalogue->setVisible(true);
        LabelError->setVisible(false);
        LabelError->setCaption("");
    });
}

void Form1::ImageAddFolderCancel_Click() {
    TextFilePicsPath->setVisible(false);
    ImageGoAddFolder->setVisible(false);
    FilePics->setVisible(false);
    TextField[18]->setVisible(true);
    CmdShowGrid->setVisible(true);
    PictureCatalogueFrame->setVisible(true);
    Picture7->setVisible(true);
    PictureCatalogueFrame->ZOrder(0);
    ImageAddFolderCancel->setVisible(false);
    CheckIncCat->setVisible(false);
    ui::DoEvents();
}

void Form1::List1_LostFocus() { List1->setVisible(false); }
