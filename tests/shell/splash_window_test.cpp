// The splash window on the screen: the platform shows its drawing from the first frame,
// although the start-up holds still right after showing it.

#include <set>

#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "platform/ui/forms.h"
#include "platform/ui/testing.h"
#include "shell/splash_window.h"
#include "shell/welcome_window.h"
#include "support/program_folder_test.h"

namespace {

class Splash : public testsupport::ProgramFolderTest {};

TEST_F(Splash, ItsFirstFrameOnTheScreenHoldsItsDrawing) {
    ui::testing::setModalHandler([](ui::Form& form) { dynamic_cast<Form5&>(form).Image2_Click(); });
    QImage onScreen, drawn;
    services.whileSleeping = [&](int milliseconds) {
        if (milliseconds != 2000) return;  // the pause right after the splash appears
        QWidget* window = ui::forms<Form2>().window();
        onScreen = window->screen()->grabWindow(window->winId()).toImage();
        drawn = window->grab().toImage();
    };
    ASSERT_FALSE(runMain());

    ASSERT_FALSE(drawn.isNull());
    // The grey with its dark ruling, beside the panel.
    std::set<QRgb> ruling;
    for (int y = 0; y < 10; ++y) ruling.insert(drawn.pixel(5, y));
    EXPECT_EQ(ruling, (std::set<QRgb>{qRgb(50, 50, 50), qRgb(13, 13, 15)}));
    ASSERT_FALSE(onScreen.isNull()) << "nothing of the splash is on the screen";
    EXPECT_EQ(onScreen.convertToFormat(QImage::Format_RGB32), drawn.convertToFormat(QImage::Format_RGB32));
}

}  // namespace
