#pragma once
// libpng reading from and writing to memory, for the tests and benchmarks that use libpng
// as the reference: png_set_read_fn(png, &reader, libpngmemory::read) with a Reader over
// the bytes, png_set_write_fn(png, &bytes, libpngmemory::write, libpngmemory::flush);
// and libpng's usual road from a file's bytes to 32-bit BGRA rows; the zlib stream of a
// file (its IDAT chunks joined).

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include <png.h>

namespace libpngmemory {

struct Reader {
    const std::vector<uint8_t>* bytes;
    size_t at = 0;
};

inline void read(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->bytes->size() - r->at) png_error(png, "read past the end");
    std::memcpy(out, r->bytes->data() + r->at, n);
    r->at += n;
}

inline void write(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

inline void flush(png_structp) {}

// Decodes the bytes to top-down BGRA rows (8 bits, alpha 255 where the file has none),
// CRCs checked; false on an error.
inline bool decodeToBgra(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out) {
    Reader reader{&bytes, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, read);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    out.resize(width * height * 4);
    for (int pass = 0; pass < passes; ++pass)
        for (size_t y = 0; y < height; ++y) png_read_row(png, out.data() + y * width * 4, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// The data of every IDAT chunk in order, joined: the file's zlib stream. Nothing is checked
// but the chunks' lengths.
inline std::vector<uint8_t> joinedIdat(const std::vector<uint8_t>& png) {
    std::vector<uint8_t> joined;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 | size_t(png[at + 2]) << 8 | png[at + 3];
        if (length > png.size() - at - 12) break;
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0)
            joined.insert(joined.end(), png.begin() + long(at + 8), png.begin() + long(at + 8 + length));
        at += 12 + length;
    }
    return joined;
}

}  // namespace libpngmemory
