#include "platform/ui/month_view.h"

#include <QApplication>
#include <QLayout>
#include <QTableView>
#include <QTextCharFormat>

namespace ui {

MonthView::MonthView(QWidget* parent) : QCalendarWidget(parent), Control(this) {
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // A day's column is 27 pixels at the design size: "Mon" and "Wed" would show as "…".
    setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    setFirstDayOfWeek(Qt::Sunday);
    setGridVisible(false);
    // Weekends are written like the other days.
    setWeekdayTextFormat(Qt::Saturday, QTextCharFormat());
    setWeekdayTextFormat(Qt::Sunday, QTextCharFormat());
    // The inner layout would otherwise impose its minimum size over the twips geometry.
    if (QLayout* l = layout()) l->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);
    connect(this, &QCalendarWidget::clicked, this, [this](QDate date) { DateClick.fire(date); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) { focusMoved(from, to); });
    initAppearance(vbWindowBackground, vbWindowText);
    Control::setVisible(false);
}

void MonthView::setValue(const QDate& date) {
    setSelectedDate(date);
    setCurrentPage(date.year(), date.month());
}

bool MonthView::contains(const QWidget* widget) const {
    // Parent by parent, so that the title bar's drop-down menus count as inside.
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w == this) return true;
    return false;
}

void MonthView::focusMoved(QWidget* from, QWidget* to) {
    const bool wasInside = contains(from);
    const bool isInside = contains(to);
    if (wasInside && !isInside) LostFocus.fire();
    if (!wasInside && isInside) GotFocus.fire();
}

void MonthView::setTitleBackColor(COLORREF color) {
    titleBack_ = color;
    applyColors();
}

void MonthView::setTitleForeColor(COLORREF color) {
    titleFore_ = color;
    applyColors();
}

void MonthView::setMonthBackColor(COLORREF color) {
    monthBack_ = color;
    applyColors();
}

void MonthView::applyColors() {
    Control::applyColors();
    // The title bar paints its background in Highlight and its texts in HighlightedText.
    if (auto* title = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        QPalette p = title->palette();
        for (auto role : {QPalette::Highlight, QPalette::Window, QPalette::Button})
            p.setColor(role, toQColor(titleBack_));
        for (auto role : {QPalette::HighlightedText, QPalette::WindowText, QPalette::ButtonText})
            p.setColor(role, toQColor(titleFore_));
        title->setPalette(p);
        title->update();
    }
    if (auto* days = findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        QPalette p = days->palette();
        // Base under the days, AlternateBase under the day names, Window outside the range.
        for (auto role : {QPalette::Base, QPalette::AlternateBase, QPalette::Window})
            p.setColor(role, toQColor(monthBack_));
        p.setColor(QPalette::Active, QPalette::Text, toQColor(ForeColor()));
        p.setColor(QPalette::Inactive, QPalette::Text, toQColor(ForeColor()));
        days->setPalette(p);
        days->viewport()->update();
    }
}

}  // namespace ui
