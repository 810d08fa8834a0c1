#pragma once
// Button pictures the edit windows draw for themselves.

#include <QImage>

namespace tools {

// "Revert to Last Apply": an arrow bending back to the left (16 x 16).
QImage undoIcon();

}  // namespace tools
