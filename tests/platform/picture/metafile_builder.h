#pragma once
// WMF and EMF files made in memory, record by record, for tests that need a drawing of a
// few records: each picture is width x height pixels at 96 DPI.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace picture::test {

class EmfBuilder {
public:
    EmfBuilder(int width, int height, uint16_t handles = 1) : width_(width), height_(height), handles_(handles) {}
    // A record of 32-bit fields after its type and size.
    EmfBuilder& record(uint32_t type, std::initializer_list<int32_t> fields);
    EmfBuilder& record(uint32_t type, const std::vector<int32_t>& fields);
    // Fields that hold UTF-16 text, two characters each, padded with 0.
    static std::vector<int32_t> text(const std::u16string& s);
    // The header record (a 96-DPI reference device, the frame the picture's size), the
    // records and the end record.
    std::vector<uint8_t> bytes() const;

private:
    int width_, height_;
    uint16_t handles_;
    std::vector<uint8_t> body_;
    uint32_t records_ = 0;
};

class WmfBuilder {
public:
    // The placeable header's box in metafile units and its units per inch.
    WmfBuilder(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch,
               uint16_t objects = 1)
        : box_{left, top, right, bottom}, unitsPerInch_(unitsPerInch), objects_(objects) {}
    // A record of 16-bit parameter words, in the order the file holds them.
    WmfBuilder& record(uint16_t function, std::initializer_list<int32_t> words);
    // The placeable header, the WMF header, the records and the end record.
    std::vector<uint8_t> bytes() const;

private:
    int16_t box_[4];
    uint16_t unitsPerInch_, objects_;
    std::vector<uint8_t> body_;
    uint32_t biggest_ = 3;
};

}  // namespace picture::test
