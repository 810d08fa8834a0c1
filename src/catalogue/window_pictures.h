#pragma once
// The pictures the program carries for its windows: icons, button pictures, the logo.

#include <QImage>

#include "platform/picture/picture.h"

namespace catalogue {

// A picture of the program's own by file name ("tool-find.png").
QImage windowPicture(const char* name);
// The logo, as a bitmap picture object like a record's picture.
picture::Picture logoPicture();

}  // namespace catalogue
