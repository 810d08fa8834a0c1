#pragma once
// WMF and EMF files made in memory, record by record from the formats' published layouts,
// for the tests and benchmarks that need a drawing of a few records or a file of a
// particular shape. Not used by the program itself.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace picture::testing {

class WmfBuilder {
public:
    // The placeable header's box in metafile units and its units per inch.
    WmfBuilder(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch,
               uint16_t objects = 1);
    // A record of 16-bit parameter words, in the order the file holds them (a colour
    // takes two, low word first).
    WmfBuilder& record(uint16_t function, std::initializer_list<int32_t> words);
    // The file's bytes so far, with its end record.
    size_t size() const { return bytes_.size() + kEndBytes; }
    // The placeable header, the WMF header, the records and the end record.
    std::vector<uint8_t> bytes() const;

private:
    static constexpr size_t kEndBytes = 6;
    std::vector<uint8_t> bytes_;  // headers and records so far
    uint32_t biggest_ = 3;        // words of the largest record
};

// Each picture is width x height pixels at 96 DPI (bounds and frame), with `handles`
// object slots.
class EmfBuilder {
public:
    EmfBuilder(int width, int height, uint16_t handles = 1);
    // A record of 32-bit fields after its type and size, then any bytes that follow them
    // (a bitmap), padded to four.
    EmfBuilder& record(uint32_t type, std::initializer_list<int32_t> fields);
    EmfBuilder& record(uint32_t type, std::span<const int32_t> fields, std::span<const uint8_t> trailing = {});
    // Fields that hold UTF-16 text, two characters each, padded with 0.
    static std::vector<int32_t> text(const std::u16string& s);
    size_t size() const { return bytes_.size() + kEndBytes; }
    // The header record (a 96-DPI reference device, the frame the picture's size), the
    // records and the end record.
    std::vector<uint8_t> bytes() const;

private:
    static constexpr size_t kEndBytes = 20;
    std::vector<uint8_t> bytes_;
    uint32_t records_ = 1;
};

// ---- records both benchmarks and tests write -------------------------------------------

// WMF: a solid brush of this colour and a null pen, made and selected (two object slots).
void wmfSolidFill(WmfBuilder& b, uint32_t colour);
void wmfRectangle(WmfBuilder& b, int left, int top, int right, int bottom);
void wmfExcludeClipRect(WmfBuilder& b, int left, int top, int right, int bottom);

// EMF: a solid brush of this colour in slot 1, selected, and the stock null pen.
void emfSolidFill(EmfBuilder& b, uint32_t colour);
void emfRectangle(EmfBuilder& b, int left, int top, int right, int bottom);
// EMR_EXTSELECTCLIPRGN with these device rectangles and mode (RGN_AND .. RGN_COPY).
void emfSelectClipRegion(EmfBuilder& b, uint32_t mode, std::span<const gdi::RECT> rects);
// An Arial font of this height, and escapement in tenths of a degree, in slot 1, selected.
void emfFont(EmfBuilder& b, int32_t height, int32_t escapement = 0);
// EMR_EXTTEXTOUTW of s at (x, y); with `advance`, each character has that advance.
void emfText(EmfBuilder& b, int32_t x, int32_t y, const std::u16string& s, int32_t advance = 0);

// ---- files of the shapes that once made playback slow ----------------------------------
// The benchmarks play them at full size, the tests smaller.

// A WMF of side x side pixels whose clip has `strips` one-pixel strips cut out each way,
// evenly spread (a grid), then `saves` SaveDC records, then `fills` filled rectangles
// at places from a fixed sequence.
std::vector<uint8_t> clipGridWmf(int side, int strips, int saves, int fills);

// An EMF of side x side pixels that selects a checkerboard of cells x cells squares as
// the clip, then `selections` times saves the DC and selects a one-rectangle region in
// the modes AND, OR, XOR and DIFF in turn (the checkerboard stays mostly whole), filling
// a rectangle after every `fillEvery`-th.
std::vector<uint8_t> regionSelectionsEmf(int side, int cells, int selections, int fillEvery);

// A WMF of side x side pixels and about `bytes` bytes that cuts single pixels out of the
// clip, a checkerboard filled in row by row, so that every cut makes the clip larger.
std::vector<uint8_t> pixelCutsWmf(int side, size_t bytes);

// Plain pictures of side x side pixels and at least `bytes` bytes: filled rectangles at
// places from the same fixed sequence, nothing else.
std::vector<uint8_t> plainWmf(int side, size_t bytes);
std::vector<uint8_t> plainEmf(int side, size_t bytes);

}  // namespace picture::testing
