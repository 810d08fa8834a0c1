// The hourglass while long work runs: set over every window, the pending repaints done
// before the work starts (and nothing else run), and the program's pointer back after
// the work, also when it throws and when waits nest.

#include <stdexcept>

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/ui/input.h"
#include "platform/ui/screen.h"
#include "platform/ui/wait_cursor.h"

namespace {

class CountingLabel : public QLabel {
public:
    using QLabel::QLabel;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        QLabel::paintEvent(event);
    }
};

Qt::CursorShape programCursor() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

TEST(WaitCursor, ShowsTheHourglassOnlyWhileTheWorkRunsEvenWhenItThrows) {
    const int kinds[] = {ui::vbDefault, ui::vbArrow};
    for (const int before : kinds) {
        SCOPED_TRACE(before);
        ui::Screen::setMousePointer(before);
        {
            const ui::WaitCursor busy;
            EXPECT_EQ(ui::Screen::MousePointer(), ui::vbHourglass);
            EXPECT_EQ(programCursor(), Qt::WaitCursor);
            {
                const ui::WaitCursor inner;
            }
            EXPECT_EQ(programCursor(), Qt::WaitCursor) << "an inner wait keeps the outer one's hourglass";
        }
        EXPECT_EQ(ui::Screen::MousePointer(), before);

        EXPECT_THROW(
            {
                const ui::WaitCursor busy;
                throw std::runtime_error("the work failed");
            },
            std::runtime_error);
        EXPECT_EQ(ui::Screen::MousePointer(), before);
    }
    ui::Screen::setMousePointer(ui::vbDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(WaitCursor, PaintsWhatIsPendingAndRunsNothingElseBeforeTheWork) {
    QWidget window;
    auto* label = new CountingLabel("ready", &window);
    window.show();
    QApplication::processEvents();
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });

    label->setText("Loading Please Wait...");
    const int paintsBefore = label->paints;
    const ui::WaitCursor busy;
    EXPECT_GT(label->paints, paintsBefore) << "the new text is on the screen before the work starts";
    EXPECT_FALSE(timerRan);
}

}  // namespace
