// The month-view calendar of the date box: hidden until shown, its exact design size,
// DateClick with the clicked day, LostFocus only when the focus leaves the calendar,
// and the theme's title and month colours.

#include <vector>

#include <QApplication>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/month_view.h"
#include "platform/ui/text_box.h"

namespace {

class DateForm : public ui::Form {
public:
    DateForm() : Form("DateForm") {}
    QPointer<ui::MonthView> MonthView1;
    QPointer<ui::TextBox> TextField16;

protected:
    void createControls() override {
        setClientSize(9000, 6000);
        TextField16 = create<ui::TextBox>("TextField16", 300, 4000, 1275, 300);
        MonthView1 = create<ui::MonthView>("MonthView1", 300, 600, 2832, 2256);
    }
};

QTableView* days(ui::MonthView& calendar) {
    return calendar.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
}

// The cell of a day of the shown month (days 14 to 22 appear once in any month page).
QRect dayCell(ui::MonthView& calendar, int day) {
    QTableView* view = days(calendar);
    const QAbstractItemModel* model = view->model();
    for (int r = 1; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->index(r, c).data().toInt() == day) return view->visualRect(model->index(r, c));
    return {};
}

TEST(MonthView, HiddenUntilShownAndExactlyItsDesignSize) {
    const QDate before = QDate::currentDate();
    DateForm& f = ui::loaded<DateForm>();
    f.Show();
    ui::MonthView& calendar = *f.MonthView1;
    EXPECT_FALSE(calendar.Visible());
    EXPECT_FALSE(calendar.isVisible());
    calendar.setVisible(true);
    EXPECT_TRUE(calendar.isVisible());
    EXPECT_EQ(calendar.size(), QSize(189, 150)) << "2832 x 2256 twips, below the calendar's natural size";
    // Today, whichever side of midnight the form was made on.
    EXPECT_GE(calendar.Value(), before);
    EXPECT_LE(calendar.Value(), QDate::currentDate());
}

// At the design size in the theme's font, the day names and all six weeks show whole:
// no name cut to "…", no week cut by the bottom edge.
TEST(MonthView, DayNamesAndSixWeeksShowWholeAtTheDesignSize) {
    DateForm& f = ui::loaded<DateForm>();
    f.Show();
    ui::MonthView& calendar = *f.MonthView1;
    calendar.setFont({"Arial", 9});
    calendar.setVisible(true);
    QTableView* view = days(calendar);
    QCoreApplication::processEvents();
    const QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->rowCount(), 7);
    const QFontMetrics metrics(view->font());
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex index = model->index(r, c);
            const QRect cell = view->visualRect(index);
            EXPECT_TRUE(view->viewport()->rect().contains(cell)) << "row " << r << " column " << c;
            EXPECT_GE(cell.height(), metrics.height()) << "row " << r;
            const QString text = index.data().toString();
            EXPECT_LE(metrics.horizontalAdvance(text) + 6, cell.width()) << text.toStdString();
        }
}

TEST(MonthView, DateClickCarriesTheClickedDayAfterValueTookIt) {
    DateForm& f = ui::loaded<DateForm>();
    f.Show();
    ui::MonthView& calendar = *f.MonthView1;
    calendar.setVisible(true);
    std::vector<QDate> clicked;
    QDate valueInHandler;
    calendar.DateClick = [&](QDate date) {
        clicked.push_back(date);
        valueInHandler = calendar.Value();
    };
    calendar.setValue(QDate(2021, 3, 14));
    EXPECT_EQ(calendar.monthShown(), 3);
    EXPECT_TRUE(clicked.empty()) << "a value set by code is no click";

    QTableView* view = days(calendar);
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, dayCell(calendar, 20).center());
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], QDate(2021, 3, 20));
    EXPECT_EQ(valueInHandler, QDate(2021, 3, 20));
}

TEST(MonthView, LostFocusOnlyWhenTheFocusLeavesTheWholeCalendar) {
    DateForm& f = ui::loaded<DateForm>();
    f.Show();
    QApplication::setActiveWindow(f.window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window()));
    ui::MonthView& calendar = *f.MonthView1;
    calendar.setVisible(true);
    int lost = 0, got = 0;
    calendar.LostFocus = [&] { ++lost; };
    calendar.GotFocus = [&] { ++got; };

    calendar.SetFocus();
    EXPECT_EQ(got, 1);
    auto* monthButton = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(monthButton, nullptr);
    monthButton->setFocusPolicy(Qt::StrongFocus);
    monthButton->setFocus();
    EXPECT_EQ(lost, 0) << "from the day table to the title bar";
    f.TextField16->SetFocus();
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(got, 1);
}

TEST(MonthView, TitleAndMonthColours) {
    DateForm& f = ui::loaded<DateForm>();
    f.Show();
    ui::MonthView& calendar = *f.MonthView1;
    calendar.setVisible(true);
    calendar.setTitleBackColor(ui::RGB(200, 0, 0));
    calendar.setMonthBackColor(ui::RGB(0, 120, 0));
    calendar.setForeColor(ui::RGB(0, 0, 255));
    calendar.setValue(QDate(2021, 3, 14));
    const QImage image = calendar.grab().toImage();

    auto* title = calendar.findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    ASSERT_NE(title, nullptr);
    const QPoint inTitle = title->mapTo(&calendar, QPoint(1, 1));
    EXPECT_EQ(image.pixelColor(inTitle), QColor(200, 0, 0));

    QTableView* view = days(calendar);
    const QRect cell = dayCell(calendar, 20).translated(view->viewport()->mapTo(&calendar, QPoint()));
    EXPECT_EQ(image.pixelColor(cell.topLeft() + QPoint(1, 1)), QColor(0, 120, 0));
    // The day number is drawn in ForeColor (antialiased: the darkest blue pixel).
    bool blueText = false;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            blueText = blueText || (c.blue() > 200 && c.red() < 60 && c.green() < 60);
        }
    EXPECT_TRUE(blueText);
}

}  // namespace
