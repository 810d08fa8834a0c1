// The headers of WMF and EMF files, checked before anything is played or allocated.

#include <string>

#include "platform/picture/byte_reader.h"
#include "platform/picture/invalid_picture.h"
#include "platform/picture/metafile_player.h"

namespace picture::detail {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kWmfHeaderBytes = 18;
constexpr size_t kEmfHeaderMinimum = 88;

}  // namespace

WmfHeader readWmfHeader(std::span<const uint8_t> file) {
    ByteReader r(file, "WMF");
    if (file.size() < 4 || le32(file, 0) != kPlaceableKey) refuse("WMF: no placeable header");
    r.skip(6);  // key, handle
    WmfHeader h;
    h.left = int16_t(r.u16());
    h.top = int16_t(r.u16());
    h.right = int16_t(r.u16());
    h.bottom = int16_t(r.u16());
    h.unitsPerInch = r.u16();
    r.skip(6);  // reserved, checksum (often wrong in the wild, so not enforced)
    if (h.unitsPerInch == 0) refuse("WMF: zero units per inch");
    if (h.right == h.left || h.bottom == h.top) refuse("WMF: empty bounding box");
    const uint16_t type = r.u16(), headerWords = r.u16();
    r.skip(2);  // version
    const uint32_t sizeWords = r.u32();
    h.objects = r.u16();
    if ((type != 1 && type != 2) || headerWords != kWmfHeaderBytes / 2) refuse("WMF: bad header");
    // The declared size may be smaller than the data (trailing bytes are ignored) but the
    // header must fit.
    if (uint64_t{sizeWords} * 2 < kWmfHeaderBytes) refuse("WMF: declared size too small");
    return h;
}

EmfHeader readEmfHeader(std::span<const uint8_t> d) {
    if (d.size() < kEmfHeaderMinimum || le32(d, 0) != 1) refuse("EMF: no header record");
    const uint32_t headerSize = le32(d, 4);
    if (headerSize < kEmfHeaderMinimum || headerSize > d.size() || headerSize % 4)
        refuse("EMF: bad header size");
    if (le32(d, 40) != kEmfSignature) refuse("EMF: bad signature");
    const auto rect = [&](size_t at) {
        return gdi::RECT{int32_t(le32(d, at)), int32_t(le32(d, at + 4)), int32_t(le32(d, at + 8)),
                         int32_t(le32(d, at + 12))};
    };
    EmfHeader h;
    h.bounds = rect(8);
    h.frame = rect(24);
    h.bytes = le32(d, 48);
    h.records = le32(d, 52);
    h.handles = le16(d, 56);
    h.devicePixels = {int32_t(le32(d, 72)), int32_t(le32(d, 76))};
    h.deviceMillimetres = {int32_t(le32(d, 80)), int32_t(le32(d, 84))};
    if (h.devicePixels.cx <= 0 || h.devicePixels.cy <= 0 || h.deviceMillimetres.cx <= 0 ||
        h.deviceMillimetres.cy <= 0)
        refuse("EMF: bad reference device");
    if (int64_t{h.frame.right} - h.frame.left <= 0 || int64_t{h.frame.bottom} - h.frame.top <= 0)
        refuse("EMF: empty frame");
    if (h.bytes < headerSize) refuse("EMF: declared size too small");
    return h;
}

}  // namespace picture::detail
