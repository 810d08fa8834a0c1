#pragma once
// Between picture objects and the toolkit's images: windows show picture objects, and
// the program's own pictures (icons, buttons) and the clipboard come as images.

#include <QImage>

#include "platform/picture/picture.h"

namespace ui {

// A bitmap picture owning a 32-bpp DIB section with the image's pixels (alpha ignored);
// no picture for a null image.
picture::Picture PictureFromImage(const QImage& image);

// The picture drawn at its own size, as a premultiplied ARGB image. Pictures that can be
// partly transparent (metafiles, icons, cursors, GIFs with a transparent colour) are drawn
// once over black and once over white, and each pixel's coverage follows from the
// difference, so antialiased edges blend into any background; all others are opaque. A null image for no picture or one that does not draw.
QImage ImageFromPicture(const picture::Picture& picture);
// The picture as it is shown stretched to `size`: a metafile is played at that size (so it
// is drawn crisp, not stretched from its own pixels; transparent where it draws nothing,
// partly so at the edges of its text),
// any other picture is its own-size image scaled smoothly by QPainter, pixel for pixel as
// drawing that image into `size` gives. A bitmap is scaled a band of rows at a time, so
// showing a big picture costs no full-size copy of it.
QImage ImageFromPicture(const picture::Picture& picture, QSize size);

}  // namespace ui
