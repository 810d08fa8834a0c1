#pragma once
// What the program's main() calls around its QApplication:
//
//     int main(int argc, char** argv) {
//         ui::prepareApplication();          // before the QApplication exists
//         QApplication app(argc, argv);
//         ui::startApplication();            // name, style, fonts, services, End
//         ...
//     }

namespace ui {

// Pixel-exact widgets: one logical pixel per device pixel whatever the display's
// scale, because every length is twips at a fixed 15 per pixel.
void prepareApplication();

// Application name "Quillmere", the platform style (platform_style.h),
// the font substitutions, the Qt services (also as the runtime layer's message
// service), and End()'s exit hook: registered cleanups, then the process ends at once.
void startApplication();

}  // namespace ui
