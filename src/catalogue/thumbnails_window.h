#pragma once
// The thumbnails window: the catalogue as pages of up to 24 thumbnails, 6 across and
// 4 down, in the main window's order (same sort and category filter), each captioned
// with its record number and the start of its name. Every page is built in a freshly
// loaded window; clicking a thumbnail hands its record number back to the main window.
// The window only reads the catalogue.

#include <QPointer>
#include <QString>

#include "platform/db/data_control.h"
#include "platform/ui/command_button.h"
#include "platform/ui/control_array.h"
#include "platform/ui/form.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/shape.h"

namespace catalogue {

// A thumbnail's size, in single-precision twips as the image control reports it.
struct ThumbnailSize {
    float width, height;
};

// A picture with a side of the frame's size or more is scaled to the frame's width and
// then, when still too high, to its height, keeping its proportions; a smaller one keeps
// its natural size.
ThumbnailSize FitThumbnail(float width, float height, float frameWidth, float frameHeight);

// "37-Harbour at dus": the record's position, a hyphen and the first 15 characters of
// its name.
QString ThumbnailCaption(long position, const QString& name);

}  // namespace catalogue

class Form28 : public ui::Form {
public:
    Form28();

    static constexpr int kCells = 24;

    db::DataControl Adodc3;  // the window's own record set over Pictures

    QPointer<ui::PictureBox> Picture1;                                    // holds every cell
    ui::ControlArray<ui::PictureBox> PictureFrame{this, "PictureFrame"};  // never shown: the fitting box
    ui::ControlArray<ui::Shape> Shape1{this, "Shape1"};                   // the cells' outlines
    ui::ControlArray<ui::Image> Image1{this, "Image1"};                   // the thumbnails
    ui::ControlArray<ui::Label> Label1{this, "Label1"};                   // the captions
    QPointer<ui::CommandButton> Command1;                                 // next page
    QPointer<ui::CommandButton> Command2;                                 // previous page
    QPointer<ui::PictureBox> PictureCatalogue;  // hidden: the current record's picture
    QPointer<ui::PictureBox> PicLogo;           // hidden: the logo

    // ---- window variables: fresh for every page, as every page has its own window ----
    int ThumbCellIndex = 0;
    double ThumbCellLeft = 0;
    double ThumbCellTop = 0;
    bool ThumbBuildStopped = false;
    int ClickedThumbIndex = 0;
    int ClickedCaptionDashPos = 0;

    // Builds the page that starts at Module1::ThumbPageStart.
    void CmdCatalogueThumb_Click();
    // Fits the thumbnail of cell ThumbCellIndex into that cell's frame.
    void Adjust_Form28_Image1();

    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void Image1_Click(int Index);
    void Command1_Click();
    void Command2_Click();
    void Adodc3_WillMove(db::MoveReason adReason, db::Recordset& pRecordset);
    void Adodc3_MoveComplete(db::MoveReason adReason, const runtime::Error* pError, db::Recordset& pRecordset);

protected:
    void createControls() override;
    void closeDataControls() override;

private:
    void layOutCells();
    void showDecodedPicture(const QString& photoXtent);
    void bindPictureBox(bool bound);
    // Lets pending window messages run; true when the window closed meanwhile.
    bool pumpAndCheckStopped();
};
