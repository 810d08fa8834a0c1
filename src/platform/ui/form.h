#pragma once
// A window of the program. Each window is a subclass of Form whose object is the
// program-wide instance (forms.h): it holds the window-level variables as ordinary
// members and the controls as QPointer members, and it outlives Unload.
//
//     class Form1 : public ui::Form {
//     public:
//         Form1() : Form("Form1") {}
//         QPointer<ui::Label> Label1;
//     protected:
//         void createControls() override;     // builds the widget tree, connects handlers
//         void Form_Load() override;
//     };
//
// Load() builds a fresh widget tree (createControls) and runs Form_Load; Unload()
// runs Form_QueryUnload and Form_Unload (either may cancel), then marks the form
// unloaded, closes its data controls, retires its controls (no more events) and hides
// the window; the widgets are destroyed when the outermost handler returns, and the
// control members then read null. The variables keep their values.
//
// Geometry: Left, Top, Width and Height are the OUTER position and size in twips
// (doubles). The client area is the outer size less the non-client metrics of the
// border style (nonClientMetrics()); ScaleWidth/ScaleHeight give it in ScaleMode units.

#include <memory>
#include <optional>
#include <vector>

#include <QPointer>
#include <QString>

#include "platform/ui/colors.h"
#include "platform/ui/font.h"
#include "platform/ui/surface.h"

class QEventLoop;
class QWidget;

namespace ui {

class Component;
class Control;
class ControlArrayBase;
template <class T>
class ControlArray;
class Menu;
class Timer;
class FormWindow;
class ClientArea;

enum FormBorderStyle : int {
    vbBSNone = 0,
    vbFixedSingle = 1,
    vbSizable = 2,
    vbFixedDialog = 3,
    vbFixedToolWindow = 4,
    vbSizableToolWindow = 5,
};
enum ShowMode : int { vbModeless = 0, vbModal = 1 };
enum QueryUnloadMode : int {
    vbFormControlMenu = 0,
    vbFormCode = 1,
    vbAppWindows = 2,
    vbAppTaskManager = 3,
    vbFormMDIForm = 4,
    vbFormOwner = 5,
};
enum StartUpPositionCode : int {
    vbStartUpManual = 0,
    vbStartUpOwner = 1,
    vbStartUpScreen = 2,
    vbStartUpWindowsDefault = 3,
};
enum WindowStateCode : int { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };

// Pixels around the client area, fixed per border style (whatever the window manager
// draws): fixed single and fixed dialog 3 px frames and a 22 px caption; sizable 4 px
// frames and a 22 px caption; tool windows the same frames with a 16 px caption; no
// border none at all. A platform menu bar adds 20 px above the client area.
struct NonClientMetrics {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return left + right; }
    int height() const { return top + bottom; }
};
NonClientMetrics nonClientMetrics(int borderStyle, bool hasMenuBar);

class Form : public Surface {
public:
    explicit Form(QString name);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    QString Name() const { return name_; }

    // ---- life cycle ----
    void Load();
    void Show(int modal = vbModeless);
    void Hide();
    // False when Form_QueryUnload or Form_Unload cancelled.
    bool Unload() { return unloadWith(vbFormCode); }
    bool isLoaded() const { return loaded_; }

    // ---- window properties ----
    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    COLORREF BackColor() const { return back_; }
    void setBackColor(COLORREF color);
    COLORREF ForeColor() const { return fore_; }
    void setForeColor(COLORREF color) { fore_ = color; }
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int borderStyle);  // keeps the client size
    bool ControlBox() const { return controlBox_; }
    void setControlBox(bool controlBox);
    bool MinButton() const { return minButton_; }
    void setMinButton(bool minButton);
    bool MaxButton() const { return maxButton_; }
    void setMaxButton(bool maxButton);
    int StartUpPosition() const { return startUpPosition_; }
    void setStartUpPosition(int position) { startUpPosition_ = position; }
    int WindowState() const { return windowState_; }
    void setWindowState(int state);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int pointer);
    ui::Font Font() const { return font_; }
    void setFont(const ui::Font& font);
    QString Tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }
    bool KeyPreview() const { return keyPreview_; }
    void setKeyPreview(bool keyPreview) { keyPreview_ = keyPreview; }

    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    void setLeft(double left);
    void setTop(double top);
    void setWidth(double width);
    void setHeight(double height);
    void Move(double left, std::optional<double> top = {}, std::optional<double> width = {},
              std::optional<double> height = {});
    // Sets the outer size from a client size in twips (the design size of a window).
    void setClientSize(double width, double height);
    NonClientMetrics nonClient() const;

    void ZOrder(int position = 0);
    // Repaints the shown window at once (once the platform has put it on the screen).
    void Refresh();

    // Every control of the loaded window, menus and timers included, in creation order.
    std::vector<Component*> Controls() const;

    // The top-level widget and its client area while loaded (null otherwise).
    QWidget* window() const;
    QWidget* clientArea() const;

    // ---- event handlers a window overrides ----
    virtual void Form_Initialize() {}
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Deactivate() {}
    virtual void Form_Resize() {}
    virtual void Form_Paint() {}
    virtual void Form_QueryUnload(int& Cancel, int UnloadMode) {}
    virtual void Form_Unload(int& Cancel) {}
    virtual void Form_Terminate() {}
    virtual void Form_Click() {}
    virtual void Form_DblClick() {}
    virtual void Form_MouseDown(int Button, int Shift, double X, double Y) {}
    virtual void Form_MouseMove(int Button, int Shift, double X, double Y) {}
    virtual void Form_MouseUp(int Button, int Shift, double X, double Y) {}
    virtual void Form_KeyDown(int& KeyCode, int Shift) {}
    virtual void Form_KeyUp(int& KeyCode, int Shift) {}
    virtual void Form_KeyPress(int& KeyAscii) {}

protected:
    // Builds the window: caption, border, client size, colours, then every control
    // (set design properties before connecting handlers; nothing fires meanwhile).
    virtual void createControls() = 0;
    // Closes the window's data controls; runs at once when the window unloads.
    virtual void closeDataControls() {}

    // A control named `name` at (left, top, width, height) in the units of its
    // container (the form when container is null).
    template <class T>
    T* create(const QString& name, double left, double top, double width, double height,
              Control* container = nullptr);
    // Element `index` of a control array.
    template <class T>
    T* create(ControlArray<T>& array, int index, double left, double top, double width, double height,
              Control* container = nullptr);
    Timer* createTimer(const QString& name, int interval = 0, bool enabled = true);
    // A platform menu bar entry (parent null) or an item of a drop-down menu.
    Menu* createMenu(const QString& name, const QString& caption, Menu* parent = nullptr);

    // Surface
    COLORREF surfaceBackColor() const override { return back_; }
    COLORREF surfaceForeColor() const override { return fore_; }
    QSize surfaceSize() const override;
    void surfaceChanged() override;
    void scaleChanged() override;

private:
    friend class FormWindow;
    friend class ClientArea;
    friend class ControlArrayBase;
    friend void formsDiscardAll();

    QWidget* parentFor(Control* container) const;
    void adopt(Component* component, QObject* object, const QString& name, int index);
    void buildWindow();
    bool unloadWith(int mode);
    void teardown();
    void runModal();
    void activate();
    void applyWindowFlags();
    void applyWindowGeometry();
    // Puts the window's frame at (Left, Top).
    void placeWindow();
    void applyFormColors();
    QSize clientPixels() const;
    void sizeChanged(QSize before);
    void windowResized(QSize clientPixels);
    void windowMoved(QPoint position);
    void placeAtStartUp();

    QString name_;
    QPointer<FormWindow> window_;
    QPointer<ClientArea> client_;
    std::vector<ControlArrayBase*> arrays_;
    bool loaded_ = false;
    bool loading_ = false;
    bool unloading_ = false;
    bool visible_ = false;
    bool shownSinceLoad_ = false;
    bool hasMenuBar_ = false;
    QEventLoop* modalLoop_ = nullptr;

    QString caption_;
    COLORREF back_ = vbButtonFace;
    COLORREF fore_ = vbButtonText;
    int borderStyle_ = vbSizable;
    bool controlBox_ = true;
    bool minButton_ = true;
    bool maxButton_ = true;
    int startUpPosition_ = vbStartUpWindowsDefault;
    int windowState_ = vbNormal;
    bool enabled_ = true;
    int mousePointer_ = 0;
    ui::Font font_;
    QString tag_;
    bool keyPreview_ = false;
    double left_ = 0, top_ = 0, width_ = 4800, height_ = 3600;
};

}  // namespace ui

#include "platform/ui/form_create.h"
