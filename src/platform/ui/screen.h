#pragma once
// The screen as the windows see it: the primary display's size (1920 x 1080 pixels
// when there is none) at a fixed 15 twips per pixel, so windows centre on the real
// display while every length stays in the same units on every machine. MousePointer sets the pointer for the whole program
// (11, the hourglass, during long work); 0 gives each window its own back.

namespace ui {

class Form;

class Screen {
public:
    // The part of a display that windows may cover (the desktop's panels left out), in twips.
    struct WorkArea {
        double left, top, width, height;
    };

    static constexpr int kFallbackWidthPixels = 1920;
    static constexpr int kFallbackHeightPixels = 1080;

    static double Width();   // twips
    static double Height();  // twips
    static int TwipsPerPixelX();
    static int TwipsPerPixelY();
    static int MousePointer();
    static void setMousePointer(int pointer);
    // The work area of the display that shows `form`'s window; the primary display's when
    // the form has no window.
    static WorkArea WorkAreaOf(const Form& form);
};

}  // namespace ui
