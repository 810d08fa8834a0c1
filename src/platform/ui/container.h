#pragma once
// A widget that holds controls in a coordinate system of its own: the client area of
// a form and a picture box. Frames are no such container: their children use the
// units of the frame's own container.

#include <QPoint>

#include "platform/ui/units.h"

namespace ui {

class ScaleContainer {
public:
    virtual ~ScaleContainer() = default;
    virtual Scale childScale() const = 0;
    // Pixel offset of the client origin inside the widget (a picture box's border).
    virtual QPoint childOrigin() const { return {}; }
};

}  // namespace ui
