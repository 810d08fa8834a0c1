// The metafile loader and player on hostile bytes, for each format. The first byte
// chooses how the rest is used: as a whole file (0), as the records of a WMF behind a
// good placeable header and WMF header (1), or as the records of an EMF behind a good
// header record (2), so that the fuzzer reaches the records without first having to
// find the headers. Pictures that load are played upright, mirrored and stretched into
// small DIBs of 32 and 8 bits per pixel.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/byte_writer.h"
#include "platform/picture/picture.h"

using namespace gdi;

namespace {

using picture::detail::put16;
using picture::detail::put32;

std::vector<uint8_t> asWmf(std::span<const uint8_t> records) {
    std::vector<uint8_t> b;
    put32(b, 0x9AC6CDD7), put16(b, 0);
    put16(b, 0), put16(b, 0), put16(b, 64), put16(b, 48), put16(b, 96);  // box, units per inch
    put32(b, 0), put16(b, 0);
    put16(b, 1), put16(b, 9), put16(b, 0x300), put32(b, uint32_t(9 + records.size() / 2));
    put16(b, 8), put32(b, 0), put16(b, 0);  // 8 object slots
    b.insert(b.end(), records.begin(), records.end());
    return b;
}

std::vector<uint8_t> asEmf(std::span<const uint8_t> records) {
    std::vector<uint8_t> b;
    put32(b, 1), put32(b, 88);
    for (uint32_t v : {0u, 0u, 63u, 47u, 0u, 0u, 1693u, 1270u}) put32(b, v);  // bounds, frame
    put32(b, 0x464D4520), put32(b, 0x10000), put32(b, uint32_t(88 + records.size())), put32(b, 100);
    put16(b, 8), put16(b, 0);  // 8 handles
    for (uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u}) put32(b, v);
    b.insert(b.end(), records.begin(), records.end());
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        picture::testing::setPixelLimit(1 << 20);
        return true;
    }();
    (void)prepared;
    if (size == 0) return 0;
    const std::span<const uint8_t> rest(data + 1, size - 1);
    std::vector<uint8_t> file;
    switch (data[0] % 3) {
    case 0: file.assign(rest.begin(), rest.end()); break;
    case 1: file = asWmf(rest); break;
    default: file = asEmf(rest); break;
    }
    const picture::Picture p = picture::TryLoadPictureFromBytes(file);
    if (!p || (p.Type() != picture::kPicTypeMetafile && p.Type() != picture::kPicTypeEnhMetafile)) return 0;
    const int32_t w = p.Width(), h = p.Height();
    for (int bpp : {32, 8}) {
        const DibSurface c(37, 23, bpp);
        p.Render(c.dc(), 0, 0, 37, 23, 0, h, w, -h);
        p.Render(c.dc(), 30, 2, -25, 19, w / 3, h / 2, w / 2 + 1, h / 3 + 1);
        p.Render(c.dc(), -5, -5, 60, 60, -w, 2 * h, 3 * w, -3 * h);
    }
    return 0;
}
