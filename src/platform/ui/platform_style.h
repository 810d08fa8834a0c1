#pragma once
// The look of every widget: Qt's Fusion style (the same on every desktop) with the
// platform's metrics where the windows' layouts count on them.

class QStyle;

namespace ui {

// Fusion, with check boxes' and option buttons' marks 13 pixels square as the
// platform draws them, so a 200-twip check box shows its whole mark.
QStyle* createPlatformStyle();

}  // namespace ui
