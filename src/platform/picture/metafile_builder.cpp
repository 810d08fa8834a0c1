// Metafiles written record by record (see metafile_builder.h).

#include "platform/picture/metafile_builder.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/regions.h"
#include "platform/picture/byte_writer.h"
#include "platform/picture/record_types.h"

namespace picture::testing {

namespace {

using detail::put16;
using detail::put32;
using detail::set32;

constexpr size_t kPlaceableBytes = 22, kWmfHeaderBytes = 18;

namespace emf = detail::emf;
namespace wmf = detail::wmf;

constexpr uint32_t kStockNullPen = 0x80000000u | 8;

// The fills' places: a fixed sequence of rectangles within side x side.
class Places {
public:
    explicit Places(int side) : side_(side) {}
    gdi::RECT next() {
        const int x = int(step() % uint32_t(side_)), y = int(step() % uint32_t(side_));
        const int w = 1 + int(step() % uint32_t(side_ / 8 + 1)), h = 1 + int(step() % uint32_t(side_ / 8 + 1));
        return {x, y, x + w, y + h};
    }
    uint32_t colour() { return step() & 0xFFFFFF; }

private:
    uint32_t step() { return state_ = state_ * 1664525u + 1013904223u, state_ >> 8; }
    int side_;
    uint32_t state_ = 12345;
};

}  // namespace

// ---- WMF -----------------------------------------------------------------------------------

WmfBuilder::WmfBuilder(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch,
                       uint16_t objects) {
    // Placeable header: key, handle, box, units per inch, reserved, checksum.
    put32(bytes_, 0x9AC6CDD7), put16(bytes_, 0);
    for (int16_t v : {left, top, right, bottom}) put16(bytes_, uint16_t(v));
    put16(bytes_, unitsPerInch), put32(bytes_, 0);
    uint16_t check = 0;
    for (size_t i = 0; i < bytes_.size(); i += 2) check ^= uint16_t(bytes_[i] | (bytes_[i + 1] << 8));
    put16(bytes_, check);
    // Header: type, its size in words, version, file size in words and largest record
    // (both set at the end), objects, parameters.
    put16(bytes_, 1), put16(bytes_, 9), put16(bytes_, 0x300), put32(bytes_, 0);
    put16(bytes_, objects), put32(bytes_, 0), put16(bytes_, 0);
}

WmfBuilder& WmfBuilder::record(uint16_t function, std::initializer_list<int32_t> words) {
    const uint32_t size = uint32_t(3 + words.size());
    put32(bytes_, size), put16(bytes_, function);
    for (int32_t w : words) put16(bytes_, uint32_t(w) & 0xFFFF);
    biggest_ = std::max(biggest_, size);
    return *this;
}

std::vector<uint8_t> WmfBuilder::bytes() const {
    std::vector<uint8_t> out = bytes_;
    put32(out, 3), put16(out, 0);  // end of file
    set32(out, kPlaceableBytes + 6, uint32_t((out.size() - kPlaceableBytes) / 2));
    set32(out, kPlaceableBytes + 12, biggest_);
    return out;
}

void wmfSolidFill(WmfBuilder& b, uint32_t colour) {
    // Objects take the lowest free slot: the brush 0, the pen 1. Deleting them keeps
    // them selected and frees the slots for the next pair.
    b.record(wmf::kCreateBrushIndirect, {0, int32_t(colour & 0xFFFF), int32_t(colour >> 16), 0});  // BS_SOLID
    b.record(wmf::kSelectObject, {0});
    b.record(wmf::kCreatePenIndirect, {5, 0, 0, 0, 0});  // PS_NULL
    b.record(wmf::kSelectObject, {1});
    b.record(wmf::kDeleteObject, {0});
    b.record(wmf::kDeleteObject, {1});
}

void wmfRectangle(WmfBuilder& b, int left, int top, int right, int bottom) {
    b.record(wmf::kRectangle, {bottom, right, top, left});
}

void wmfExcludeClipRect(WmfBuilder& b, int left, int top, int right, int bottom) {
    b.record(wmf::kExcludeClipRect, {bottom, right, top, left});
}

// ---- EMF -----------------------------------------------------------------------------------

EmfBuilder::EmfBuilder(int width, int height, uint16_t handles) {
    put32(bytes_, emf::kHeader), put32(bytes_, 88);
    for (int32_t v : {0, 0, width - 1, height - 1}) put32(bytes_, uint32_t(v));                 // bounds
    for (int32_t v : {0, 0, width * 2540 / 96, height * 2540 / 96}) put32(bytes_, uint32_t(v));  // frame
    // Signature, version, bytes and records (set at the end), handles.
    put32(bytes_, 0x464D4520), put32(bytes_, 0x10000), put32(bytes_, 0), put32(bytes_, 0);
    put16(bytes_, handles), put16(bytes_, 0);
    for (uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u}) put32(bytes_, v);  // 960 px in 254 mm
}

EmfBuilder& EmfBuilder::record(uint32_t type, std::initializer_list<int32_t> fields) {
    return record(type, std::span<const int32_t>(fields.begin(), fields.size()));
}

EmfBuilder& EmfBuilder::record(uint32_t type, std::span<const int32_t> fields, std::span<const uint8_t> trailing) {
    const size_t padded = (trailing.size() + 3) & ~size_t(3);
    put32(bytes_, type), put32(bytes_, uint32_t(8 + 4 * fields.size() + padded));
    for (int32_t f : fields) put32(bytes_, uint32_t(f));
    bytes_.insert(bytes_.end(), trailing.begin(), trailing.end());
    bytes_.resize(bytes_.size() + padded - trailing.size());
    ++records_;
    return *this;
}

std::vector<int32_t> EmfBuilder::text(const std::u16string& s) {
    std::vector<int32_t> out;
    for (size_t i = 0; i < s.size(); i += 2)
        out.push_back(int32_t(uint32_t(s[i]) | (i + 1 < s.size() ? uint32_t(s[i + 1]) << 16 : 0)));
    return out;
}

std::vector<uint8_t> EmfBuilder::bytes() const {
    std::vector<uint8_t> out = bytes_;
    for (uint32_t v : {uint32_t(emf::kEof), 20u, 0u, 16u, 20u}) put32(out, v);  // end of file
    set32(out, 48, uint32_t(out.size()));
    set32(out, 52, records_ + 1);
    return out;
}

void emfSolidFill(EmfBuilder& b, uint32_t colour) {
    b.record(emf::kCreateBrushIndirect, {1, 0, int32_t(colour), 0});  // slot 1, BS_SOLID
    b.record(emf::kSelectObject, {1});
    b.record(emf::kSelectObject, {int32_t(kStockNullPen)});
}

void emfRectangle(EmfBuilder& b, int left, int top, int right, int bottom) {
    b.record(emf::kRectangle, {left, top, right, bottom});
}

void emfSelectClipRegion(EmfBuilder& b, uint32_t mode, std::span<const gdi::RECT> rects) {
    // Region data size, mode, then the region: a rectangle-list header and the rectangles.
    const int32_t data = int32_t(sizeof(gdi::RGNDATAHEADER) + 16 * rects.size());
    std::vector<int32_t> fields = {data, int32_t(mode), 32, int32_t(gdi::RDH_RECTANGLES), int32_t(rects.size()),
                                   int32_t(16 * rects.size()), 0, 0, 0, 0};
    for (const gdi::RECT& r : rects) fields.insert(fields.end(), {r.left, r.top, r.right, r.bottom});
    b.record(emf::kExtSelectClipRgn, fields);
}

void emfFont(EmfBuilder& b, int32_t height, int32_t escapement) {
    // index; height, width, escapement, orientation, weight; eight bytes of flags; face
    std::vector<int32_t> f = {1, height, 0, escapement, escapement, 400, 0, 0};
    const std::vector<int32_t> face = EmfBuilder::text(u"Arial");
    f.insert(f.end(), face.begin(), face.end());
    f.resize(8 + 16, 0);  // the face's 32 characters
    b.record(emf::kExtCreateFontIndirectW, f);
    b.record(emf::kSelectObject, {1});
}

void emfText(EmfBuilder& b, int32_t x, int32_t y, const std::u16string& s, int32_t advance) {
    const int32_t count = int32_t(s.size()), chars = int32_t((2 * s.size() + 3) & ~size_t(3));
    // bounds, graphics mode, scales; reference point, count, string offset (after the
    // 76 bytes of fixed fields), options, rectangle, advances offset
    std::vector<int32_t> f = {0, 0, 0, 0, 1, 0, 0, x, y, count, 76, 0, 0, 0, 0, 0, advance ? 76 + chars : 0};
    const std::vector<int32_t> t = EmfBuilder::text(s);
    f.insert(f.end(), t.begin(), t.end());
    if (advance) f.insert(f.end(), s.size(), advance);
    b.record(emf::kExtTextOutW, f);
}

// ---- the shaped files ---------------------------------------------------------------------

std::vector<uint8_t> clipGridWmf(int side, int strips, int saves, int fills) {
    WmfBuilder b(0, 0, int16_t(side), int16_t(side), 96, 2);
    for (int k = 0; k < strips; ++k) {
        const int at = int(int64_t{k} * side / strips) + 1;
        wmfExcludeClipRect(b, 0, at, side, at + 1);
        wmfExcludeClipRect(b, at, 0, at + 1, side);
    }
    for (int k = 0; k < saves; ++k) b.record(wmf::kSaveDc, {});
    Places places(side);
    for (int k = 0; k < fills; ++k) {
        if (k % 16 == 0) wmfSolidFill(b, places.colour());
        const gdi::RECT r = places.next();
        wmfRectangle(b, r.left, r.top, r.right, r.bottom);
    }
    return b.bytes();
}

std::vector<uint8_t> regionSelectionsEmf(int side, int cells, int selections, int fillEvery) {
    EmfBuilder b(side, side, 2);
    std::vector<gdi::RECT> board;
    for (int row = 0; row < cells; ++row)
        for (int column = row % 2; column < cells; column += 2) {
            const int x = column * side / cells, y = row * side / cells;
            board.push_back({x, y, (column + 1) * side / cells, (row + 1) * side / cells});
        }
    emfSelectClipRegion(b, gdi::RGN_COPY, board);
    emfSolidFill(b, 0x0000FF);
    Places places(side);
    for (int k = 0; k < selections; ++k) {
        b.record(emf::kSaveDc, {});
        const gdi::RECT small = places.next();
        const gdi::RECT everything{0, 0, side, side};
        switch (k % 4) {
        case 0: emfSelectClipRegion(b, gdi::RGN_AND, std::span(&everything, 1)); break;
        case 1: emfSelectClipRegion(b, gdi::RGN_OR, std::span(&small, 1)); break;
        case 2: emfSelectClipRegion(b, gdi::RGN_XOR, std::span(&small, 1)); break;
        default: emfSelectClipRegion(b, gdi::RGN_DIFF, std::span(&small, 1)); break;
        }
        if (fillEvery > 0 && k % fillEvery == 0) {
            const gdi::RECT r = places.next();
            emfRectangle(b, r.left, r.top, r.right, r.bottom);
        }
    }
    return b.bytes();
}

std::vector<uint8_t> pixelCutsWmf(int side, size_t bytes) {
    WmfBuilder b(0, 0, int16_t(side), int16_t(side), 96, 2);
    for (int64_t k = 0; b.size() < bytes; ++k) {
        const int y = int(2 * k / side % side), x = int(2 * k % side) + y % 2;
        wmfExcludeClipRect(b, x, y, x + 1, y + 1);
    }
    wmfSolidFill(b, 0x00FF00);
    wmfRectangle(b, 0, 0, side + 1, side + 1);
    return b.bytes();
}

namespace {

// Filled rectangles until the file holds `bytes`, a new colour every sixteen.
template <class Builder>
std::vector<uint8_t> plain(Builder b, int side, size_t bytes, void (*fill)(Builder&, uint32_t),
                           void (*rectangle)(Builder&, int, int, int, int)) {
    Places places(side);
    for (int k = 0; b.size() < bytes; ++k) {
        if (k % 16 == 0) fill(b, places.colour());
        const gdi::RECT r = places.next();
        rectangle(b, r.left, r.top, r.right, r.bottom);
    }
    return b.bytes();
}

}  // namespace

std::vector<uint8_t> plainWmf(int side, size_t bytes) {
    return plain(WmfBuilder(0, 0, int16_t(side), int16_t(side), 96, 2), side, bytes, wmfSolidFill, wmfRectangle);
}

std::vector<uint8_t> plainEmf(int side, size_t bytes) {
    return plain(EmfBuilder(side, side, 2), side, bytes, emfSolidFill, emfRectangle);
}

}  // namespace picture::testing
