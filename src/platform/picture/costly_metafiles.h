#pragma once
// Metafiles whose drawing once cost far more than their size: each declares side x side
// pixels and repeats its one kind of record (or grows its one record) to about `bytes`
// bytes. For the benchmarks (at 1 MB and 1000 pixels) and the tests (smaller). Not used
// by the program itself.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace picture::testing {

// One PolyBezier16 whose control points lie near (+-32000, +-32000), far outside.
std::vector<uint8_t> farBezierEmf(int side, size_t bytes);
// One polygon whose edges run from the top edge to the bottom edge and back.
std::vector<uint8_t> zigzagPolygonEmf(int side, size_t bytes);
// Rectangles over the whole picture.
std::vector<uint8_t> wholeRectanglesEmf(int side, size_t bytes);
std::vector<uint8_t> wholeRectanglesWmf(int side, size_t bytes);
// Ellipses 60,000,000 units across around the picture.
std::vector<uint8_t> hugeEllipsesEmf(int side, size_t bytes);
// Lines across the picture with a pen 1,000,000 units wide.
std::vector<uint8_t> widePenLinesEmf(int side, size_t bytes);
// One polyline through random points with a pen 3 units wide.
std::vector<uint8_t> widePenPolylineEmf(int side, size_t bytes);
// ExtTextOutW of "WM" in a font 4,000 units high, opaque.
std::vector<uint8_t> hugeFontTextEmf(int side, size_t bytes);
// ExtTextOutW of 64 characters that no font has, each with its advance, in a font 3,000
// units high turned by 33 degrees.
std::vector<uint8_t> lackingCharactersTextEmf(int side, size_t bytes);
// ExtTextOutW of 10,000 characters each, every character with its advance.
std::vector<uint8_t> spacedTextEmf(int side, size_t bytes);
// StretchDIBits of a one-pixel bitmap onto the whole picture.
std::vector<uint8_t> onePixelStretchesEmf(int side, size_t bytes);
// One 1-bpp bitmap of about `bytes` halftoned onto the whole picture.
std::vector<uint8_t> halftonedBitmapEmf(int side, size_t bytes);

}  // namespace picture::testing
