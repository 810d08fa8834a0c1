#pragma once
// Every window of the program as a user reaches it, from the first start on: each window
// is handed to `visit` in the states that show its panels and menus. Tests of what
// every window must satisfy (layout, look) take the same tour.

#include <set>
#include <string>

#include "platform/ui/form.h"
#include "support/program_folder_test.h"

namespace testsupport {

class WindowTour : public ProgramFolderTest {
protected:
    // Called for each window as it stands; modal windows are unloaded after it.
    virtual void visit(ui::Form& form) = 0;

    // Runs the whole tour and expects it to have reached every window; `seen` names
    // the windows visited.
    void visitEveryWindow();

    // Set while the main window is visited narrow: its detail block then lies wholly
    // right of the window's edge by design.
    bool narrowMain = false;
    std::set<std::string> seen;

private:
    void visitShown(ui::Form& form);
    void visitModalWindows();
    // With QM_SCREENSHOT_DIR set, each window visited is also written there as a PNG
    // file, and each of its menus opened (scripts/window-screenshots).
    void keepScreenshot(ui::Form& form);
    int shots = 0;
};

}  // namespace testsupport
