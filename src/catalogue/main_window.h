#pragma once
// The main window: the catalogue browser. Its controls and variables are declared here;
// the handlers are implemented in files named after what they do:
//   main_window_layout.cpp   the controls at their design places, the resize routine with the
//                      dark theme and gradients, the drop-down closers, the final close
//   main_window_load.cpp     the load, the five data controls, the list rebuild, categories
//   main_window_records.cpp  the current-record events of the main record set, and the
//                      current record shown again after work that held them off
//   main_window_record_edit.cpp what the user typed into the record panel, saved before
//                      anything would drop it, or refused with the user kept on the record
//   main_window_show.cpp     showing the current record's picture, fitted into the pane
//   main_window_adding.cpp   adding a chosen file or the clipboard's picture as a new record
//   main_window_toolbar.cpp  the tool bar's buttons
//   main_window_slideshow.cpp the slide show and the full-screen view
//   main_window_menus.cpp    the self-drawn drop-down menus, their dispatch, the storage gauge
//   main_window_settings.cpp the sort and compression options and the width toggle
//   main_window_navigation.cpp the navigation strip, the find row and the records grid
//   main_window_categories.cpp the category row: add, delete, filter the list
//   main_window_fields.cpp   the record's field editors and deleting the record
//   main_window_viewers.cpp  the record in outside programs and the browser pane; the help
//   main_window_folder.cpp   the add-folder panel and its import run
//   main_window_export.cpp   the File menu's picture export: save to a file, copy to the
//                      clipboard, save as JPEG with its quality slider

#include <functional>
#include <utility>
#include <vector>

#include <QDate>
#include <QPointer>
#include <QString>

#include "platform/db/data_control.h"
#include "platform/picture/picture.h"
#include "platform/ui/check_box.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/common_dialog.h"
#include "platform/ui/command_button.h"
#include "platform/ui/control_array.h"
#include "platform/ui/file_list_box.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/form.h"
#include "platform/ui/frame.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/menu.h"
#include "platform/ui/month_view.h"
#include "platform/ui/line_control.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/shape.h"
#include "platform/ui/text_box.h"
#include "platform/ui/timer.h"
#include "platform/ui/web_browser.h"

class Form1 : public ui::Form {
public:
    Form1();

    // ---- data controls ----
    db::DataControl Adodc3;             // the main record set: the current record
    db::DataControl Adodc1;             // the same rows, read for the picture bytes
    db::DataControl Adodc4;             // the rows of the records grid
    db::DataControl AdodcCategories;    // the category list
    db::DataControl AdodcForm1Options;  // the Options record

    // ---- window-level variables ----
    bool PictureBindingEnabled = true;  // the move events act only while set
    bool GridFollowsRecord = true;      // the grid follows the current row while set
    bool PasteFromClipboardMode = false;  // the next add takes the clipboard's picture
    int32_t LastLoadedFileLength = 0;
    float SliderGrabX = 0;  // where in the quality slider's thumb the button went down

    // ---- menu bar and tool strip ----
    QPointer<ui::PictureBox> Picture2;
    ui::ControlArray<ui::Label> LabelMenu{this, "LabelMenu"};
    QPointer<ui::Menu> mnuSearch;
    QPointer<ui::PictureBox> picToolBar;
    ui::ControlArray<ui::Image> Image1{this, "Image1"};
    QPointer<ui::TextBox> TextFind;
    QPointer<ui::Image> ImageFindNext;
    QPointer<ui::CheckBox> CheckFindID;
    QPointer<ui::Label> LabelFindResult;  // "Not found" after a search that lands nowhere
    QPointer<ui::CommandButton> CommandSetfocus;

    // ---- picture block ----
    QPointer<ui::PictureBox> PictureCatalogueFrame;  // the picture pane
    QPointer<ui::PictureBox> PictureCatalogue;       // hidden: holds the current picture
    QPointer<ui::Image> ImageCatalogue;              // the fitted picture
    QPointer<ui::PictureBox> PicLogo;                // hidden: the logo
    QPointer<ui::Label> LabelError;
    QPointer<ui::WebBrowser> WebBrowser1;
    QPointer<ui::WebBrowser> WebBrowserAddedMan;
    QPointer<ui::CommandButton> CmdShowGrid;
    QPointer<ui::PictureBox> Picture4;  // the storage gauge
    QPointer<ui::PictureBox> Picture7;  // the navigation strip
    QPointer<ui::TextBox> Text2;        // position "n / m"
    QPointer<ui::TextBox> Text1;        // size in K
    QPointer<ui::TextBox> Text4;        // extension
    ui::ControlArray<ui::Image> ComdADOMove{this, "ComdADOMove"};  // 1 previous, 2 next, 3 first, 4 last
    QPointer<ui::Label> LabelWH;        // the picture's size in pixels
    QPointer<ui::FlexGrid> MSHFlexGrid1;

    // ---- record fields ----
    ui::ControlArray<ui::TextBox> TextField{this, "TextField"};
    ui::ControlArray<ui::TextBox> TextLabelField{this, "TextLabelField"};
    QPointer<ui::TextBox> Text6;  // "Personal"
    QPointer<ui::ComboBox> ComboGender;
    QPointer<ui::ComboBox> ComboMartStaus;
    QPointer<ui::Image> ImageGo;
    QPointer<ui::MonthView> MonthView1;

    // ---- categories ----
    QPointer<ui::ComboBox> ComboCategory;
    QPointer<ui::CommandButton> CmdADDCateg;
    QPointer<ui::CommandButton> CmdDeleteCateg;
    QPointer<ui::CheckBox> CheckFilterByCategory;

    // ---- add-folder panel (main_window_folder.cpp) ----
    QPointer<ui::TextBox> TextFilePicsPath;   // the folder's path, typed or dropped
    QPointer<ui::CheckBox> CheckIncCat;       // the added rows get the chosen category
    QPointer<ui::Image> ImageGoAddFolder;     // "Go": the import run
    QPointer<ui::Image> ImageAddFolderCancel; // closes the panel
    QPointer<ui::FileListBox> FilePics;       // the folder's files, all selected at first
    QPointer<ui::ListBox> List1;              // the files the last run could not add
    void TextFilePicsPath_Change();
    void TextFilePicsPath_Click();
    void TextFilePicsPath_DblClick();
    void TextFilePicsPath_LostFocus();
    void TextFilePicsPath_OLEDragDrop(const QStringList& Files);
    void CheckIncCat_MouseDown(int Button, int Shift, double X, double Y);
    void CheckIncCat_Click();
    void ImageGoAddFolder_Click();
    void ImageAddFolderCancel_Click();
    void List1_LostFocus();

private:
    void createAddFolderPanel();
    bool isProgramFolder(const QString& path) const;

public:

    // ---- settings and menus ----
    ui::ControlArray<ui::PictureBox> PictureMenu{this, "PictureMenu"};  // 0 File, 1 Effects
    ui::ControlArray<ui::Label> Label7{this, "Label7"};    // the items, by action number
    ui::ControlArray<ui::Shape> Shape2{this, "Shape2"};    // the items' highlights
    ui::ControlArray<ui::Image> Image2{this, "Image2"};    // the File items' icons
    QPointer<ui::Shape> Shape3;  // the File panel's icon gutter
    QPointer<ui::Shape> Shape1;  // the Effects panel's icon gutter
    ui::ControlArray<ui::LineControl> LineMenu{this, "LineMenu"};  // the panels' separators
    QPointer<ui::CheckBox> CheckSort;
    QPointer<ui::Label> LabelSort;
    QPointer<ui::CheckBox> CheckCompress;
    QPointer<ui::Label> LabelCompress;
    QPointer<ui::CheckBox> CheckBMP;
    QPointer<ui::Label> Label5;
    QPointer<ui::CommandButton> CommandJPGSlider;
    ui::ControlArray<ui::LineControl> LineJPG{this, "LineJPG"};
    QPointer<ui::TextBox> TextPGQuaL;
    QPointer<ui::Image> ImageResize;
    QPointer<ui::Frame> Frame1;  // the JPEG quality slider's track
    QPointer<ui::Timer> Timer3;  // the slide show
    ui::CommonDialog CommonDialog1;
    QPointer<ui::Label> Label4;  // hidden: the program folder

    // ---- public procedures ----
    void CmdPictures_Click();  // rebuilds the lists
    void pLoadCategories();
    void pComboCatalogue_Click();  // shows the current record
    // Saves what the user typed into the record panel. When the catalogue refuses it (a
    // name another picture has) the user is told and the edit stays pending; false then,
    // and the caller, about to close, rebuild or move, stays where it is.
    bool SaveRecordEdit();
    void CmdCatalogueOpen_Click();  // adds a file or the clipboard's picture
    void CmdCatalogueZoom_Click(int Index);  // 1 full-screen view, 2 slide show
    void PSlideShowP();  // shows the current record in Form27 and in the main window
    void CmdCatalogueCut_Click();  // deletes the current record, after asking
    void Label7_Click(int Index);  // a drop-down menu item
    void CmdCatalogueEdit_Click();   // the record in the program registered for its type
    void ImageCatalogue_DblClick();  // the record in the picture editor
    void ImageBowse_Click();         // the record in the browser pane, or the pane closed
    void ImageCatalogue_Click();
    void ToggleHelp();               // the help in the browser pane, or the pane closed
    void ShowAddFolderPanel();       // tool-bar button "Add Folder"

    // ---- handlers ----
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;
    void Form_Click() override;
    void Form_MouseMove(int Button, int Shift, double X, double Y) override;
    void ImageCatalogue_MouseMove(int Button, int Shift, double X, double Y);
    void PictureCatalogue_Change();
    void PictureCatalogueFrame_Click();
    void PictureCatalogueFrame_MouseMove(int Button, int Shift, double X, double Y);
    void Adodc3_WillMove(db::MoveReason adReason, db::Recordset& pRecordset);
    void Adodc3_MoveComplete(db::MoveReason adReason, const runtime::Error* pError, db::Recordset& pRecordset);
    void Adodc3_Error(const runtime::Error& error, bool& fCancelDisplay);
    void Image1_Click(int Index);
    void Timer3_Timer();
    void LabelMenu_Click(int Index);
    void LabelMenu_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void LabelMenu_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void LabelMenu_MouseUp(int Index, int Button, int Shift, double X, double Y);
    void Label7_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void Image2_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void picToolBar_MouseMove(int Button, int Shift, double X, double Y);
    void Picture2_MouseMove(int Button, int Shift, double X, double Y);
    void PictureMenu_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void Picture4_Click();
    void Picture4_MouseMove(int Button, int Shift, double X, double Y);
    void CheckCompress_Click();
    void CheckSort_Click();
    void LabelCompress_Click();
    void LabelSort_Click();
    void OptionRow_MouseMove(int Button, int Shift, double X, double Y);  // the four option-row handlers
    void ImageResize_Click();
    void CmdADDCateg_Click();
    void CmdDeleteCateg_Click();
    void CheckFilterByCategory_Click();
    void ComdADOMove_Click(int Index);
    void TextFind_Change();
    void TextFind_Click();
    void TextFind_DblClick();
    void ImageFindNext_Click();
    void CheckFindID_Click();
    void CmdShowGrid_Click();
    void MSHFlexGrid1_Click();
    void TextField_Click(int Index);
    void TextField_DblClick(int Index);
    void TextField_KeyDown(int Index, int& KeyCode, int Shift);
    void TextLabelField_Click(int Index);
    void MonthView1_DateClick(const QDate& DateClicked);
    void MonthView1_LostFocus();
    void ImageGo_Click();
    void CommandJPGSlider_MouseDown(int Button, int Shift, double X, double Y);
    void CommandJPGSlider_MouseMove(int Button, int Shift, double X, double Y);
    void CommandJPGSlider_MouseUp(int Button, int Shift, double X, double Y);

protected:
    void createControls() override;
    void closeDataControls() override;

private:
    void createMenuBarAndToolStrip();
    void createPictureBlock();
    void createRecordFields();
    void createDetailBlock();
    void createMenuPanels();
    void connectFieldEditors();
    void connectNavigation();
    void connectCategories();
    void connectViewers();
    QString currentExtent();
    db::Bytes currentRecordBytes();
    QString writeViewerFile();
    void reloadCategories();
    void findRecord(const std::function<void(db::Recordset&)>& search);
    void hideMenuPanels();
    void restTitles();
    void hideHighlights();
    void bindRecordFields();
    void PaintFrameGradient();
    void ShowRecordPicture();
    void showDecodedPicture(const QString& extension);
    bool showsLogo() const;  // the hidden picture box holds the logo
    void showFailureText();
    void setGaugeWidth();
    void bindPictureBox(bool bound);
    void followWithGrid(long position);
    void resumePictureBinding();
    void replayMoveEvents();
    void showEmptyCatalogue();
    void endAdding(const QString& pastedBitmap);
    bool keepTypedName();
    void reportRefusedEdit(const runtime::Error& e);
    bool saveRecordEditOrUndo(ui::CheckBox& box);
    // The File menu's export items, run by the dispatch after its checks.
    void SaveRecordToFile();              // item 1 "Save to File"
    void CopyShownPictureToClipboard();   // item 4 "Copy to Clipboard"
    void SaveShownPictureAsJpeg();        // item 5 "Save to JPG"

    bool pictureBound_ = false;  // the hidden picture box shows the row's Photo
    bool undoingBoxClick_ = false;  // a check box is put back after a refused save
    // The bound editors of the current load, released when the window unloads.
    std::vector<std::pair<db::DataControl*, db::BindingId>> fieldBindings_;
    // Bumped by every showing, so a showing that resumes after a newer one leaves
    // the newer one's picture and texts alone.
    unsigned showingGeneration_ = 0;
};
