#pragma once
// A label: Caption, Alignment (0 left, 1 right, 2 centre), AutoSize (the label takes
// the size of its caption), WordWrap (with AutoSize: grows in height only),
// BackStyle (0 transparent, 1 opaque), BorderStyle (0 none, 1 fixed single).
// Click comes from the mouse.

#include <QLabel>

#include "platform/ui/control.h"

namespace ui {

class Label : public QLabel, public Control {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    int Alignment() const { return alignment_; }
    void setAlignment(int alignment);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool wordWrap);
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int backStyle);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int borderStyle);

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool fillsBackground() const override { return backStyle_ != 0; }
    void geometryApplied() override;

private:
    void fitToCaption();

    QString caption_;
    int alignment_ = 0;
    bool autoSize_ = false;
    bool wordWrap_ = false;
    int backStyle_ = 1;
    int borderStyle_ = 0;
    bool fitting_ = false;
};

}  // namespace ui
