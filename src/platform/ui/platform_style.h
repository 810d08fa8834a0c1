#pragma once
// The look of every widget: Qt's Fusion style (the same on every desktop) with the
// platform's metrics where the windows' layouts count on them, in the platform's
// dark colours.

#include <QPalette>

class QStyle;

namespace ui {

// Fusion, with check boxes' and option buttons' marks 13 pixels square as the
// platform draws them, so a 200-twip check box shows its whole mark.
QStyle* createPlatformStyle();

// The application palette made of the system colours (colors.h), so that what the
// windows do not colour themselves (menus, scroll bars, message boxes, standard
// buttons) shows the same dark scheme as the controls left in system colours.
QPalette platformPalette();

}  // namespace ui
