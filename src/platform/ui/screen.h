#pragma once
// The screen as the windows see it: a fixed virtual screen of 1920 x 1080 pixels at
// 15 twips per pixel, whatever the display is, so that layouts computed from it are
// the same on every machine. MousePointer sets the pointer for the whole program
// (11, the hourglass, during long work); 0 gives each window its own back.

namespace ui {

class Screen {
public:
    static constexpr int kWidthPixels = 1920;
    static constexpr int kHeightPixels = 1080;

    static double Width();   // twips
    static double Height();  // twips
    static int TwipsPerPixelX();
    static int TwipsPerPixelY();
    static int MousePointer();
    static void setMousePointer(int pointer);
};

}  // namespace ui
