#pragma once
// A text box: Text, MultiLine (chosen at design: it picks the editor), ScrollBars,
// Locked, MaxLength (single-line boxes; 0 = no limit), SelStart/SelLength/SelText,
// PasswordChar, Alignment, BorderStyle. Change fires on every change of the text,
// typed or set by code, and not when the same text is set again. The Text of a
// multi-line box ends its lines with CR LF, as the windows compare it.
// OLEDropMode 1 (manual) makes the box a drop target: any drag is accepted, and a
// drop fires OLEDragDrop with the dropped data's file list (full local paths, in the
// order dragged; empty for data that holds no files). Mode 0 keeps the editor's own
// handling of dropped text.

#include <QFrame>
#include <QStringList>

#include "platform/ui/control.h"

class QLineEdit;
class QPlainTextEdit;

namespace ui {

class TextBox : public QFrame, public Control {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QString Text() const;
    void setText(const QString& text);
    bool MultiLine() const { return multiLine_; }
    void setMultiLine(bool multiLine);
    int ScrollBars() const { return scrollBars_; }
    void setScrollBars(int scrollBars);  // 0 none, 1 horizontal, 2 vertical, 3 both
    bool Locked() const { return locked_; }
    void setLocked(bool locked);
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int maxLength);
    int SelStart() const;
    void setSelStart(int start);
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString& text);
    QString PasswordChar() const { return passwordChar_; }
    void setPasswordChar(const QString& passwordChar);
    int Alignment() const { return alignment_; }
    void setAlignment(int alignment);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int borderStyle);
    int OLEDropMode() const { return oleDropMode_; }
    void setOLEDropMode(int mode);

    Event<> Change{this};
    Event<const QStringList&> OLEDragDrop{this};

    QWidget* editor() const;
    void copyPropertiesFrom(const Component& other) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void applyColors() override;

private:
    void passKeyToEditor(QKeyEvent* event);
    void makeEditor();
    void editorTextChanged();

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
    QString lastText_;
    bool multiLine_ = false;
    int scrollBars_ = 0;
    bool locked_ = false;
    int maxLength_ = 0;
    QString passwordChar_;
    int alignment_ = 0;
    int borderStyle_ = 1;
    int oleDropMode_ = 0;
};

}  // namespace ui
