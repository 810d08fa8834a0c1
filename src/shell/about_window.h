#pragma once
// The About window: the animated logo, the program's name and version, a legal notice
// and a few links, in a panel scrolled by a hand-made scroll bar (the thumb Command1
// on the track Picture4). It also holds the logo picture PicLogo that the main window
// shows while its catalogue, as filtered, has no record.

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QString>

#include "platform/ui/command_button.h"
#include "platform/ui/control_array.h"
#include "platform/ui/form.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/text_box.h"
#include "platform/ui/timer.h"

class Form38 : public ui::Form {
public:
    Form38() : Form("Form38") {}

    QPointer<ui::PictureBox> Picture1;            // the viewport
    QPointer<ui::PictureBox> Picture2;            // the scrolled content
    QPointer<ui::PictureBox> Picture4;            // the scroll track
    QPointer<ui::CommandButton> Command1;         // the scroll thumb
    QPointer<ui::PictureBox> Picture6;            // frame of the logo
    QPointer<ui::PictureBox> PicLogo;             // the logo, 80 x 81 pixels
    ui::ControlArray<ui::PictureBox> Picture7{this, "Picture7"};  // hidden: the five animation frames
    QPointer<ui::PictureBox> Picture11;           // name, version and links
    ui::ControlArray<ui::Label> Label3{this, "Label3"};
    ui::ControlArray<ui::TextBox> TextAbout{this, "TextAbout"};
    ui::ControlArray<ui::Label> LabelAbout{this, "LabelAbout"};  // 4: the version
    ui::ControlArray<ui::Label> LabelAboutHyperLink{this, "LabelAboutHyperLink"};
    QPointer<ui::TextBox> Text1;                  // the legal notice
    QPointer<ui::PictureBox> PictureButtonsBack;  // decorative strip
    // Hidden: the pictures the offline page shows, saved beside it.
    ui::ControlArray<ui::PictureBox> PictureOffline{this, "PictureOffline"};
    QPointer<ui::Timer> Timer1;                   // the logo animation

    double LogoCycleStart = 0;  // clock reading (seconds) when the current animation cycle began
    long ThumbGripY = 0;        // where inside the thumb the button went down

    void Form_Load() override;
    void Form_Activate() override;
    void Command1_MouseDown(int Button, int Shift, double X, double Y);
    void Command1_MouseMove(int Button, int Shift, double X, double Y);
    void Command1_MouseUp(int Button, int Shift, double X, double Y);
    void Picture4_MouseDown(int Button, int Shift, double X, double Y);
    void LabelAboutHyperLink_Click(int Index);
    void LabelAboutHyperLink_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void LabelAbout_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void Picture2_MouseMove(int Button, int Shift, double X, double Y);
    void Picture11_MouseMove(int Button, int Shift, double X, double Y);
    void Timer1_Timer();

protected:
    void createControls() override;

private:
    void panelFollowsThumb();
    void linksRegular();
    void viewOffline();
};

// The legal notice: three sentences, no line breaks.
QString AboutNoticeText();
// "V1.0.0": the program's version as this window shows it.
QString AboutVersionText();
// The page "View Offline" writes into the program folder, with the file names it uses.
QByteArray AboutPageResource();
inline constexpr const char* kAboutPageFile = "QuillmereAbout.htm";
inline constexpr const char* kAboutPictureFiles[2] = {"QuillmereLogo.bmp", "QuillmereIcon.bmp"};
// Frame 0..4 of the logo animation; any other number gives the logo at rest.
QImage AboutLogoFrame(int frame);
// Where links 1 (the read-me) and 2 (the program folder) lead, for a program in
// `programFolder`; "" for any other.
QString AboutLinkTarget(int index, const QString& programFolder);
