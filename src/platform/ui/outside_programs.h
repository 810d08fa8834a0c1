#pragma once
// Handing a file, folder or address to a program outside the catalogue. When nothing
// takes it (no program set up for its type, no paint program, a file that is not
// there), a message box names it and says why, so a click never ends in silence.

#include <QString>

namespace ui {

// Opens the target with its registered program; false, after the message, when nothing
// opened it. A target may be a path or an address (a file:// one is named by its path).
bool openWithRegisteredProgram(const QString& target);
// Starts the paint program on a file; false, after the message, when none started.
bool openInPaintProgram(const QString& file);

}  // namespace ui
