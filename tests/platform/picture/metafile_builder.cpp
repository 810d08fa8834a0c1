#include "metafile_builder.h"

namespace picture::test {

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32(std::vector<uint8_t>& b, uint32_t v) { put16(b, v & 0xFFFF), put16(b, v >> 16); }

}  // namespace

EmfBuilder& EmfBuilder::record(uint32_t type, std::initializer_list<int32_t> fields) {
    return record(type, std::vector<int32_t>(fields));
}

EmfBuilder& EmfBuilder::record(uint32_t type, const std::vector<int32_t>& fields) {
    put32(body_, type), put32(body_, uint32_t(8 + 4 * fields.size()));
    for (int32_t f : fields) put32(body_, uint32_t(f));
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
    std::vector<uint8_t> b;
    const uint32_t total = uint32_t(88 + body_.size() + 20);
    put32(b, 1), put32(b, 88);
    for (int32_t v : {0, 0, width_ - 1, height_ - 1}) put32(b, uint32_t(v));   // bounds
    for (int32_t v : {0, 0, width_ * 2540 / 96, height_ * 2540 / 96}) put32(b, uint32_t(v));  // frame
    put32(b, 0x464D4520), put32(b, 0x10000), put32(b, total), put32(b, records_ + 2);
    put16(b, handles_), put16(b, 0);
    for (uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u}) put32(b, v);  // 960 px in 254 mm
    b.insert(b.end(), body_.begin(), body_.end());
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) put32(b, v);  // end of file
    return b;
}

WmfBuilder& WmfBuilder::record(uint16_t function, std::initializer_list<int32_t> words) {
    const uint32_t size = uint32_t(3 + words.size());
    put32(body_, size), put16(body_, function);
    for (int32_t w : words) put16(body_, uint32_t(w) & 0xFFFF);
    if (size > biggest_) biggest_ = size;
    return *this;
}

std::vector<uint8_t> WmfBuilder::bytes() const {
    std::vector<uint8_t> b;
    put32(b, 0x9AC6CDD7), put16(b, 0);
    for (int16_t v : box_) put16(b, uint16_t(v));
    put16(b, unitsPerInch_), put32(b, 0);
    uint16_t check = 0;
    for (size_t i = 0; i < b.size(); i += 2) check ^= uint16_t(b[i] | (b[i + 1] << 8));
    put16(b, check);
    put16(b, 1), put16(b, 9), put16(b, 0x300);
    put32(b, uint32_t(9 + body_.size() / 2 + 3));  // words: header, records, end record
    put16(b, objects_), put32(b, biggest_), put16(b, 0);
    b.insert(b.end(), body_.begin(), body_.end());
    put32(b, 3), put16(b, 0);  // end of file
    return b;
}

}  // namespace picture::test
