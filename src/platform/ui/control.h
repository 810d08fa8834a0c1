#pragma once
// What every control that is a widget has, as a mixin beside its Qt widget:
//
//     class Label : public QLabel, public Control { ... };
//
// Geometry is kept in twips as doubles and read and written in the units of the
// container (form or picture box: twips unless its ScaleMode says otherwise);
// pixels are applied by rounding halves to even. Visible is the control's own flag:
// it stays true for a control of a hidden window, unlike QWidget::isVisible().
// Mouse and key events of the widget arrive as the events below; X and Y are in the
// container's units, relative to the control. A double click fires DblClick when the
// control has a handler for it; otherwise its second click is a click of its own.
//
// QWidget has setVisible, setEnabled and setFont too; each control class brings
// ours into scope with a using-declaration, so calls on a control mean these.

#include <optional>

#include <QCursor>
#include <QPointer>
#include <QWidget>

#include "platform/ui/colors.h"
#include "platform/ui/component.h"
#include "platform/ui/event.h"
#include "platform/ui/font.h"
#include "platform/ui/units.h"

namespace ui {

class Control : public Component {
public:
    explicit Control(QWidget* self);
    ~Control() override;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    QWidget* widget() const { return self_; }

    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void setLeft(double left);
    void setTop(double top);
    void setWidth(double width);    // negative: error 380
    void setHeight(double height);  // negative: error 380
    void Move(double left, std::optional<double> top = {}, std::optional<double> width = {},
              std::optional<double> height = {});

    // Twips, whatever the container's units.
    double leftTwips() const { return left_; }
    double topTwips() const { return top_; }
    double widthTwips() const { return width_; }
    double heightTwips() const { return height_; }
    void setGeometryTwips(double left, double top, double width, double height);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    COLORREF BackColor() const { return back_; }
    void setBackColor(COLORREF color);
    COLORREF ForeColor() const { return fore_; }
    void setForeColor(COLORREF color);

    ui::Font Font() const { return font_; }
    void setFont(const ui::Font& font);
    QString FontName() const { return font_.name; }
    void setFontName(const QString& name);
    double FontSize() const { return font_.size; }
    void setFontSize(double points);
    bool FontBold() const { return font_.bold; }
    void setFontBold(bool bold);
    bool FontItalic() const { return font_.italic; }
    void setFontItalic(bool italic);
    bool FontUnderline() const { return font_.underline; }
    void setFontUnderline(bool underline);

    QString ToolTipText() const { return toolTip_; }
    void setToolTipText(const QString& text);
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int pointer);
    // The pointer that MousePointer 99 shows; without one, 99 shows a hand.
    const std::optional<QCursor>& MouseIcon() const { return mouseIcon_; }
    void setMouseIcon(const QCursor& icon);

    // 0: to the front of its container; 1: to the back.
    void ZOrder(int position = 0);
    // Error 5 when the control cannot take the focus (hidden, disabled, window not shown).
    void SetFocus();
    void Refresh();

    Event<> Click{this};
    Event<> DblClick{this};
    Event<> GotFocus{this};
    Event<> LostFocus{this};
    Event<int, int, double, double> MouseDown{this};  // Button, Shift, X, Y
    Event<int, int, double, double> MouseMove{this};
    Event<int, int, double, double> MouseUp{this};
    Event<int&> KeyPress{this};       // KeyAscii; 0 swallows the key
    Event<int&, int> KeyDown{this};   // KeyCode, Shift
    Event<int&, int> KeyUp{this};

    // The units of the container this control lives in.
    Scale containerScale() const;
    // Re-applies the pixel geometry (after the container's scale or border changed).
    void applyGeometry();

    void copyPropertiesFrom(const Component& other) override;

protected:
    // Called at the end of each control's constructor, once the widget is complete.
    void initAppearance(COLORREF back, COLORREF fore);
    virtual void applyColors();
    virtual bool fillsBackground() const { return true; }
    void applyFont();
    virtual void geometryApplied() {}
    // Mouse coordinates: the units and the pixel origin (inside a border) of X and Y.
    virtual Scale mouseScale() const { return containerScale(); }
    virtual QPoint mouseOrigin() const { return {}; }
    // Labels, images, frames and picture boxes make Click from the mouse; buttons,
    // check boxes and lists fire it from their value instead.
    virtual bool clicksFromMouse() const { return true; }
    // Reads mouse, key and focus events of another widget too (a text box's editor).
    void watchInput(QWidget* widget);
    void unwatchInput(QWidget* widget);
    void setPixelSize(int width, int height);  // for AutoSize: keeps Left and Top

private:
    friend class InputWatcher;
    bool handleInput(QWidget* widget, class QEvent* event);

    QWidget* self_;
    class InputWatcher* watcher_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    COLORREF back_ = 0x8000000F;
    COLORREF fore_ = 0x80000012;
    ui::Font font_;
    QString toolTip_;
    int mousePointer_ = 0;
    std::optional<QCursor> mouseIcon_;
    bool pressInside_ = false;
    bool replacingKey_ = false;
};

// Runs a property change made by code through the dispatch, so the events it fires
// follow the rules of End (handlers.h).
void byCode(const std::function<void()>& change);

}  // namespace ui
