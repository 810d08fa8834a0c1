// BMP: every header from the 12-byte OS/2 core header to the 124-byte V5 header; 1, 2,
// 4, 8, 16, 24 and 32 bpp; BI_RGB, BI_BITFIELDS, BI_ALPHABITFIELDS, RLE4 and RLE8.
//
// The result is a bottom-up DIB section. Indexed pictures keep their indices and colour
// table (2 bpp, which the drawing layer lacks, becomes 4); 16 bpp becomes 24 (or 32 when
// the masks include alpha); 24 bpp is copied; 32 bpp keeps its fourth byte as stored for
// BI_RGB and the standard masks, and takes alpha from the alpha mask (else 0) otherwise.
//
// Refused, besides what runs past the end of the data: an unknown header size, planes
// other than 1, width below 1, height 0, bit counts and compressions not listed above
// (JPEG and PNG inside a BMP included), RLE with top-down rows, a file-size or image-size
// field above 2^31 - 1, horizontal and vertical resolutions more than 1000 times apart,
// masks that are not contiguous or overlap or leave a colour channel empty, and pixel
// values past a short colour table.
//
// Quirks (each a choice, kept on purpose):
// - A bfOffBits of 0 means "right after the colour table"; any other value is honoured.
// - The last row may lack its padding bytes.
// - A core-header palette shorter than 2^bpp entries is taken from what lies between the
//   header and bfOffBits.
// - A colour table longer than 2^bpp entries is read up to 2^bpp.
// - RLE: pixels the stream skips (delta, early end of line or bitmap) are colour index 0;
//   an RLE4 run may end one pixel past an odd width (the row's padding nibble), that pixel
//   being dropped. Any other run, absolute run or delta past a row's end or the last row is
//   refused, and so is data that ends, without the end-of-bitmap code, before the last
//   pixel: it cannot describe the picture it declares. The codes are walked once before
//   the bitmap is made, so such a stream costs no memory for its claims.
//
// A file or a record's stored bytes are read through SourceByteReader, a piece at a time:
// the rows go straight into the bitmap.

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/picture/byte_reader.h"
#include "platform/picture/channel_masks.h"
#include "platform/picture/dib_builder.h"
#include "platform/picture/source_byte_reader.h"
#include "platform/picture/limits.h"
#include "platform/picture/picture_object.h"
#include "platform/picture/readers.h"

namespace picture::detail {

namespace {

constexpr char kFormat[] = "BMP";
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

[[noreturn]] void refuseBmp(const std::string& why) { refuse(std::string(kFormat) + ": " + why); }

struct Header {
    uint32_t offBits = 0;
    uint32_t headerSize = 0;
    bool core = false;
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bpp = 0;
    uint32_t compression = kRgb;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
    int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool hasAlphaMask = false;
    size_t tableOffset = 0;  // the colour table, or where it would be
};

template <class Reader>
Header readHeader(Reader& r) {
    Header h;
    r.seek(2);
    if (r.u32() > uint32_t(kMaxDibBytes)) refuseBmp("file size field is absurd");
    r.skip(4);
    h.offBits = r.u32();
    h.headerSize = r.u32();
    switch (h.headerSize) {
    case 12: case 40: case 52: case 56: case 108: case 124: break;
    default: refuseBmp("unknown header size " + std::to_string(h.headerSize));
    }
    if (!r.has(h.headerSize - 4)) r.fail();
    uint16_t planes = 0;
    if (h.headerSize == 12) {
        h.core = true;
        h.width = r.u16();
        h.height = r.u16();
        planes = r.u16();
        h.bpp = r.u16();
    } else {
        h.width = r.i32();
        h.height = r.i32();
        planes = r.u16();
        h.bpp = r.u16();
        h.compression = r.u32();
        h.sizeImage = r.u32();
        h.xPelsPerMeter = r.i32();
        h.yPelsPerMeter = r.i32();
        h.clrUsed = r.u32();
        r.skip(4);
        if (h.headerSize >= 52)
            for (int i = 0; i < 3; ++i) h.masks[i] = r.u32();
        if (h.headerSize >= 56) {
            h.masks[3] = r.u32();
            h.hasAlphaMask = true;
        }
    }
    h.tableOffset = 14 + size_t(h.headerSize);
    if (h.headerSize == 40 && (h.compression == kBitfields || h.compression == kAlphaBitfields)) {
        // The masks follow the 40-byte header, ahead of any colour table.
        r.seek(h.tableOffset);
        const int n = h.compression == kAlphaBitfields ? 4 : 3;
        for (int i = 0; i < n; ++i) h.masks[i] = r.u32();
        h.hasAlphaMask = n == 4;
        h.tableOffset += size_t(n) * 4;
    }

    if (planes != 1) refuseBmp("planes must be 1");
    if (h.width < 1) refuseBmp("width below 1");
    if (h.height == 0) refuseBmp("height 0");
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.sizeImage > uint32_t(kMaxDibBytes)) refuseBmp("image size field is absurd");
    // Resolution is not used, but pixels a thousand times wider than tall are a damaged
    // header rather than a picture (0 means unknown).
    const int64_t rx = h.xPelsPerMeter, ry = h.yPelsPerMeter;
    if (rx > 0 && ry > 0 && (rx > 1000 * ry || ry > 1000 * rx)) refuseBmp("absurd resolution");
    bool supported = false;
    switch (h.compression) {
    case kRgb:
        supported = h.bpp == 1 || h.bpp == 2 || h.bpp == 4 || h.bpp == 8 || h.bpp == 16 ||
                    h.bpp == 24 || h.bpp == 32;
        break;
    case kRle8: supported = h.bpp == 8; break;
    case kRle4: supported = h.bpp == 4; break;
    case kBitfields:
    case kAlphaBitfields: supported = h.bpp == 16 || h.bpp == 32; break;
    default: break;
    }
    if (!supported)
        refuseBmp(std::to_string(h.bpp) + " bpp with compression " +
                  std::to_string(h.compression) + " is not supported");
    if (h.topDown && (h.compression == kRle8 || h.compression == kRle4))
        refuseBmp("RLE pictures cannot be top-down");
    return h;
}

// The colour table, at most 2^bpp entries; sets the offset past it.
template <class Reader>
std::vector<gdi::RGBQUAD> readTable(Reader& r, const Header& h, size_t& tableEnd) {
    const int64_t full = int64_t{1} << h.bpp;
    const int entrySize = h.core ? 3 : 4;
    int64_t declared = h.core ? full : (h.clrUsed ? int64_t{h.clrUsed} : full);
    if (h.core && h.offBits > h.tableOffset && h.offBits < h.tableOffset + 3 * full)
        declared = (h.offBits - int64_t(h.tableOffset)) / 3;
    const int64_t bytes = declared * entrySize;
    if (int64_t(h.tableOffset) + bytes > int64_t(r.size())) refuseBmp("colour table runs past the end");
    tableEnd = h.tableOffset + size_t(bytes);
    std::vector<gdi::RGBQUAD> table(size_t(std::min(declared, full)));
    r.seek(h.tableOffset);
    for (auto& q : table) {
        const auto e = r.bytes(uint64_t(entrySize));
        q = {e[0], e[1], e[2], 0};
    }
    return table;
}

// Indexed rows: copied, 2 bpp widened to 4.
// A bottom-up file holds its rows exactly as the DIB section does: they are copied as they
// lie (the last row may lack its padding, which then stays zero), in pieces, so that a
// file's reader never holds more than a piece.
template <class Reader>
bool copyWhole(Reader& r, const Header& h, size_t offset, DibBuilder& dib) {
    if (h.topDown) return false;
    constexpr int64_t kPiece = int64_t{1} << 20;
    const int64_t used = (h.width * h.bpp + 7) / 8;
    const int64_t bytes = dibStride(h.width, h.bpp) * (h.height - 1) + used;
    r.seek(offset);
    for (int64_t done = 0; done < bytes;) {
        const int64_t n = std::min(kPiece, bytes - done);
        std::memcpy(dib.bits() + done, r.bytes(uint64_t(n)).data(), size_t(n));
        done += n;
    }
    return true;
}

template <class Reader>
void copyIndexed(Reader& r, const Header& h, size_t offset, DibBuilder& dib) {
    if (h.bpp != 2 && copyWhole(r, h, offset, dib)) return;
    const int64_t stride = dibStride(h.width, h.bpp);
    const int64_t used = (h.width * h.bpp + 7) / 8;
    for (int64_t i = 0; i < h.height; ++i) {
        r.seek(offset + uint64_t(i * stride));
        const auto src = r.bytes(uint64_t(used));
        uint8_t* dst = dib.rowFromTop(h.topDown ? i : h.height - 1 - i);
        if (h.bpp != 2) {
            std::memcpy(dst, src.data(), size_t(used));
            continue;
        }
        for (int64_t x = 0; x < h.width; ++x) {
            const int index = (src[size_t(x / 4)] >> (6 - 2 * (x % 4))) & 3;
            dst[x / 2] = uint8_t(dst[x / 2] | (x % 2 ? index : index << 4));
        }
    }
}

// A pixel value past the colour table has no colour: refused rather than guessed.
void checkIndices(const DibBuilder& dib, size_t entries) {
    const int bpp = dib.bpp();
    if (entries >= (size_t{1} << bpp)) return;
    for (int y = 0; y < dib.height(); ++y) {
        const uint8_t* row = dib.rowFromTop(y);
        for (int x = 0; x < dib.width(); ++x) {
            const int bit = x * bpp;
            const size_t index = (row[bit >> 3] >> (8 - bpp - (bit & 7))) & ((1 << bpp) - 1);
            if (index >= entries) refuseBmp("pixel value past the colour table");
        }
    }
}

// 24 bpp and the 32-bpp layouts that keep their bytes: row copies.
template <class Reader>
void copyRows(Reader& r, const Header& h, size_t offset, DibBuilder& dib, bool clearAlpha) {
    if (!clearAlpha && copyWhole(r, h, offset, dib)) return;
    const int64_t stride = dibStride(h.width, h.bpp);
    const int64_t used = h.width * (h.bpp / 8);
    for (int64_t i = 0; i < h.height; ++i) {
        r.seek(offset + uint64_t(i * stride));
        uint8_t* dst = dib.rowFromTop(h.topDown ? i : h.height - 1 - i);
        std::memcpy(dst, r.bytes(uint64_t(used)).data(), size_t(used));
        if (clearAlpha)
            for (int64_t x = 0; x < h.width; ++x) dst[x * 4 + 3] = 0;
    }
}

// 16 and 32 bpp through masks into 24 or 32 bpp.
template <class Reader>
void convertMasked(Reader& r, const Header& h, size_t offset, const Channel (&c)[4],
                   DibBuilder& dib) {
    const int64_t stride = dibStride(h.width, h.bpp);
    const int inBytes = h.bpp / 8, outBytes = dib.bpp() / 8;
    for (int64_t i = 0; i < h.height; ++i) {
        r.seek(offset + uint64_t(i * stride));
        const auto src = r.bytes(uint64_t(h.width * inBytes));
        uint8_t* dst = dib.rowFromTop(h.topDown ? i : h.height - 1 - i);
        for (int64_t x = 0; x < h.width; ++x) {
            const uint8_t* s = &src[size_t(x * inBytes)];
            const uint32_t v = inBytes == 2 ? uint32_t(s[0] | (s[1] << 8)) : le32(src, size_t(x * 4));
            uint8_t* d = dst + x * outBytes;
            d[0] = uint8_t(c[2].to8(v));
            d[1] = uint8_t(c[1].to8(v));
            d[2] = uint8_t(c[0].to8(v));
            if (outBytes == 4) d[3] = uint8_t(c[3].to8(v));
        }
    }
}

// Walks the run-length codes; with a bitmap, writes the pixels they describe. Refuses
// what would run outside the picture, and data that ends before the end-of-bitmap code
// while pixels are still to come.
template <class Reader>
void decodeRle(Reader& r, const Header& h, size_t offset, DibBuilder* dib) {
    const bool rle4 = h.compression == kRle4;
    const int64_t w = h.width, rows = h.height;
    // An RLE4 run may cover the padding nibble of an odd-width row.
    const int64_t slack = rle4 && (w & 1) ? 1 : 0;
    auto put = [&](int64_t x, int64_t y, uint8_t index) {
        if (x >= w) return;
        uint8_t* row = dib->rowFromTop(rows - 1 - y);
        if (!rle4) {
            row[x] = index;
        } else {
            uint8_t& b = row[x / 2];
            b = (x & 1) ? uint8_t((b & 0xF0) | index) : uint8_t((b & 0x0F) | (index << 4));
        }
    };
    auto checkSpan = [&](int64_t x, int64_t y, int64_t n) {
        if (y >= rows) refuseBmp("RLE data past the last row");
        if (x + n > w + slack) refuseBmp("RLE run past the end of a row");
    };
    r.seek(offset);
    int64_t x = 0, y = 0;
    bool endOfBitmap = false;
    // Every code consumes at least two bytes, so the loop ends with the data.
    while (r.has(2)) {
        const uint8_t n = r.u8(), c = r.u8();
        if (n > 0) {
            checkSpan(x, y, n);
            if (dib)
                for (int k = 0; k < n; ++k)
                    put(x + k, y, rle4 ? uint8_t((k & 1) ? (c & 0x0F) : (c >> 4)) : c);
            x += n;
            continue;
        }
        if (c == 0) {  // end of line
            x = 0;
            ++y;
            continue;
        }
        if (c == 1) {
            endOfBitmap = true;
            break;
        }
        if (c == 2) {  // delta
            if (!r.has(2)) break;
            x += r.u8();
            y += r.u8();
            if (x > w || y > rows) refuseBmp("RLE delta moves outside the picture");
            continue;
        }
        // Absolute run of c pixels, padded to an even number of bytes.
        const int64_t bytes = rle4 ? (c + 1) / 2 : c;
        if (!r.has(uint64_t(bytes))) break;
        checkSpan(x, y, c);
        const auto run = r.bytes(uint64_t(bytes));
        if (dib)
            for (int k = 0; k < c; ++k)
                put(x + k, y, rle4 ? uint8_t((k & 1) ? (run[size_t(k / 2)] & 0x0F) : (run[size_t(k / 2)] >> 4))
                                   : run[size_t(k)]);
        x += c;
        if ((bytes & 1) && r.has(1)) r.skip(1);
    }
    // Without the end code, the codes must have reached the last pixel: past the last
    // row's end, or to the end of the last row.
    if (!endOfBitmap && y < rows && !(y == rows - 1 && x >= w))
        refuseBmp("RLE data ends before the picture does");
}

template <class Reader>
Picture readBmpFrom(Reader& r) {
    const Header h = readHeader(r);
    checkPictureSize(kFormat, h.width, h.height, h.bpp == 2 ? 4 : h.bpp);

    std::vector<gdi::RGBQUAD> table;
    size_t tableEnd = h.tableOffset;
    if (h.bpp <= 8) table = readTable(r, h, tableEnd);
    const size_t offset = h.offBits == 0 ? tableEnd : size_t(h.offBits);
    if (offset > r.size()) refuseBmp("pixel data offset past the end");

    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (!rle) {
        // Every row but the last with its padding; the last without.
        const int64_t need =
            dibStride(h.width, h.bpp) * (h.height - 1) + (h.width * h.bpp + 7) / 8;
        if (need > int64_t(r.size() - offset)) refuseBmp("pixel data runs past the end");
    } else {
        decodeRle(r, h, offset, nullptr);  // refuses before the bitmap is made
    }

    if (h.bpp <= 8) {
        DibBuilder dib(kFormat, h.width, h.height, h.bpp == 2 ? 4 : h.bpp, table);
        if (rle)
            decodeRle(r, h, offset, &dib);
        else
            copyIndexed(r, h, offset, dib);
        checkIndices(dib, table.size());
        return makePicture(kPicTypeBitmap, dib.release(), true);
    }
    if (h.bpp == 24 || (h.bpp == 32 && h.compression == kRgb)) {
        DibBuilder dib(kFormat, h.width, h.height, h.bpp);
        copyRows(r, h, offset, dib, false);
        return makePicture(kPicTypeBitmap, dib.release(), true);
    }

    Channel c[4];
    if (h.compression == kRgb) {  // 16 bpp: 5-5-5
        c[0].set(0x7C00);
        c[1].set(0x03E0);
        c[2].set(0x001F);
    } else {
        const uint64_t range = (uint64_t{1} << h.bpp) - 1;
        uint32_t seen = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t m = i < 3 || h.hasAlphaMask ? h.masks[i] : 0;
            if (!c[i].set(m) || (m & seen) || m > range) refuseBmp("bad colour masks");
            if (i < 3 && m == 0) refuseBmp("a colour mask is empty");
            seen |= m;
        }
    }
    const bool alpha = c[3].bits > 0;
    if (h.bpp == 32 && c[0].mask == 0x00FF0000 && c[1].mask == 0x0000FF00 &&
        c[2].mask == 0x000000FF && (!alpha || c[3].mask == 0xFF000000)) {
        DibBuilder dib(kFormat, h.width, h.height, 32);
        copyRows(r, h, offset, dib, !alpha);
        return makePicture(kPicTypeBitmap, dib.release(), true);
    }
    DibBuilder dib(kFormat, h.width, h.height, h.bpp == 32 || alpha ? 32 : 24);
    convertMasked(r, h, offset, c, dib);
    return makePicture(kPicTypeBitmap, dib.release(), true);
}

}  // namespace

Picture readBmp(std::span<const uint8_t> data) {
    ByteReader r(data, kFormat);
    return readBmpFrom(r);
}

Picture readBmp(SourceByteReader& source) { return readBmpFrom(source); }

}  // namespace picture::detail
