#pragma once
// The save dialog of the edit windows: a name, one of five file types and one of two
// destinations. The picture is written as TmpFile with the type's extension in the
// program folder, then stored as a new catalogue row (the main window shows it) or
// copied into the gallery folder QuillmereGallery.

#include <optional>

#include <QPointer>
#include <QString>

#include "platform/ui/check_box.h"
#include "platform/ui/control_array.h"
#include "platform/ui/form.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/option_button.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/text_box.h"

class FormSaveAs : public ui::Form {
public:
    FormSaveAs() : Form("FormSaveAs") {}

    // ---- kept for the whole run ----
    QString GalleryFolder;
    QString SaveTempFile;
    std::optional<int> SaveExtIndex;

    // ---- controls ----
    QPointer<ui::PictureBox> PictureBottom;
    ui::ControlArray<ui::Image> ImageSave{this, "ImageSave"};
    ui::ControlArray<ui::Label> LabelButtomMenu{this, "LabelButtomMenu"};
    QPointer<ui::PictureBox> Picture1;
    QPointer<ui::Label> Shape1;  // the header band: a filled rectangle
    QPointer<ui::Label> LabelHeader;
    ui::ControlArray<ui::OptionButton> OptionSave{this, "OptionSave"};
    QPointer<ui::Label> LabelGalleryFolder;
    QPointer<ui::Image> ImageBrowse;
    ui::ControlArray<ui::CheckBox> CheckFileExt{this, "CheckFileExt"};
    QPointer<ui::TextBox> TxtFileName;
    QPointer<ui::PictureBox> PictureSave;  // the picture to save, set by the caller

    void Form_Load() override;
    void Form_Activate() override;
    void CheckFileExt_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void ImageBrowse_Click();
    void LabelButtomMenu_Click(int Index);
    void DrawBottomMenu();

protected:
    void createControls() override;

private:
    void showGalleryFolder();
    void Save();
    void writeTemporaryFile(const QString& extension);
    void saveToCatalogue(const QString& name, const QString& extension);
    void saveToGallery(const QString& name);
};

// The picture name stamped with the date and time "mm-dd-yy@hh-mm": appended to a name
// without "@"; replacing an earlier stamp (the eight characters before the first "@" and
// all after it) in a name longer than 12 characters; a shorter name with "@" is kept.
QString StampPictureName(const QString& name, const QDateTime& now);
