// cPNGparser: the entry points, the GDI+-first rule, the chunk walk, the header, palette
// and transparency chunks, and the zlib calls.

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "codecs/cPNGparser.h"
#include "image/cCdeclCall.h"
#include "image/cGDIPlus.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/error.h"

namespace codecs {
namespace {

constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int64_t kMaxLong = std::numeric_limits<int32_t>::max();
// A file at or below this size is offered to GDI+ without looking for the signature.
constexpr int64_t kUncheckedFileSize = 56;

uint32_t bigEndian32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return uint32_t(modParsers::SwapLongBytes(int32_t(v)));
}

bool isType(std::span<const uint8_t> chunk, const char (&type)[5]) { return std::memcmp(chunk.data(), type, 4) == 0; }

// Clears the per-call references however the call ends.
struct CallScope {
    std::span<const uint8_t>& data;
    cImage32*& host;
    ~CallScope() {
        data = {};
        host = nullptr;
    }
};

}  // namespace

cPNGparser::cPNGparser() = default;
cPNGparser::~cPNGparser() = default;

bool cPNGparser::LoadStream(std::span<const uint8_t> Stream, cImage32& dibClass, int64_t streamOffset,
                            int64_t streamLength, int32_t GlobalToken) {
    // The view's element 0 is Stream[streamOffset], which must exist; the length is the
    // caller's word, but nothing past the array is ever read.
    const int64_t size = int64_t(Stream.size());
    if (streamOffset < 0 || streamOffset >= size || streamLength < 0 || streamLength > size - streamOffset)
        runtime::raise(runtime::kErrSubscriptOutOfRange);
    CallScope scope{data_, host_};
    data_ = Stream.subspan(size_t(streamOffset), size_t(streamLength));
    host_ = &dibClass;
    return ParsePNG(nullptr, "", streamLength, GlobalToken);
}

bool cPNGparser::LoadFile(modParsers::FileHandle& FileHandle, const std::string& FileName, cImage32& dibClass,
                          int32_t GlobalToken) {
    CallScope scope{data_, host_};
    host_ = &dibClass;
    const bool result = ParsePNG(&FileHandle, FileName, -1, GlobalToken);
    fileChunk_ = {};
    return result;
}

bool cPNGparser::IsPngSignature() const {
    return data_.size() >= kSignature.size() && std::equal(kSignature.begin(), kSignature.end(), data_.begin());
}

bool cPNGparser::ParsePNG(modParsers::FileHandle* file, const std::string& FileName, int64_t dataSize,
                          int32_t GlobalToken) {
    transparencyKey_ = -1;
    bool result = false;
    const auto decodedByGdiplus = [&](const std::string& name, std::span<const uint8_t> bytes) {
        try {
            cGDIPlus bridge;
            return bridge.LoadPictureWithGDIplus(name, bytes, *host_, GlobalToken);
        } catch (const std::exception&) {
            return false;
        }
    };

    if (!file) {
        if (dataSize < 8 || !IsPngSignature()) return false;
        result = true;
        if (decodedByGdiplus("", data_)) return true;
    } else {
        // Failures of these first file operations are not checked: a file that cannot be
        // read fails the signature test or the walk.
        file->Seek(0);
        dataSize = file->Size();
        if (dataSize > kUncheckedFileSize) {
            fileChunk_.assign(kSignature.size(), 0);
            const int64_t got = file->Read(fileChunk_);
            fileChunk_.resize(size_t(std::max<int64_t>(got, 0)));
            data_ = fileChunk_;
            const bool signature = IsPngSignature();
            data_ = {};
            if (!signature) return false;
            result = true;
        }
        if (decodedByGdiplus(FileName, fileChunk_)) return true;
        if (!file->Seek(8)) return result;
    }
    // Sizes are 32-bit values, as the chunk lengths are; the gathering buffer would start
    // at a gigabyte.
    if (dataSize > kMaxLong) return result;

    FindZlibUncompress();

    std::vector<uint8_t> gathered;
    int64_t gatheredCount = 0;
    bool corrupt = false;
    try {
        gathered.assign(size_t(dataSize / 2 + 1), 0);
        std::array<uint8_t, 4> field{};
        for (int64_t p = 8;;) {
            if (p + 12 > dataSize) {
                corrupt = true;  // data ending before IEND
                break;
            }
            uint32_t length;
            if (!file) {
                length = bigEndian32(&data_[size_t(p)]);
            } else {
                if (file->Read(field) != 4) {
                    corrupt = true;
                    break;
                }
                length = bigEndian32(field.data());
            }
            if (length > kMaxLong || p + int64_t(length) + 12 > dataSize) {
                corrupt = true;
                break;
            }

            // The chunk's type and data, and the CRC over them as stored.
            std::span<const uint8_t> chunk;
            uint32_t crc;
            if (!file) {
                chunk = data_.subspan(size_t(p) + 4, size_t(length) + 4);
                crc = bigEndian32(&data_[size_t(p) + 8 + length]);
            } else {
                fileChunk_.resize(size_t(length) + 4);
                if (file->Read(fileChunk_) != int64_t(fileChunk_.size()) || file->Read(field) != 4) {
                    corrupt = true;
                    break;
                }
                chunk = fileChunk_;
                crc = bigEndian32(field.data());
            }
            const uint32_t storedCRC = zlib_ ? crc : 0;

            if (length == 0) {
                if (isType(chunk, "IEND")) break;
            } else if (isType(chunk, "IHDR")) {
                corrupt = !PngReadIHDR(chunk, storedCRC);
            } else if (isType(chunk, "PLTE")) {
                corrupt = !PngReadPLTE(chunk, storedCRC);
            } else if (isType(chunk, "tRNS")) {
                PngReadTRNS(chunk, storedCRC);
            } else if (isType(chunk, "IDAT")) {
                if (storedCRC != 0 && !PngCheckCRC(chunk.data(), int64_t(chunk.size()), storedCRC)) {
                    corrupt = true;
                } else {
                    // One zero byte at least stays behind the data: the decoder reads the
                    // whole buffer.
                    if (gatheredCount + int64_t(length) > int64_t(gathered.size()) - 1)
                        gathered.resize(size_t(gatheredCount + length + dataSize / 4 + 1), 0);
                    std::memcpy(gathered.data() + gatheredCount, chunk.data() + 4, length);
                    gatheredCount += length;
                }
            } else if (isType(chunk, "IEND")) {
                break;
            }
            if (corrupt) break;
            p += int64_t(length) + 12;
        }
    } catch (const std::bad_alloc&) {
        corrupt = true;
    } catch (const runtime::Error&) {
        corrupt = true;
    }
    if (file) fileChunk_ = {};
    if (corrupt || gatheredCount == 0) return result;
    DecodePngData(gathered, expectedSize_);
    return result;
}

void cPNGparser::FindZlibUncompress() {
    zlib_.reset();
    zlibLibrary_.clear();
    for (const char* name : {"zlib1.dll", "zlib.dll"}) {
        if (modParsers::IsDllFunctionAvailable(name, "uncompress")) {
            zlibLibrary_ = name;
            zlib_ = std::make_unique<cCdeclCall>();
            return;
        }
    }
}

bool cPNGparser::PngCheckCRC(const uint8_t* address, int64_t count, uint32_t storedCRC) {
    if (!zlib_) return false;
    int32_t crc;
    try {
        crc = cCdeclCall::LongOf(zlib_->CallFunc(zlibLibrary_, cCdeclCall::ReturnLong, "crc32",
                                                 {0, address, uint32_t(count)}));
    } catch (const runtime::Error&) {
        return false;
    }
    return crc != 0 && uint32_t(crc) == storedCRC;
}

bool cPNGparser::PngReadIHDR(std::span<const uint8_t> chunk, uint32_t storedCRC) {
    if (storedCRC != 0 && !PngCheckCRC(chunk.data(), int64_t(chunk.size()), storedCRC)) return false;
    const std::span<const uint8_t> d = chunk.subspan(4);
    // Quirk: a header shorter than its 13 bytes is corrupt; a longer one is read as far as
    // its fields go.
    if (d.size() < 13) return false;
    const int32_t width = int32_t(bigEndian32(&d[0]));
    const int32_t height = int32_t(bigEndian32(&d[4]));
    if (width < 1 || height < 1) return false;
    if (d[10] != 0 || d[11] != 0) return false;  // compression method, filter method
    const uint8_t depth = d[8], colour = d[9], interlace = d[12];
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return false;
    if (colour != 0 && colour != 2 && colour != 3 && colour != 4 && colour != 6) return false;
    if (interlace > 1) return false;
    // PNG forbids these, and they could not be decoded: samples of RGB and alpha images
    // below 8 bits would step 0 bytes per pixel, and palette indexes have at most 8 bits.
    if ((colour == 2 || colour == 4 || colour == 6) && depth < 8) return false;
    if (colour == 3 && depth == 16) return false;
    // The host's pixel memory counted in bits must stay a signed 32-bit value.
    if (int64_t(width) * 32 > kMaxLong || int64_t(width) * 32 * height > kMaxLong) return false;

    width_ = width;
    height_ = height;
    bitDepth_ = depth;
    colourType_ = colour;
    interlaceMethod_ = interlace;
    headerRead_ = true;
    expectedSize_ = CalcInflatedSize();
    return true;
}

bool cPNGparser::PngReadPLTE(std::span<const uint8_t> chunk, uint32_t storedCRC) {
    if (colourType_ == 0 || colourType_ == 4) return true;  // grey images have no palette
    if (storedCRC != 0 && !PngCheckCRC(chunk.data(), int64_t(chunk.size()), storedCRC)) return false;
    const std::span<const uint8_t> d = chunk.subspan(4);
    if (d.size() % 3 != 0) return false;
    palette_.assign(d.begin(), d.end());
    paletteDimensioned_ = true;
    return true;
}

void cPNGparser::PngReadTRNS(std::span<const uint8_t> chunk, uint32_t storedCRC) {
    if (colourType_ == 4 || colourType_ == 6) return;  // they carry alpha of their own
    if (storedCRC != 0 && !PngCheckCRC(chunk.data(), int64_t(chunk.size()), storedCRC)) return;
    const std::span<const uint8_t> d = chunk.subspan(4);
    transparency_.assign(d.begin(), d.end());
    transparencyKey_ = -1;
    if (!headerRead_) return;
    switch (colourType_) {
    case 0:
        if (d.size() < 2) return;
        transparencyKey_ = bitDepth_ == 16 ? d[1] : d[1] & (power_[bitDepth_] - 1);
        break;
    case 2:
        if (d.size() < 6) return;
        transparencyKey_ = int32_t(d[1]) << 16 | int32_t(d[3]) << 8 | d[5];
        break;
    case 3:
        if (transparency_.size() < 256) transparency_.resize(256, 255);
        transparencyKey_ = 0;
        break;
    default: break;
    }
}

bool cPNGparser::DecodePngData(std::vector<uint8_t>& gathered, int32_t expectedSize) {
    if (expectedSize <= 0) return false;  // no valid IHDR came
    cImage32& host = *host_;
    bool hostMade = false;
    try {
        // The own decoder, not zlib's uncompress, which would want the whole inflated data
        // in memory beside the image; it takes every stream uncompress takes, and more. It
        // runs twice: once to learn that the data inflates, before the host is touched, and
        // once handing the rows to the host as they come.
        const auto inflate = [&](const std::function<void(std::span<const uint8_t>)>& put) {
            return inflateZlibStream(gathered, uint64_t(expectedSize), put).ok();
        };
        if (!inflate([](std::span<const uint8_t>) {})) return false;
        PngBuildPalette();
        hostMade = true;
        if (!host.InitializeDIB(width_, height_)) {
            host.DestroyDIB();
            return false;
        }
        PngBeginRows();
        const bool inflated = inflate([&](std::span<const uint8_t> piece) { PngTakeRows(piece); });
        gathered = {};
        if (!inflated || !PngEndRows()) {
            host.DestroyDIB();
            return false;
        }
    } catch (const std::exception&) {
        if (hostMade) host.DestroyDIB();
        return false;
    }
    if (colourType_ == 4 || colourType_ == 6) host.Alpha(cImage32::AlphaPartial);
    else host.Alpha(transparencyKey_ != -1 ? cImage32::AlphaBinary : cImage32::AlphaOpaque);
    host.ImageType(cImage32::ImageTypePNG);
    return true;
}

}  // namespace codecs
