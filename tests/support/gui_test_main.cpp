// The main of every GUI test program: a QApplication on the offscreen platform, the
// recording services installed, End() throwing ProgramEnded instead of leaving the
// process, and every test starting from scratch: services reset, every window
// discarded, the ended flag cleared. A window shown modally without a modal handler
// (or still shown after it) fails the test instead of blocking it.

#include <clocale>

#include <QApplication>
#include <gtest/gtest.h>

#include "support/test_environment.h"

#include "platform/ui/application.h"
#include "platform/ui/handlers.h"
#include "platform/ui/recording_services.h"
#include "platform/ui/testing.h"

namespace {

class FreshWindows : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { reset(); }
    void OnTestEnd(const ::testing::TestInfo&) override { reset(); }

    static void reset() {
        ui::testing::reset();
        ui::RecordingServices::shared().reset();
        ui::setServices(&ui::RecordingServices::shared());
        ui::setExitHook([] { throw ui::ProgramEnded{}; });
        ui::testing::setModalFailureReporter(
            [](const QString& what) { ADD_FAILURE() << what.toStdString(); });
    }
};

}  // namespace

int main(int argc, char** argv) {
    testsupport::applyTestEnvironment();
    ui::prepareApplication();
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    ui::startApplication();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshWindows);
    return RUN_ALL_TESTS();
}
