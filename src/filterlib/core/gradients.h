#pragma once
// 3x3 gradients of a plane, edges repeated: gx is the right column minus the left one,
// gy the lower row minus the upper one, each column or row weighted 1 2 1 (Sobel) or
// 1 1 1 (Prewitt).

#include "filterlib/core/bands.h"
#include "filterlib/core/plane.h"

namespace filterlib {

enum class EdgeKernel { Sobel, Prewitt };

// Calls visit(x, y, gx, gy) for every pixel, the rows in bands side by side: a visit may
// write only to row y of its output. The plane needs a margin of at least 1.
template <class Visit>
void forEachGradient(const Plane& q, EdgeKernel kernel, Visit visit) {
    const int c = kernel == EdgeKernel::Sobel ? 2 : 1;
    eachRow(q.height(), q.width(), [&](int y) {
        const uint8_t* above = q.row(y - 1);
        const uint8_t* here = q.row(y);
        const uint8_t* below = q.row(y + 1);
        for (int x = 0; x < q.width(); ++x) {
            const int gx = (above[x + 1] + c * here[x + 1] + below[x + 1]) - (above[x - 1] + c * here[x - 1] + below[x - 1]);
            const int gy = (below[x - 1] + c * below[x] + below[x + 1]) - (above[x - 1] + c * above[x] + above[x + 1]);
            visit(x, y, gx, gy);
        }
    });
}

}  // namespace filterlib
