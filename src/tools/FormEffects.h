#pragma once

namespace tools {

// The main window's "Effects": the effects window gets the main window's shown picture
// and pane size, then shows modeless.
void ShowEffectsWindow();

}  // namespace tools
