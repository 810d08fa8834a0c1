#pragma once
// The hourglass over every window of the program while long work runs. The windows'
// pending repaints are done first, so what a window shows before the work (a moved
// slider, a "please wait" text, a closed panel) is on the screen while it runs; only
// paints run there, never a click, a key or a timer. The pointer the program had comes
// back when the object ends, also when the work throws.

namespace ui {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    int previous_;
};

}  // namespace ui
