// cTGAparser's writer: the form, the pixel data (raw or run-length encoded), the colour map,
// the extension area and the footer, assembled in the caller's array.

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>

#include "codecs/SaveTarget.h"
#include "codecs/TGAFormat.h"
#include "codecs/TGAPixelRows.h"
#include "codecs/cTGAparser.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/clock.h"
#include "platform/sys/row_bands.h"

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

// Fixed-size compares rather than a memcmp call per pixel.
template <uint32_t B>
bool samePixel(const uint8_t* p, const uint8_t* q) {
    uint32_t x = 0, y = 0;
    std::memcpy(&x, p, B);
    std::memcpy(&y, q, B);
    return x == y;
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
        if (kind == Kind::Run) {
            // Equal pixels inside a run change nothing until the packet is full.
            const size_t limit = std::min<size_t>(width, start + kMostPixelsPerPacket);
            if (i < limit) i += repeatsFrom(row, B, i, limit);
            if (i == width) break;
        }
        const bool same = samePixel<B>(row + i * B, row + (i - 1) * B);
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
    const size_t width = size_t(host.Width()), pixels = width * size_t(host.Height());
    if (width < 3) Compress = false;
    // Room for the largest form (four bytes a pixel and the extension area, or a colour map
    // and a byte a pixel), so that no later resize allocates.
    outStream.reserve(kHeaderBytes + std::max(pixels * 4 + size_t(kExtensionAreaBytes), pixels + 768) + kFooterBytes);

    // The picture carries alpha unless every alpha byte is 255, or every one is 0 in a host
    // without alpha.
    std::optional<bool> opaque;
    bool mapped = false;
    if (ReduceBitDepth) {
        opaque = isOpaque(host);
        mapped = *opaque && BuildTGAColorMap(host);
    }
    // Most pictures are opaque: unless that is known, the 24-bit form is written while the
    // alpha bytes are watched, and given up at the first row that proves the picture is not.
    if (mapped || opaque.value_or(true)) {
        const TGAForm form = mapped ? TGAForm::Mapped : TGAForm::Opaque;
        if (WriteTGAForm(outStream, host, form, Compress, !opaque.has_value())) return;
    }
    WriteTGAForm(outStream, host, AllowPreMultipliedPixels ? TGAForm::AsHeld : TGAForm::Straight, Compress, false);
}

bool cTGAparser::isOpaque(const cImage32& host) {
    const size_t width = size_t(host.Width());
    std::vector<uint8_t> scratch(width * 3);
    const bool zeroMeansOpaque = zeroAlphaMeansOpaque(host);
    AlphaSeen seen;
    for (size_t r = 0; r < size_t(host.Height()) && seen.opaque(zeroMeansOpaque); ++r)
        narrowRow(hostRow(host, r), width, scratch.data(), seen);
    return seen.opaque(zeroMeansOpaque);
}

bool cTGAparser::WriteTGAForm(std::vector<uint8_t>& outStream, const cImage32& host, TGAForm form, bool Compress,
                              bool watchAlpha) const {
    const size_t width = size_t(host.Width()), height = size_t(host.Height());
    const bool mapped = form == TGAForm::Mapped, withAlpha = form == TGAForm::Straight || form == TGAForm::AsHeld;
    const uint32_t b = mapped ? 1 : withAlpha ? 4 : 3;
    const size_t mapBytes = mapped && !grey_ ? size_t(colourCount_) * 3 : 0;
    const size_t rowBytes = width * b;
    const size_t rawBytes = rowBytes * height;
    const size_t dataAt = kHeaderBytes + mapBytes;
    // Grown only, within the room reserved: bytes that stay are written over, not cleared.
    const auto growTo = [&](size_t n) {
        if (outStream.size() < n) outStream.resize(n);
    };

    // Row r's raw bytes: the host's own memory for the premultiplied form, else made in
    // `scratch` (or straight in place, when `scratch` is the row's place in the file).
    AlphaSeen seen;
    const auto rowData = [&](size_t r, uint8_t* scratch, AlphaSeen& seenHere) -> const uint8_t* {
        if (form == TGAForm::AsHeld) return hostRow(host, r);
        if (mapped) GetTGAIndexRow(host, r, scratch);
        else GetTGAPixelData(host, withAlpha ? cImage32::AlphaPartial : cImage32::AlphaOpaque, r, scratch, seenHere);
        return scratch;
    };
    const bool zeroMeansOpaque = zeroAlphaMeansOpaque(host);
    const auto disproved = [&] { return watchAlpha && !seen.opaque(zeroMeansOpaque); };

    size_t dataBytes = rawBytes;
    bool encoded = false;
    if (Compress) {
        // Kept only when smaller: the packets must fit in fewer bytes than the raw rows.
        std::vector<uint8_t> scratch(rowBytes);
        const size_t mostPerRow = rowBytes + (width + kMostPixelsPerPacket - 1) / kMostPixelsPerPacket;
        size_t at = 0;
        encoded = true;
        for (size_t r = 0; r < height && encoded; ++r) {
            const uint8_t* data = rowData(r, scratch.data(), seen);
            if (disproved()) return false;
            const size_t room = std::min(mostPerRow, rawBytes - 1 - at);
            growTo(dataAt + at + room);
            const size_t n = EncodeTGARLE(data, b, width, 1, outStream.data() + dataAt + at, room);
            encoded = n != kNoRoom;
            if (encoded) at += n;
        }
        if (encoded) dataBytes = at;
    }
    if (!encoded) {
        growTo(dataAt + rawBytes);
        const auto placeRow = [&](size_t r, AlphaSeen& seenHere) {
            uint8_t* place = outStream.data() + dataAt + r * rowBytes;
            const uint8_t* data = rowData(r, place, seenHere);
            if (data != place) std::memcpy(place, data, rowBytes);
        };
        if (watchAlpha || mapped) {
            for (size_t r = 0; r < height; ++r) {
                placeRow(r, seen);
                if (disproved()) return false;
            }
        } else {
            // Nothing to watch: every row is its own, and bands of them are made side by side.
            const int64_t bandRows = sys::minimumBandRows(int64_t(width));
            sys::forEachRowBand(int64_t(height), bandRows, [&](int64_t first, int64_t count) {
                AlphaSeen bandSeen;
                for (int64_t r = first; r < first + count; ++r) placeRow(size_t(r), bandSeen);
            });
        }
    }

    const size_t extensionBytes = form == TGAForm::AsHeld ? size_t(kExtensionAreaBytes) : 0;
    outStream.resize(dataAt + dataBytes + extensionBytes + kFooterBytes);
    uint8_t* const out = outStream.data();
    std::memset(out, 0, kHeaderBytes);
    out[2] = uint8_t((mapped ? (grey_ ? kTypeGrey : kTypeColourMapped) : kTypeTrueColour) +
                     (encoded ? kTypeRunLength : 0));
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

    uint8_t* tail = out + dataAt + dataBytes;
    uint32_t extensionAt = 0;
    if (extensionBytes) {
        extensionAt = uint32_t(dataAt + dataBytes);
        BuildTGAExtensionArea(tail);
        tail += kExtensionAreaBytes;
    }
    put32(tail, extensionAt);
    put32(tail + 4, 0);  // no developer directory
    std::memcpy(tail + 8, kSignature, kSignatureLength + 1);
    return true;
}

void cTGAparser::GetTGAPixelData(const cImage32& host, int32_t alphaKind, size_t row, uint8_t* out,
                                 AlphaSeen& seen) {
    if (alphaKind == cImage32::AlphaOpaque) narrowRow(hostRow(host, row), size_t(host.Width()), out, seen);
    else straightRow(hostRow(host, row), size_t(host.Width()), out);
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
