#include "codecs/cICOparser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/cPNGparser.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/gdi/gdi.h"
#include "platform/runtime/error.h"

namespace codecs {

namespace {

constexpr int64_t kDirectoryBytes = 6;
constexpr int64_t kEntryBytes = 16;
constexpr int64_t kInfoHeaderBytes = 40;
constexpr uint16_t kBitmapMark = 1;
constexpr uint16_t kPngMark = 255;
// The 16-bit value at offset 14 of an entry: a bitmap header's bit count, or "DR", the end
// of "IHDR" in a PNG stream.
constexpr int64_t kBitCountAt = 14;
constexpr uint16_t kPngLetters = 0x5244;
// A PNG stream up to IHDR's colour type: signature, chunk length and type, width, height,
// bit depth, colour type.
constexpr int64_t kPngHeaderBytes = 26;
constexpr uint32_t kPngSignatureLow = 0x474E5089;   // 0x89 "PNG"
constexpr uint32_t kPngSignatureHigh = 0x0A1A0A0D;  // CR LF SUB LF
constexpr uint32_t kIhdr = 0x52444849;              // "IHDR"
constexpr int32_t kDefaultIconSize = 32;
// SelectBestIcon: the starting best score, and the score of an entry deeper than 32 bits.
constexpr int32_t kNoScore = 10000;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// A size byte of the directory: 0 means 256.
int32_t sizeOf(uint8_t value) { return value ? value : 256; }
// A size as the directory stores it; more than 256 does not fit.
uint8_t sizeByte(int32_t size) {
    if (size < 1 || size > 256) runtime::raise(runtime::kErrOverflow);
    return uint8_t(size & 0xFF);
}

// Bytes of a row of `width` pixels of bitCount bits, padded to a multiple of 4.
int64_t alignedRow(int64_t bitCount, int64_t width) { return (bitCount * width + 31) / 32 * 4; }

[[noreturn]] void outOfRange() { runtime::raise(runtime::kErrSubscriptOutOfRange); }

// An entry's bitmap header as the platform's DIB functions take it: its first 40 bytes
// (what a V4 or V5 header adds, masks and colour space, means nothing to BI_RGB bits),
// with the height of the colour bitmap alone.
gdi::BITMAPINFOHEADER platformHeader(const uint8_t* header, int32_t height) {
    gdi::BITMAPINFOHEADER h;
    std::memcpy(&h, header, sizeof(h));
    h.biSize = sizeof(h);
    h.biHeight = height;
    return h;
}

}  // namespace

// ---- the directory ------------------------------------------------------------------------

const cICOparser::Entry& cICOparser::entry(int32_t Index) const {
    if (Index < 1 || size_t(Index) > entries_.size()) outOfRange();
    return entries_[size_t(Index) - 1];
}

int32_t cICOparser::Height(int32_t Index) const { return sizeOf(entry(Index).height); }
int32_t cICOparser::Width(int32_t Index) const { return sizeOf(entry(Index).width); }
bool cICOparser::IsIconPNG(int32_t Index) const { return entry(Index).planes == kPngMark; }
int32_t cICOparser::bitDepth(int32_t Index) const { return entry(Index).bitCount; }
int32_t cICOparser::IconCount() const { return directory_.count; }

int32_t cICOparser::ColorCount(int32_t Index) const {
    const Entry& e = entry(Index);
    if (!dataValid_ || e.imageOffset >= data_.size()) outOfRange();
    if (e.bitCount > 8) return 0;
    const int64_t rest = int64_t{e.bytesInResource} - data_[e.imageOffset] - GetColorBitsSize(Index) -
                         GetMaskBitsSize(Index);
    return int32_t(rest / 4);
}

int64_t cICOparser::ColorByteOffset(int32_t Index) const {
    const Entry& e = entry(Index);
    if (!dataValid_ || uint64_t(e.imageOffset) + 4 > data_.size()) outOfRange();
    const int64_t table = e.bitCount < 16 ? int64_t{4} << e.bitCount : 0;
    return int64_t{e.imageOffset} + le32(&data_[e.imageOffset]) + table;
}

int64_t cICOparser::GetMaskByteOffset(int32_t Index) const {
    const Entry& e = entry(Index);
    return int64_t{e.imageOffset} + e.bytesInResource - GetMaskBitsSize(Index);
}

int64_t cICOparser::GetColorBitsSize(int32_t Index) const {
    const Entry& e = entry(Index);
    return alignedRow(e.bitCount, sizeOf(e.width)) * sizeOf(e.height);
}

int64_t cICOparser::GetMaskBitsSize(int32_t Index) const {
    const Entry& e = entry(Index);
    return alignedRow(1, sizeOf(e.width)) * sizeOf(e.height);
}

// ---- reading --------------------------------------------------------------------------------

bool cICOparser::LoadStream(std::span<uint8_t> inStream, int32_t desiredWidth, int32_t desiredHeight,
                            cImage32* cHost, int64_t& streamOffset, int64_t& streamLength,
                            int32_t& icoBitDepth, int32_t GlobalToken) {
    if (streamOffset < 0 || uint64_t(streamOffset) > inStream.size()) return false;
    if (streamLength == 0) streamLength = int64_t(inStream.size()) - streamOffset;
    if (streamLength < 0 || uint64_t(streamLength) > inStream.size() - uint64_t(streamOffset))
        return false;
    const std::span<uint8_t> bytes = inStream.subspan(size_t(streamOffset), size_t(streamLength));
    struct Detach {
        cICOparser& self;
        ~Detach() {
            self.data_ = {};
            self.dataValid_ = false;
        }
    } detach{*this};
    data_ = bytes;
    dataValid_ = true;
    directory_ = {};
    entries_.clear();

    // The directory, checked in full before any entry is looked at.
    const int64_t length = streamLength;
    if (length < kDirectoryBytes) return false;
    directory_.reserved = le16(&bytes[0]);
    directory_.type = le16(&bytes[2]);
    directory_.count = int16_t(le16(&bytes[4]));
    const int64_t count = directory_.count;
    if (count < 1 || directory_.reserved != 0 || (directory_.type != 1 && directory_.type != 2))
        return false;
    if (kDirectoryBytes + kEntryBytes * count > length) return false;
    uint64_t sum = 0;
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* p = &bytes[size_t(kDirectoryBytes + kEntryBytes * i)];
        Entry e;
        e.width = p[0];
        e.height = p[1];
        e.colourCount = p[2];
        e.reserved = p[3];
        e.planes = le16(p + 4);
        e.bitCount = le16(p + 6);
        e.bytesInResource = le32(p + 8);
        e.imageOffset = le32(p + 12);
        sum += e.bytesInResource;
        // Every entry's data must lie within the data, not only their sizes' sum.
        if (uint64_t{e.imageOffset} + e.bytesInResource > uint64_t(length)) return false;
        entries_.push_back(e);
    }
    if (uint64_t(kDirectoryBytes + kEntryBytes * count) + sum > uint64_t(length)) return false;

    // What each entry is, and its bit count.
    bool verdict = true;
    for (int32_t i = 1; i <= int32_t(count); ++i) {
        Entry& e = entries_[size_t(i) - 1];
        e.planes = kBitmapMark;
        if (uint64_t{e.imageOffset} + kInfoHeaderBytes > uint64_t(length)) {
            e.damaged = true;  // not even a bitmap header's room left in the data
            continue;
        }
        uint8_t* field = &bytes[e.imageOffset + kBitCountAt];
        const uint16_t value = le16(field);
        if (value == kPngLetters) {
            verdict = ValidatePNGIconEntry(i);
            continue;
        }
        if (value >= 0x8000) runtime::raise(runtime::kErrOverflow);  // a signed 16-bit count
        if (value != 0) e.bitCount = value;
        else if (e.bitCount != 0) put16(field, e.bitCount);
        else verdict = false;
        if (e.bytesInResource < kInfoHeaderBytes) {
            // Too few bytes for even the header: the size is taken as not given, and the
            // entry as long as its header and the directory's size make it.
            const int64_t implied = le32(&bytes[e.imageOffset]) + (e.bitCount < 16 ? int64_t{4} << e.bitCount : 0) +
                                    GetColorBitsSize(i) + GetMaskBitsSize(i);
            if (implied <= length - int64_t{e.imageOffset}) e.bytesInResource = uint32_t(implied);
        }
        e.damaged = !BitmapEntryFits(i);
    }
    if (!verdict) return false;
    if (!cHost) return true;

    const int32_t wanted = SelectBestIcon(desiredWidth < 1 ? kDefaultIconSize : desiredWidth,
                                          desiredHeight < 1 ? kDefaultIconSize : desiredHeight, icoBitDepth);
    if (wanted == 0) return true;
    const Entry& e = entry(wanted);
    if (IsIconPNG(wanted)) {
        const bool result = cPNGparser().LoadStream(inStream, *cHost, streamOffset + e.imageOffset,
                                                    e.bytesInResource, GlobalToken);
        if (cHost->Handle()) cHost->ImageType(cImage32::ImageTypePNGInIcon);
        return result;
    }
    DecodeBitmapEntry(wanted, *cHost, bytes);
    return true;
}

bool cICOparser::ValidatePNGIconEntry(int32_t Index) {
    Entry& e = entries_[size_t(Index) - 1];
    e.planes = kPngMark;
    if (e.bytesInResource < kPngHeaderBytes) {
        e.bitCount = 0;
        return false;
    }
    const uint8_t* p = &data_[e.imageOffset];
    if (le32(p) != kPngSignatureLow || le32(p + 4) != kPngSignatureHigh || le32(p + 12) != kIhdr)
        return false;
    // A size the directory cannot hold keeps the directory's byte and clears the bit count,
    // which then comes from IHDR.
    const auto takeSize = [&](const uint8_t* field, uint8_t& size) {
        const uint32_t value = uint32_t(modParsers::SwapLongBytes(int32_t(le32(field))));
        if (value == 256) size = 0;
        else if (value >= 1 && value <= 255) size = uint8_t(value);
        else e.bitCount = 0;
    };
    takeSize(p + 16, e.width);
    takeSize(p + 20, e.height);
    if (e.bitCount == 0) {
        const uint8_t depth = p[24], colourType = p[25];
        e.bitCount = depth;
        if (depth == 16) e.bitCount = 32;
        else if (depth != 0 && (colourType == 4 || colourType == 6)) e.bitCount = 32;
        else if (depth != 0 && colourType == 2) e.bitCount = 24;
    }
    return e.bitCount > 0;
}

bool cICOparser::BitmapEntryFits(int32_t Index) const {
    const Entry& e = entry(Index);
    const int64_t start = e.imageOffset, end = start + int64_t{e.bytesInResource};
    if (e.bytesInResource < kInfoHeaderBytes) return false;
    const int64_t headerSize = le32(&data_[size_t(start)]);
    if (headerSize < kInfoHeaderBytes || headerSize > e.bytesInResource) return false;
    const int64_t colourAt = ColorByteOffset(Index);
    const int64_t maskAt = GetMaskByteOffset(Index);
    if (maskAt < colourAt || GetColorBitsSize(Index) > maskAt - colourAt) return false;
    // The header as the platform will get it must be one it reads (DibImageBytes is -1
    // otherwise) and must not describe more colour bits than that.
    const gdi::BITMAPINFOHEADER h = platformHeader(&data_[size_t(start)], Height(Index));
    const int64_t colourBytes = gdi::DibImageBytes(h);
    return colourBytes >= 0 && colourBytes <= maskAt - colourAt && end <= int64_t(data_.size());
}

void cICOparser::DecodeBitmapEntry(int32_t Index, cImage32& cHost, std::span<uint8_t> bytes) {
    const Entry& e = entry(Index);
    const int32_t width = Width(Index), height = Height(Index);
    if (!cHost.InitializeDIB(width, height)) return;

    // The header for the colour bitmap alone, written back where it came from with its
    // own size; the colour table follows the whole header.
    gdi::BITMAPINFO info{};
    gdi::BITMAPINFOHEADER& h = info.bmiHeader;
    uint8_t* header = &bytes[e.imageOffset];
    const uint32_t headerSize = le32(header);
    h = platformHeader(header, height);
    h.biClrUsed = gdi::DWORD(ColorCount(Index));
    h.biSizeImage = 0;
    h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
    gdi::BITMAPINFOHEADER stored = h;
    stored.biSize = headerSize;
    std::memcpy(header, &stored, sizeof(stored));
    const int64_t colourAt = ColorByteOffset(Index);
    const int64_t tableBytes = std::min<int64_t>(colourAt - e.imageOffset - headerSize,
                                                 int64_t(sizeof(info.bmiColors)));
    if (tableBytes > 0) std::memcpy(info.bmiColors, header + headerSize, size_t(tableBytes));

    const gdi::HDC screen = gdi::GetDC(0);
    const gdi::HBITMAP bitmap = gdi::CreateDIBitmap(screen, &h, gdi::CBM_INIT, &bytes[size_t(colourAt)],
                                                    &info, gdi::DIB_RGB_COLORS);
    if (!bitmap) {
        gdi::ReleaseDC(0, screen);
        cHost.DestroyDIB();
        return;
    }
    gdi::BITMAPINFO out{};
    out.bmiHeader = {gdi::DWORD(kInfoHeaderBytes), width, height, 1, 32, gdi::BI_RGB,
                     gdi::DWORD(width) * gdi::DWORD(height) * 4, 0, 0, 0, 0};
    gdi::GetDIBits(screen, bitmap, 0, gdi::UINT(height), cHost.BitsPointer(), &out, gdi::DIB_RGB_COLORS);
    gdi::ReleaseDC(0, screen);
    gdi::DeleteObject(bitmap);
    ApplyIconTransparency(Index, cHost);
}

int32_t cICOparser::SelectBestIcon(int32_t desiredWidth, int32_t desiredHeight,
                                   int32_t desiredBitDepth) const {
    const int32_t count = int32_t(entries_.size());
    const auto usable = [&](int32_t i) { return !entry(i).damaged; };
    if (count < 2) return count == 1 && bitDepth(1) != 0 && usable(1) ? 1 : 0;

    // First pass: the nearest entry at least as large as wanted; growing costs half as much
    // as shrinking. An exact fit ends the search.
    std::vector<int32_t> score(size_t(count) + 1, 0);
    int32_t best = kNoScore, selected = 0;
    for (int32_t i = 1; i <= count; ++i) {
        const int32_t bits = bitDepth(i);
        if (bits == 0 || !usable(i)) continue;
        int32_t dw = Width(i) - desiredWidth, dh = Height(i) - desiredHeight;
        if (Width(i) < desiredWidth) dw *= 2;
        if (Height(i) < desiredHeight) dh *= 2;
        int32_t s = dw + dh + std::abs(desiredBitDepth - bits);
        if (bits > 32) s = -kNoScore;
        score[size_t(i)] = s;
        if (s == 0) return i;
        if (s > 0 && s < best) {
            best = s;
            selected = i;
        }
    }
    if (selected) return selected;
    // Second pass, from the last entry down: the smallest shortfall, deepest colour first;
    // the later entry among equals; entry 1 when nothing scores below kNoScore.
    for (int32_t i = count; i >= 1; --i) {
        if (!usable(i)) continue;
        const int32_t s = std::abs(score[size_t(i)]) + std::abs(32 - bitDepth(i));
        if (s < best) {
            best = s;
            selected = i;
        }
    }
    if (!selected && usable(1)) selected = 1;
    return selected;
}

void cICOparser::ApplyIconTransparency(int32_t Index, cImage32& cHost) {
    const Entry& e = entry(Index);
    const ByteView2D pixels = modParsers::OverlayDIBBits(cHost);
    const size_t width = size_t(cHost.Width()), height = size_t(cHost.Height());

    bool ownAlpha = false;
    const uint8_t* alpha = nullptr;
    if (e.bitCount == 32) {
        const int64_t at = ColorByteOffset(Index);
        if (at < 0 || uint64_t(at) + width * height * 4 > data_.size()) outOfRange();
        alpha = &data_[size_t(at) + 3];
        for (size_t i = 0; i < width * height && !ownAlpha; ++i) ownAlpha = alpha[i * 4] != 0;
    }
    const bool icon = directory_.type == 1;
    if (ownAlpha) {
        // Rows of the entry in the host's order (both bottom-up); straight alpha.
        for (size_t row = 0; row < height; ++row) {
            uint8_t* p = pixels.row(row).data();
            for (size_t x = 0; x < width; ++x, p += 4, alpha += 4) {
                const unsigned a = *alpha;
                if (a == 0) {
                    std::memset(p, 0, 4);
                } else if (a != 255) {
                    for (int c = 0; c < 3; ++c) p[c] = uint8_t(a * p[c] / 255);
                }
                p[3] = uint8_t(a);
            }
        }
        cHost.ImageType(icon ? cImage32::ImageTypeAlphaIcon : cImage32::ImageTypeAlphaCursor);
    } else {
        // The AND mask: a set bit hides the pixel. Also for 32-bit entries without alpha.
        const int64_t maskAt = GetMaskByteOffset(Index);
        const size_t rowBytes = size_t(alignedRow(1, int64_t(width)));
        if (maskAt < 0 || uint64_t(maskAt) + rowBytes * height > data_.size()) outOfRange();
        for (size_t row = 0; row < height; ++row) {
            const uint8_t* mask = &data_[size_t(maskAt) + row * rowBytes];
            uint8_t* p = pixels.row(row).data();
            for (size_t x = 0; x < width; ++x, p += 4) {
                if (mask[x >> 3] & (0x80 >> (x & 7))) std::memset(p, 0, 4);
                else p[3] = 255;
            }
        }
        cHost.ImageType(icon ? cImage32::ImageTypeIcon : cImage32::ImageTypeCursor);
    }

    int32_t kind = cImage32::AlphaOpaque, type = cImage32::ImageTypeBlank;
    modParsers::ValidateAlphaChannel(pixels, false, kind, type);
    // Nothing visible reads as "opaque" to the classification; it is all transparency.
    if (kind == cImage32::AlphaOpaque && width * height > 0 && pixels.row(0)[3] == 0)
        kind = cImage32::AlphaBinary;
    cHost.Alpha(kind);
}

// ---- icon handles -------------------------------------------------------------------------

bool cICOparser::ConvertstdPicTo32bpp(uint32_t Handle, cImage32& cHost) {
    if (!Handle) return false;
    gdi::ICONINFO iconInfo{};
    if (!gdi::GetIconInfo(Handle, &iconInfo)) return false;
    // The bitmaps are copies that are this procedure's to delete, however it ends.
    const gdi::HDC screen = gdi::GetDC(0);
    struct Release {
        gdi::HDC screen;
        const gdi::ICONINFO& info;
        ~Release() {
            gdi::ReleaseDC(0, screen);
            if (info.hbmMask) gdi::DeleteObject(info.hbmMask);
            if (info.hbmColor) gdi::DeleteObject(info.hbmColor);
        }
    } release{screen, iconInfo};

    directory_ = {0, uint16_t(iconInfo.fIcon ? 1 : 0), 1};
    entries_.assign(1, Entry{});
    data_ = {};
    dataValid_ = false;
    Entry& e = entries_[0];
    const bool icon = iconInfo.fIcon != 0;
    int32_t width = 0, height = 0;

    if (iconInfo.hbmColor) {
        gdi::BITMAPINFO size{};
        size.bmiHeader.biSize = gdi::DWORD(kInfoHeaderBytes);
        if (!gdi::GetDIBits(screen, iconInfo.hbmColor, 0, 0, nullptr, &size, gdi::DIB_RGB_COLORS)) {
            directory_.count = 0;
        } else {
            width = size.bmiHeader.biWidth;
            height = std::abs(size.bmiHeader.biHeight);
            if (!cHost.InitializeDIB(width, height)) {
                directory_.count = 0;
            } else {
                gdi::BITMAPINFO colour{};
                colour.bmiHeader = {gdi::DWORD(kInfoHeaderBytes), width, height, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
                gdi::GetDIBits(screen, iconInfo.hbmColor, 0, gdi::UINT(height), cHost.BitsPointer(), &colour,
                               gdi::DIB_RGB_COLORS);
                e.bitCount = 1;
                const uint8_t* p = cHost.BitsPointer();
                for (size_t i = 0; i < size_t(width) * size_t(height) && e.bitCount == 1; ++i)
                    if (p[i * 4 + 3] != 0) e.bitCount = 32;
                if (e.bitCount == 32) {
                    int32_t kind = cImage32::AlphaOpaque, type = cImage32::ImageTypeBlank;
                    modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(cHost), true, kind, type);
                    cHost.ImageType(icon ? cImage32::ImageTypeAlphaIcon : cImage32::ImageTypeAlphaCursor);
                    cHost.Alpha(kind);
                }
            }
        }
    } else {
        e.bitCount = 1;
    }

    if (e.bitCount == 1 && directory_.count == 1) {
        gdi::BITMAPINFO size{};
        size.bmiHeader.biSize = gdi::DWORD(kInfoHeaderBytes);
        if (!gdi::GetDIBits(screen, iconInfo.hbmMask, 0, 0, nullptr, &size, gdi::DIB_RGB_COLORS)) {
            directory_.count = 0;
        } else {
            gdi::UINT firstScan = 0;
            if (!iconInfo.hbmColor) {
                // A monochrome icon: the AND mask above the image in one bitmap of twice the
                // height. Scans count from the bottom, so the mask is the upper half.
                width = size.bmiHeader.biWidth;
                height = std::abs(size.bmiHeader.biHeight) / 2;
                if (!cHost.InitializeDIB(width, height)) {
                    directory_.count = 0;
                } else {
                    const gdi::HDC dc = cHost.LoadDIBinDC(true);
                    gdi::DrawIcon(dc, 0, 0, Handle);
                    cHost.LoadDIBinDC(false);
                    firstScan = gdi::UINT(height);
                }
            }
            if (directory_.count == 1) {
                maskBits_.assign(size_t(alignedRow(1, width) * height), 0);
                gdi::BITMAPINFO mask{};
                mask.bmiHeader = {gdi::DWORD(kInfoHeaderBytes), width, height, 1, 1, gdi::BI_RGB, 0, 0, 0, 2, 0};
                mask.bmiColors[1] = {255, 255, 255, 0};
                gdi::GetDIBits(screen, iconInfo.hbmMask, firstScan, gdi::UINT(height), maskBits_.data(), &mask,
                               gdi::DIB_RGB_COLORS);
                e.width = sizeByte(width);
                e.height = sizeByte(height);
                e.bytesInResource = uint32_t(maskBits_.size());
                e.imageOffset = 0;
                e.bitCount = 1;
                e.planes = kBitmapMark;
            }
        }
    }
    if (directory_.count != 1) return false;
    if (e.bitCount == 1) {
        data_ = maskBits_;
        ApplyIconTransparency(1, cHost);
        data_ = {};
        maskBits_ = {};
    }
    return true;
}

}  // namespace codecs
