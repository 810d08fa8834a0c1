#pragma once
// Regions: sets of pixels made from rectangles, as the image class builds them from an
// alpha channel and hands them to its callers.
//
// A region keeps its pixels as the platform does (see bands.h): rectangles in bands from
// the top, each band sorted from the left, touching rectangles within a band joined, and
// consecutive bands over the same columns merged into one. Two regions that cover the
// same pixels therefore hold the same rectangles, whatever they were made from, which is
// what EqualRgn compares. Regions are GDI objects: GetObjectType gives OBJ_REGION and
// DeleteObject ends them.

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace gdi {

// Region complexity (results of CombineRgn, OffsetRgn, GetRgnBox)
constexpr int ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
// CombineRgn modes
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
// RGNDATAHEADER.iType
constexpr DWORD RDH_RECTANGLES = 1;

struct RGNDATAHEADER {
    DWORD dwSize;    // 32
    DWORD iType;     // RDH_RECTANGLES
    DWORD nCount;    // rectangles that follow the header
    DWORD nRgnSize;  // their bytes, nCount x 16 (0 is accepted too)
    RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);

// The header, directly followed by nCount RECTs (right and bottom exclusive).
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};

struct XFORM {
    float eM11, eM12, eM21, eM22, eDx, eDy;
};

// Left/right and top/bottom are swapped when given the wrong way round; an empty
// rectangle makes an empty region.
HRGN CreateRectRgn(int left, int top, int right, int bottom);

// A region from `count` bytes of region data: the header and its rectangles, in any
// order and overlapping as they like; empty rectangles add nothing and rcBound is not
// used. 0 for a transformation (none is supported), a header other than a 32-byte
// rectangle list, fewer bytes than the rectangles need, or more rectangles than one call
// accepts (see testing::setMaxRegionRectangles).
HRGN ExtCreateRegion(const XFORM* xform, DWORD count, const RGNDATA* data);

// dest := src1 AND, OR, XOR or DIFF (src1 without src2) src2, or a copy of src1
// (RGN_COPY, src2 unused); dest must be a region already and may be one of the sources.
// Returns the complexity of dest; ERROR for other modes and for stale handles, leaving
// dest as it was.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);

// Moves the region; ERROR, nothing moved, when a coordinate would leave the 32-bit range.
int OffsetRgn(HRGN region, int dx, int dy);

// With data == nullptr: the bytes the region's data takes (header and rectangles).
// Otherwise fills them in when `count` is enough and returns the bytes written, else 0.
// An empty region has no rectangles and a bounding rectangle of zeros.
DWORD GetRegionData(HRGN region, DWORD count, RGNDATA* data);

BOOL EqualRgn(HRGN a, HRGN b);  // FALSE also for a stale handle
BOOL PtInRegion(HRGN region, int x, int y);
// The bounding rectangle (zeros for an empty region) and the complexity.
int GetRgnBox(HRGN region, RECT* box);

namespace testing {
// The most rectangles one ExtCreateRegion call accepts; a negative count (the default)
// sets no limit. For the callers' paths that build a large region in batches.
void setMaxRegionRectangles(int64_t count);
}  // namespace testing

}  // namespace gdi
