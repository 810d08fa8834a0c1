// ICO and CUR: one entry of the directory becomes an icon picture (type 3, an HICON made
// by CreateIconIndirect from the entry's colour bitmap and AND mask).
//
// Which entry: the one the platform would draw at its default icon size, 32x32 — the
// entry nearest to it (|width - 32| + |height - 32|, sizes from the entry's own bitmap
// header), the one with the most bits per pixel among equally near ones, the first in
// the directory among equals. Entries stored as PNG are skipped: this loader leaves PNG
// to the image class's own icon reader, so an icon of PNG entries only is refused.
//
// A bitmap entry is a BITMAPINFOHEADER whose height counts the image and the mask
// together, a colour table for <= 8 bpp, the XOR image (1, 4, 8, 16 (5-5-5, read as 24),
// 24 or 32 bpp, BI_RGB) and the 1-bpp AND mask, rows bottom-up and padded to 4 bytes. All
// of it must lie within the entry's data and the file. A 32-bpp image keeps its alpha
// bytes: DrawIconEx blends by them when any is not 0 and uses the mask otherwise.
// A cursor keeps its hotspot (the directory's planes and bit-count fields); an icon's
// hotspot is its centre.
//
// Quirk: a directory size too small to hold even a bitmap header is no size at all; the
// entry's data then runs to the end of the file (such cursors exist).

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/picture/byte_reader.h"
#include "platform/picture/channel_masks.h"
#include "platform/picture/dib_builder.h"
#include "platform/picture/limits.h"
#include "platform/picture/picture_object.h"
#include "platform/picture/readers.h"

namespace picture::detail {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct Entry {
    size_t index = 0;
    uint16_t hotX = 0, hotY = 0;
    std::span<const uint8_t> data;  // from the bitmap header on
    int64_t width = 0, height = 0;  // the image alone
    int bpp = 0;
    size_t headerSize = 0;
    std::vector<gdi::RGBQUAD> table;
    size_t xorOffset = 0, andOffset = 0;
};

// The entry's bitmap, checked to lie within its data; false (with the reason) otherwise.
bool parseEntry(Entry& e, std::string& why) {
    ByteReader r(e.data, "icon entry");
    if (e.data.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, e.data.begin())) {
        why = "PNG entries are not read here";
        return false;
    }
    if (!r.has(40)) {
        why = "entry too small for a bitmap header";
        return false;
    }
    e.headerSize = r.u32();
    const int32_t width = r.i32(), height = r.i32();
    r.skip(2);  // planes: writers leave anything here
    e.bpp = r.u16();
    const uint32_t compression = r.u32();
    r.skip(12);
    const uint32_t clrUsed = r.u32();
    if (e.headerSize < 40 || e.headerSize > e.data.size()) {
        why = "bad bitmap header size";
        return false;
    }
    if (compression != 0 || (e.bpp != 1 && e.bpp != 4 && e.bpp != 8 && e.bpp != 16 &&
                             e.bpp != 24 && e.bpp != 32)) {
        why = "unsupported bit count or compression";
        return false;
    }
    e.width = width;
    e.height = height / 2;
    if (e.width < 1 || e.height < 1) {
        why = "empty entry";
        return false;
    }
    size_t at = e.headerSize;
    if (e.bpp <= 8) {
        const uint64_t full = uint64_t{1} << e.bpp;
        const uint64_t declared = clrUsed ? clrUsed : full;
        if (declared * 4 > e.data.size() - at) {
            why = "colour table past the entry's end";
            return false;
        }
        r.seek(at);
        e.table.resize(size_t(std::min(declared, full)));
        for (auto& q : e.table) {
            const auto c = r.bytes(4);
            q = {c[0], c[1], c[2], 0};
        }
        at += size_t(declared * 4);
    }
    // Guards the products below; the DIB builders check the limits again.
    if (e.width > 0xFFFF || e.height > 0xFFFF) {
        why = "entry too large";
        return false;
    }
    const int64_t xorBytes = dibStride(e.width, e.bpp) * e.height;
    const int64_t andBytes = dibStride(e.width, 1) * e.height;
    if (int64_t(at) + xorBytes + andBytes > int64_t(e.data.size())) {
        why = "image and mask run past the entry's end";
        return false;
    }
    e.xorOffset = at;
    e.andOffset = at + size_t(xorBytes);
    return true;
}

int64_t distanceFrom32(const Entry& e) {
    const int64_t dw = e.width - gdi::kDefaultIconSize, dh = e.height - gdi::kDefaultIconSize;
    return (dw < 0 ? -dw : dw) + (dh < 0 ? -dh : dh);
}

void copyRows(const Entry& e, size_t offset, int bpp, DibBuilder& dib) {
    const int64_t stride = dibStride(e.width, bpp);
    for (int64_t y = 0; y < e.height; ++y) {
        const uint8_t* src = e.data.data() + offset + size_t(y * stride);
        uint8_t* dst = dib.rowFromTop(e.height - 1 - y);
        if (bpp != 16) {
            std::copy_n(src, stride, dst);
            continue;
        }
        Channel c[3];
        c[0].set(0x7C00), c[1].set(0x03E0), c[2].set(0x001F);
        for (int64_t x = 0; x < e.width; ++x) {
            const uint32_t v = uint32_t(src[x * 2] | (src[x * 2 + 1] << 8));
            for (int k = 0; k < 3; ++k) dst[x * 3 + k] = uint8_t(c[2 - k].to8(v));
        }
    }
}

}  // namespace

Picture readIcon(std::span<const uint8_t> data) {
    ByteReader r(data, "ICO");
    const uint16_t reserved = r.u16(), type = r.u16(), count = r.u16();
    const char* format = type == 2 ? "CUR" : "ICO";
    auto refuseIcon = [&](const std::string& why) { refuse(std::string(format) + ": " + why); };
    if (reserved != 0 || (type != 1 && type != 2)) refuseIcon("not an icon directory");
    if (count == 0) refuseIcon("no entries");
    if (!r.has(uint64_t{count} * 16)) refuseIcon("directory runs past the end");

    std::optional<Entry> best;
    std::string why = "no entries";
    for (size_t i = 0; i < count; ++i) {
        r.seek(6 + i * 16);
        r.skip(4);  // width, height, colour count, reserved: the bitmap header says better
        Entry e;
        e.index = i;
        e.hotX = r.u16();
        e.hotY = r.u16();
        const uint32_t size = r.u32(), offset = r.u32();
        if (offset >= data.size()) {
            why = "entry " + std::to_string(i) + " starts past the end";
            continue;
        }
        const uint64_t available = data.size() - offset;
        if (size < 40) {
            e.data = data.subspan(offset);
        } else if (size <= available) {
            e.data = data.subspan(offset, size);
        } else {
            why = "entry " + std::to_string(i) + " runs past the end";
            continue;
        }
        if (!parseEntry(e, why)) continue;
        if (!best || distanceFrom32(e) < distanceFrom32(*best) ||
            (distanceFrom32(e) == distanceFrom32(*best) && e.bpp > best->bpp))
            best = std::move(e);
    }
    if (!best) refuseIcon(why);

    const Entry& e = *best;
    DibBuilder color(format, e.width, e.height, e.bpp == 16 ? 24 : e.bpp, e.table);
    copyRows(e, e.xorOffset, e.bpp, color);
    const gdi::RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    DibBuilder mask(format, e.width, e.height, 1, blackWhite);
    copyRows(e, e.andOffset, 1, mask);

    gdi::ICONINFO info{};
    info.fIcon = type == 1 ? gdi::TRUE : gdi::FALSE;
    info.xHotspot = type == 2 ? e.hotX : gdi::DWORD(e.width / 2);
    info.yHotspot = type == 2 ? e.hotY : gdi::DWORD(e.height / 2);
    info.hbmMask = mask.bitmap();
    info.hbmColor = color.bitmap();
    const gdi::HICON icon = gdi::CreateIconIndirect(&info);
    if (!icon) throw PictureOutOfMemory("no memory for the icon");
    return makePicture(kPicTypeIcon, icon, true);
}

}  // namespace picture::detail
