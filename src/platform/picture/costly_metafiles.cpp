// Metafiles whose drawing once cost far more than their size (see costly_metafiles.h).

#include "platform/picture/costly_metafiles.h"

#include <random>
#include <string>

#include "platform/picture/byte_writer.h"
#include "platform/picture/metafile_builder.h"
#include "platform/picture/record_types.h"

namespace picture::testing {

namespace {

using detail::put16;
using detail::put32;

using namespace detail::emf;

constexpr size_t kEndBytes = 20;

// Points of `each` bytes that still fit in one record of `fixed` bytes besides them.
size_t pointsThatFit(const EmfBuilder& b, size_t bytes, size_t fixed, size_t each) {
    const size_t used = b.size() + fixed;
    return used < bytes ? (bytes - used) / each : 0;
}

void geometricPen(EmfBuilder& b, int32_t width) {
    // index, bitmap offset and size, bits offset and size, style, width, brush style,
    // colour, hatch
    b.record(kExtCreatePen, {1, 0, 0, 0, 0, 0x10000, width, 0, 0xFF0000, 0});
    b.record(kSelectObject, {1});
}

// StretchDIBits of a bottom-up DIB onto the whole picture.
void stretchDib(EmfBuilder& b, int side, int width, int height, int bpp, const std::vector<uint32_t>& colours,
                const std::vector<uint8_t>& bits) {
    std::vector<uint8_t> info;
    for (uint32_t v : {40u, uint32_t(width), uint32_t(height)}) put32(info, v);
    put16(info, 1), put16(info, uint32_t(bpp));
    for (uint32_t v : {0u, uint32_t(bits.size()), 0u, 0u, uint32_t(colours.size()), 0u}) put32(info, v);
    for (uint32_t c : colours) put32(info, c);
    std::vector<uint8_t> trailing = info;
    trailing.insert(trailing.end(), bits.begin(), bits.end());
    const int32_t infoAt = 80, bitsAt = infoAt + int32_t(info.size());
    // bounds, destination, source, offsets and sizes, usage, rop, destination size
    const int32_t fields[] = {0, 0, 0, 0, 0, 0, 0, 0, width, height, infoAt, int32_t(info.size()), bitsAt,
                              int32_t(bits.size()), 0, 0x00CC0020, side, side};
    b.record(kStretchDiBits, fields, trailing);
}

// Repeats `add` while one more of `each` bytes fits.
template <class Builder, class Add>
std::vector<uint8_t> repeated(Builder b, size_t bytes, size_t each, Add add) {
    while (b.size() + each <= bytes) add(b);
    return b.bytes();
}

}  // namespace

std::vector<uint8_t> farBezierEmf(int side, size_t bytes) {
    EmfBuilder b(side, side);
    std::mt19937 random(5);
    const auto near = [&](int c) { return c + std::uniform_int_distribution<int>(-700, 700)(random); };
    const size_t n = 1 + (pointsThatFit(b, bytes, 28, 4) - 1) / 3 * 3;  // 1 + 3k points
    std::vector<int32_t> f = {0, 0, 0, 0, int32_t(n)};
    for (size_t i = 0; i < n; ++i) {
        const int x = near(random() % 2 ? 32000 : -32000), y = near(random() % 2 ? 32000 : -32000);
        f.push_back(int32_t(uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16)));
    }
    b.record(kPolyBezier16, f);
    return b.bytes();
}

std::vector<uint8_t> zigzagPolygonEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    emfSolidFill(b, 0x0000FF);
    const size_t n = pointsThatFit(b, bytes, 28, 8);
    std::vector<int32_t> f = {0, 0, 0, 0, int32_t(n)};
    for (size_t i = 0; i < n; ++i) f.push_back(int32_t(i * size_t(side) / n)), f.push_back(i % 2 ? 0 : side);
    b.record(kPolygon, f);
    return b.bytes();
}

std::vector<uint8_t> wholeRectanglesEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    emfSolidFill(b, 0x0000FF);
    return repeated(b, bytes, 24, [&](EmfBuilder& e) { emfRectangle(e, 0, 0, side, side); });
}

std::vector<uint8_t> wholeRectanglesWmf(int side, size_t bytes) {
    WmfBuilder b(0, 0, int16_t(side), int16_t(side), 96, 2);
    wmfSolidFill(b, 0x0000FF);
    return repeated(b, bytes, 14, [&](WmfBuilder& w) { wmfRectangle(w, 0, 0, side, side); });
}

std::vector<uint8_t> hugeEllipsesEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    emfSolidFill(b, 0x00FF00);
    return repeated(b, bytes, 24, [](EmfBuilder& e) { e.record(kEllipse, {-30000000, -30000000, 30000000, 30000000}); });
}

std::vector<uint8_t> widePenLinesEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    geometricPen(b, 1000000);
    b.record(kMoveToEx, {0, 0});
    int i = 0;
    return repeated(b, bytes, 16, [&](EmfBuilder& e) {
        e.record(kLineTo, {i % 2 ? 0 : side, i * 37 % side});
        ++i;
    });
}

std::vector<uint8_t> widePenPolylineEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    geometricPen(b, 3);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coord(0, side);
    const size_t n = pointsThatFit(b, bytes, 28, 8);
    std::vector<int32_t> f = {0, 0, 0, 0, int32_t(n)};
    for (size_t i = 0; i < n; ++i) f.push_back(coord(random)), f.push_back(coord(random));
    b.record(kPolyline, f);
    return b.bytes();
}

std::vector<uint8_t> hugeFontTextEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    emfFont(b, -4000);
    b.record(kSetBkMode, {2});  // OPAQUE
    return repeated(b, bytes, 84, [](EmfBuilder& e) { emfText(e, 0, 0, u"WM"); });
}

std::vector<uint8_t> lackingCharactersTextEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    emfFont(b, -3000, 330);
    std::u16string s;
    for (char16_t c = u'\u0C00'; c < u'\u0C40'; ++c) s.push_back(c);
    return repeated(b, bytes, 8 + 68 + 6 * s.size(), [&](EmfBuilder& e) { emfText(e, 0, 900, s, 40); });
}

std::vector<uint8_t> spacedTextEmf(int side, size_t bytes) {
    EmfBuilder b(side, side, 2);
    emfFont(b, -12);
    std::u16string s;
    for (int i = 0; i < 10000; ++i) s.push_back(char16_t(u'A' + i % 26));
    int y = 0;
    return repeated(b, bytes, 8 + 68 + 6 * s.size(), [&](EmfBuilder& e) {
        emfText(e, 0, y, s, 1);
        y = (y + 50) % side;
    });
}

std::vector<uint8_t> onePixelStretchesEmf(int side, size_t bytes) {
    EmfBuilder b(side, side);
    return repeated(b, bytes, 8 + 72 + 40 + 4, [&](EmfBuilder& e) { stretchDib(e, side, 1, 1, 24, {}, {0, 0, 255, 0}); });
}

std::vector<uint8_t> halftonedBitmapEmf(int side, size_t bytes) {
    EmfBuilder b(side, side);
    b.record(kSetStretchBltMode, {4});  // HALFTONE
    // The largest square 1-bpp bitmap whose rows fit.
    int width = 32;
    while (size_t(width + 32) / 8 * size_t(width + 32) + 200 + b.size() < bytes) width += 32;
    std::vector<uint8_t> bits(size_t(width) / 8 * size_t(width));
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i * 37 + (i >> 7));
    stretchDib(b, side, width, width, 1, {0x000000, 0xFFFFFF}, bits);
    return b.bytes();
}

}  // namespace picture::testing
