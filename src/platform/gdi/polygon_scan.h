#pragma once
// Which pixels closed figures cover, without antialiasing: pixel (x, y) is in when the
// point (x + 1/64, y + 1/64), nudged up and left by less than any distance the vertices
// can express, lies inside by the fill rule. Vertices count in 64ths of a pixel. So a
// pixel whose centre lies on a left or top edge is in, one on a right or bottom edge out,
// and every figure at whole-pixel coordinates is filled as Qt's raster engine fills it
// shifted by half a pixel less 1/64 (which the fills matched before they were our own).
//
// Work: each edge once per row it crosses, plus a sort of the crossings of each row.

#include <cstdint>
#include <vector>

#include "platform/gdi/device_drawing.h"

namespace gdi::detail {

class PolygonScan {
public:
    // Figures closed implicitly, vertices within +-2^30 of the origin; only the rows
    // [top, bottom) are scanned.
    PolygonScan(const std::vector<Figure>& figures, bool winding, int top, int bottom);

    // Calls span(y, x0, x1) for each run [x0, x1) of covered pixels, row by row from the
    // top; runs may reach past any column range, the caller clips them.
    template <class Span>
    void run(Span span);

private:
    struct Edge {
        int top, bottom;     // rows [top, bottom)
        int64_t x;           // the first pixel right of the crossing on the current row
        int64_t rest, denominator, stepX, stepRest;
        int direction;       // +1 downwards, -1 upwards
    };
    void crossings(int y);

    bool winding_;
    int top_, bottom_;
    std::vector<Edge> edges_;  // by first row
    size_t next_ = 0;          // the first edge not yet met
    std::vector<Edge*> active_;
    std::vector<std::pair<int64_t, int>> row_;  // crossings of one row: pixel, direction
};

template <class Span>
void PolygonScan::run(Span span) {
    for (int y = top_; y < bottom_; ++y) {
        crossings(y);
        int wind = 0;
        for (size_t i = 0; i + 1 < row_.size(); ++i) {
            wind += row_[i].second;
            const bool in = winding_ ? wind != 0 : (i % 2 == 0);
            if (in && row_[i].first < row_[i + 1].first) span(y, row_[i].first, row_[i + 1].first);
        }
    }
}

}  // namespace gdi::detail
