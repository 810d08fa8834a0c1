#pragma once
// The work one playback may do. A metafile's records ask for work in proportion to what
// they draw, and a small file can ask for a great deal: a 24-byte rectangle fills the
// whole target, one short curve record makes a thousand vertices, one line with a wide
// pen sweeps a band across the target. Playback charges each drawing call, before it
// draws, the work it will do, in units of about a nanosecond on one core:
//
//   every call                 1,024
//   each vertex it makes       64
//   fills                      1 per 8 pixels of the figures' box within the target,
//                              16 per row each edge crosses there
//   one-pixel pens             2 per pixel along each segment within the target
//   wider pens                 4 x the width (at most the target's extent) per pixel
//                              along each segment, 8 per row a segment's brush reaches
//   text                       8,192, 256 per character, 2 per pixel of its box and
//                              2 per pixel of each glyph's square within the target
//   blits                      1 per destination pixel within the target
//   clip changes               1 per span (one band's x-run) of the clip before and
//                              after, and of the region it meets (charged once done)
//
// and may spend 256 per pixel of the target (the part of the destination on the
// surface, counted as at least 256 x 256) plus 1,024 per record played. A call that would
// spend more than is left ends playback; what was drawn stays (so does a path that grows
// past 4,194,304 vertices). So any file plays in time proportional to its size and the
// target's, well under a second for a 1 MB file into 1000 x 1000 pixels (bench/metafile),
// and a file that fills the whole target even a thousand times over never meets the
// bound.

#include <cstdint>
#include <vector>

#include "platform/gdi/device_drawing.h"
#include "platform/gdi/gdi.h"

namespace picture::detail {

class PlaybackBudget {
public:
    explicit PlaybackBudget(const gdi::RECT& target);

    void recordPlayed() { left_ += kPerRecord; }
    // Takes the units; false, taking nothing, when fewer are left.
    bool take(double units);

    // The costs of the drawing calls, in device pixels. A pen width of 0 strokes nothing.
    double figures(const std::vector<gdi::Figure>& figures, bool closed, bool filled, int penWidth) const;
    double text(double boxWidth, double boxHeight, size_t characters, double glyphSide) const;
    double blit(const gdi::RECT& destination) const;
    double vertices(size_t count) const { return kPerVertex * double(count); }
    double clip(size_t spans) const { return double(spans); }

    static constexpr int64_t kPerRecord = 1024, kPerCall = 1024, kPerVertex = 64;

private:
    double area(double left, double top, double right, double bottom) const;

    gdi::RECT target_;
    int64_t left_;
};

}  // namespace picture::detail
