#pragma once
// libpng reading from and writing to memory, for the tests and benchmarks that use libpng
// as the reference: png_set_read_fn(png, &reader, libpngmemory::read) with a Reader over
// the bytes, png_set_write_fn(png, &bytes, libpngmemory::write, libpngmemory::flush).

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

}  // namespace libpngmemory
