#pragma once
// The month-view calendar: one month at a time with a title bar to change month and
// year. Value is the selected date (today's at creation); setting it by code shows its
// month and fires nothing. DateClick(date) fires when the user clicks a day, after
// Value has become that day. GotFocus and LostFocus fire when the focus enters or
// leaves the calendar as a whole: moving between its day table and its title buttons
// is no focus change.
//
// Colours: TitleBackColor and TitleForeColor paint the title bar; MonthBackColor the
// day table, whose day numbers and day names are in ForeColor (weekends too; days of
// the neighbouring months are greyed); BackColor fills what is left.
//
// A calendar is hidden when created: Visible is false until set, as a calendar that
// opens on demand wants it. It takes exactly the size it is given, however small.

#include <QCalendarWidget>
#include <QDate>

#include "platform/ui/control.h"

namespace ui {

class MonthView : public QCalendarWidget, public Control {
    Q_OBJECT
public:
    explicit MonthView(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QDate Value() const { return selectedDate(); }
    void setValue(const QDate& date);

    COLORREF TitleBackColor() const { return titleBack_; }
    void setTitleBackColor(COLORREF color);
    COLORREF TitleForeColor() const { return titleFore_; }
    void setTitleForeColor(COLORREF color);
    COLORREF MonthBackColor() const { return monthBack_; }
    void setMonthBackColor(COLORREF color);

    Event<QDate> DateClick{this};

protected:
    void applyColors() override;

private:
    void focusMoved(QWidget* from, QWidget* to);
    bool contains(const QWidget* widget) const;

    COLORREF titleBack_ = vbActiveTitleBar;
    COLORREF titleFore_ = vbTitleBarText;
    COLORREF monthBack_ = vbWindowBackground;
};

}  // namespace ui
