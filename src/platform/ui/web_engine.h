#pragma once
// Qt WebEngine as the engine of the web browser controls (web_browser.h). Only the
// program's main links this library:
//
//     ui::prepareWebEngine();               // before the QApplication exists
//     QApplication app(argc, argv);
//     ui::startApplication();
//     ui::installWebEngine();               // browsers created from now on show pages
//
// A browser starts its page view at its first navigation to anything but about:blank,
// so loading a window with a browser that is only sent to an empty page starts no
// browser engine.

namespace ui {

// Lets WebEngine share graphics contexts with the widgets, as it requires.
void prepareWebEngine();
void installWebEngine();

}  // namespace ui
