// cTGAparser's writer: the form, the pixel data (raw or run-length encoded), the colour map,
// the extension area and the footer, assembled in the caller's array.

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

#include "codecs/SaveTarget.h"
#include "codecs/TGAFormat.h"
#include "codecs/cTGAparser.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/clock.h"

namespace codecs {

namespace {

using namespace tga;

constexpr size_t kNoRoom = std::numeric_limits<size_t>::max();
constexpr char kSoftwareId[] = "Quillmere Imaging Suite";
constexpr uint16_t kSoftwareVersion = 3;
constexpr uint8_t kVersionLetter = 1;
constexpr int32_t kMostMappedColours = 256;

void put16(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}
void put32(uint8_t* at, uint32_t value) {
    put16(at, value);
    put16(at + 2, value >> 16);
}

const uint8_t* hostRow(const cImage32& host, size_t row) {
    return host.BitsPointer() + row * size_t(host.Width()) * 4;
}

int32_t pixelValue(const uint8_t* p) {
    int32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

// One row's packets (see EncodeTGARLE). An open packet holds one pixel and turns into a
// run or a raw packet at the next; a raw packet ends before a pixel that starts a run.
template <uint32_t B>
size_t encodeRow(const uint8_t* row, size_t width, uint8_t* out, size_t room) {
    size_t written = 0;
    const auto run = [&](size_t first, size_t count) {
        if (room - written < 1 + B) return false;
        out[written++] = uint8_t(kRunPacket | (count - 1));
        std::memcpy(out + written, row + first * B, B);
        written += B;
        return true;
    };
    const auto raw = [&](size_t first, size_t count) {
        if (count == 0) return true;  // a raw packet that a run took over entirely
        if (room - written < 1 + count * B) return false;
        out[written++] = uint8_t(count - 1);
        std::memcpy(out + written, row + first * B, count * B);
        written += count * B;
        return true;
    };
    enum class Kind { Open, Run, Raw } kind = Kind::Open;
    size_t start = 0;
    for (size_t i = 1; i < width; ++i) {
        const bool same = std::memcmp(row + i * B, row + (i - 1) * B, B) == 0;
        if (same && kind != Kind::Run) {
            if (kind == Kind::Raw) {
                if (!raw(start, i - 1 - start)) return kNoRoom;
                start = i - 1;
            }
            kind = Kind::Run;
        } else if (!same && kind != Kind::Raw) {
            if (kind == Kind::Run) {
                if (!run(start, i - start)) return kNoRoom;
                start = i;
            }
            kind = Kind::Raw;
        } else if (i - start == kMostPixelsPerPacket) {
            if (!(kind == Kind::Run ? run(start, i - start) : raw(start, i - start))) return kNoRoom;
            start = i;
            kind = i == width - 1 ? Kind::Raw : Kind::Open;
        }
    }
    const bool ok = kind == Kind::Run ? run(start, width - start) : raw(start, width - start);
    return ok ? written : kNoRoom;
}

}  // namespace

bool cTGAparser::SaveAsTGA(const std::string& FileName, std::vector<uint8_t>& outStream, const cImage32* cHost,
                           bool AllowPreMultipliedPixels, bool Compress, bool ReduceBitDepth) {
    if (!fitsSixteenBitSides(cHost)) return false;
    SaveTarget target(FileName);
    if (!target.ready()) return false;
    try {
        // Assembled in the caller's array, which a file save leaves holding the file too.
        // Nothing in it changes before the one allocation that can fail.
        EncodeTGAStream(outStream, *cHost, AllowPreMultipliedPixels, Compress, ReduceBitDepth);
        return target.deliver(outStream, outStream);
    } catch (const std::exception&) {
        return false;
    }
}

void cTGAparser::EncodeTGAStream(std::vector<uint8_t>& outStream, const cImage32& host,
                                 bool AllowPreMultipliedPixels, bool Compress, bool ReduceBitDepth) {
    const size_t width = size_t(host.Width()), height = size_t(host.Height());
    if (width < 3) Compress = false;

    int32_t alphaKind = 0, imageType = 0;
    modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(host), false, alphaKind, imageType);
    const bool withAlpha = alphaKind != cImage32::AlphaOpaque;

    const bool mapped = ReduceBitDepth && !withAlpha && BuildTGAColorMap(host);
    const bool asHeld = !mapped && withAlpha && AllowPreMultipliedPixels;
    const uint32_t b = mapped ? 1 : withAlpha ? 4 : 3;
    const size_t mapBytes = mapped && !grey_ ? size_t(colourCount_) * 3 : 0;
    const size_t rowBytes = width * b;
    const size_t rawBytes = rowBytes * height;
    const size_t extensionBytes = asHeld ? size_t(kExtensionAreaBytes) : 0;
    const size_t dataAt = kHeaderBytes + mapBytes;

    outStream.resize(dataAt + rawBytes + extensionBytes + kFooterBytes);
    uint8_t* const out = outStream.data();
    std::memset(out, 0, kHeaderBytes);
    uint8_t type = mapped ? (grey_ ? kTypeGrey : kTypeColourMapped) : kTypeTrueColour;
    if (mapBytes) {
        out[1] = 1;
        put16(out + 5, uint32_t(colourCount_));
        out[7] = 24;
        for (int32_t i = 1; i <= colourCount_; ++i) {
            const int32_t c = colours_[size_t(i)];
            std::memcpy(out + kHeaderBytes + size_t(i - 1) * 3, &c, 3);  // blue, green, red
        }
    }
    put16(out + 12, uint32_t(width));
    put16(out + 14, uint32_t(height));
    out[16] = uint8_t(b * 8);
    out[17] = withAlpha ? 8 : 0;

    // Row r's raw bytes: the host's own memory for the premultiplied form, else made in
    // `scratch` (or straight in place, when `scratch` is the row's place in the file).
    const auto rowData = [&](size_t r, uint8_t* scratch) -> const uint8_t* {
        if (asHeld) return hostRow(host, r);
        if (mapped) GetTGAIndexRow(host, r, scratch);
        else GetTGAPixelData(host, alphaKind, r, scratch);
        return scratch;
    };

    size_t dataBytes = rawBytes;
    bool encoded = false;
    if (Compress) {
        // Kept only when smaller: the packets must fit in fewer bytes than the raw rows.
        std::vector<uint8_t> scratch(rowBytes);
        size_t at = 0;
        encoded = true;
        for (size_t r = 0; r < height && encoded; ++r) {
            const size_t n = EncodeTGARLE(rowData(r, scratch.data()), b, width, 1, out + dataAt + at,
                                          rawBytes - 1 - at);
            encoded = n != kNoRoom;
            if (encoded) at += n;
        }
        if (encoded) {
            dataBytes = at;
            type = uint8_t(type + kTypeRunLength);
        }
    }
    if (!encoded) {
        for (size_t r = 0; r < height; ++r) {
            uint8_t* place = out + dataAt + r * rowBytes;
            const uint8_t* data = rowData(r, place);
            if (data != place) std::memcpy(place, data, rowBytes);
        }
    }
    out[2] = type;

    uint8_t* tail = out + dataAt + dataBytes;
    uint32_t extensionAt = 0;
    if (asHeld) {
        extensionAt = uint32_t(dataAt + dataBytes);
        BuildTGAExtensionArea(tail);
        tail += kExtensionAreaBytes;
    }
    put32(tail, extensionAt);
    put32(tail + 4, 0);  // no developer directory
    std::memcpy(tail + 8, kSignature, kSignatureLength + 1);
    outStream.resize(size_t(tail + kFooterBytes - out));
}

void cTGAparser::GetTGAPixelData(const cImage32& host, int32_t alphaKind, size_t row, uint8_t* out) {
    const uint8_t* p = hostRow(host, row);
    const size_t width = size_t(host.Width());
    if (alphaKind == cImage32::AlphaOpaque) {
        // Four bytes stored, three kept: each pixel's fourth byte is overwritten by the next
        // pixel; the last pixel goes byte by byte so nothing is written past the row.
        for (size_t x = 0; x + 1 < width; ++x, p += 4, out += 3) std::memcpy(out, p, 4);
        std::memcpy(out, p, 3);
        return;
    }
    // straight[a][c] = c x 255 \ a; a colour above its alpha (not premultiplied) would
    // overflow its byte and is held at 255.
    static const std::vector<uint8_t> straight = [] {
        std::vector<uint8_t> table(256 * 256);
        for (uint32_t a = 1; a < 256; ++a)
            for (uint32_t c = 0; c < 256; ++c) table[a * 256 + c] = uint8_t(std::min<uint32_t>(c * 255 / a, 255));
        return table;
    }();
    for (size_t x = 0; x < width; ++x, p += 4, out += 4) {
        const uint32_t a = p[3];
        if (a == 255 || a == 0) {
            // Alpha 0 holds no colour: all four bytes 0.
            const uint32_t value = a ? uint32_t(pixelValue(p)) : 0;
            std::memcpy(out, &value, 4);
            continue;
        }
        const uint8_t* row = &straight[a * 256];
        out[0] = row[p[0]];
        out[1] = row[p[1]];
        out[2] = row[p[2]];
        out[3] = uint8_t(a);
    }
}

bool cTGAparser::BuildTGAColorMap(const cImage32& host) {
    const size_t width = size_t(host.Width()), height = size_t(host.Height());
    colourCount_ = 0;
    grey_ = true;
    bool first = true;
    int32_t last = 0;
    for (size_t r = 0; r < height; ++r) {
        const uint8_t* p = hostRow(host, r);
        for (size_t x = 0; x < width; ++x, p += 4) {
            const int32_t value = pixelValue(p);
            if (!first && value == last) continue;
            first = false;
            last = value;
            bool notFound = false;
            const int32_t at = modParsers::FindInSortedLongArray(colours_, value, colourCount_, notFound);
            if (!notFound) continue;
            if (colourCount_ == kMostMappedColours) return false;
            std::copy_backward(colours_.begin() + at, colours_.begin() + colourCount_ + 1,
                               colours_.begin() + colourCount_ + 2);
            colours_[size_t(at)] = value;
            ++colourCount_;
            if (p[0] != p[1] || p[0] != p[2]) grey_ = false;
        }
    }
    return true;
}

void cTGAparser::GetTGAIndexRow(const cImage32& host, size_t row, uint8_t* out) const {
    const uint8_t* p = hostRow(host, row);
    const size_t width = size_t(host.Width());
    if (grey_) {
        for (size_t x = 0; x < width; ++x, p += 4) out[x] = p[0];
        return;
    }
    int32_t last = 0;
    uint8_t lastIndex = 0;
    for (size_t x = 0; x < width; ++x, p += 4) {
        const int32_t value = pixelValue(p);
        if (x == 0 || value != last) {
            bool notFound = false;
            last = value;
            lastIndex = uint8_t(modParsers::FindInSortedLongArray(colours_, value, colourCount_, notFound) - 1);
        }
        out[x] = lastIndex;
    }
}

size_t cTGAparser::EncodeTGARLE(const uint8_t* data, uint32_t b, size_t width, size_t height, uint8_t* out,
                                size_t room) {
    size_t written = 0;
    for (size_t r = 0; r < height; ++r) {
        const uint8_t* row = data + r * width * b;
        size_t n = kNoRoom;
        switch (b) {
            case 1: n = encodeRow<1>(row, width, out + written, room - written); break;
            case 3: n = encodeRow<3>(row, width, out + written, room - written); break;
            case 4: n = encodeRow<4>(row, width, out + written, room - written); break;
            default: break;
        }
        if (n == kNoRoom) return kNoRoom;
        written += n;
    }
    return written;
}

void cTGAparser::BuildTGAExtensionArea(uint8_t* area) {
    std::memset(area, 0, size_t(kExtensionAreaBytes));
    put16(area, uint32_t(kExtensionAreaBytes));
    const runtime::DateTime now = runtime::clock().Now();
    const int stamp[6] = {now.month(), now.day(), now.year(), now.hour(), now.minute(), now.second()};
    for (size_t i = 0; i < 6; ++i) put16(area + kDateStampAt + 2 * i, uint32_t(stamp[i]));
    std::memcpy(area + kSoftwareIdAt, kSoftwareId, sizeof(kSoftwareId) - 1);
    put16(area + kSoftwareVersionAt, kSoftwareVersion);
    area[kSoftwareVersionAt + 2] = kVersionLetter;
    put32(area + kKeyColourAt, 0xFFFFFFFFu);
    area[kAttributesTypeAt] = kAttributesPremultiplied;
}

}  // namespace codecs
