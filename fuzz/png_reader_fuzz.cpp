// cPNGparser on hostile bytes. The last byte of the input, when there is one, chooses the
// road and the rest is the data, so that plain PNG files serve as seeds (their last byte
// is a CRC byte of IEND, which the reader never reads):
//   bit 0      zlib marked absent (the own DEFLATE decoder, no CRC checks)
//   bit 1      also decode on the other road, and when every chunk's CRC is right (so that
//              the roads read the same chunks), require the same pixels from both
//   bits 2-7   the data's offset in a larger array, behind bytes that are not its own
// Whatever comes out must keep the host's rules: recognised exactly when the data starts
// with the signature, and an image only with ImageType 10, colours never above alpha and
// AlphaOpaque only when every alpha byte is 255.
//
// Headers of more than 2^20 pixels are skipped: such an image is legal, but it costs the
// fuzzer seconds of zeroing a buffer per input and finds nothing the small ones do not.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include <zlib.h>

#include "codecs/cPNGparser.h"
#include "image/cImage32.h"
#include "platform/sys/libraries.h"

namespace {

[[noreturn]] void fail() { __builtin_trap(); }

constexpr uint64_t kMaxPixels = uint64_t{1} << 20;

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool declaresHugeImage(std::span<const uint8_t> data) {
    for (size_t i = 0; i + 12 <= data.size(); ++i) {
        if (std::memcmp(&data[i], "IHDR", 4) != 0) continue;
        const uint64_t pixels = uint64_t(bigEndian(&data[i + 4])) * bigEndian(&data[i + 8]);
        if (pixels > kMaxPixels) return true;
    }
    return false;
}

// Every chunk up to IEND (or the end of the data) carries its right CRC or 0.
bool crcsRight(std::span<const uint8_t> data) {
    for (size_t p = 8; p + 12 <= data.size();) {
        const uint32_t length = bigEndian(&data[p]);
        if (length > data.size() - p - 12) return true;  // the walk stops here on both roads
        const uint32_t stored = bigEndian(&data[p + 8 + length]);
        if (length == 0 && std::memcmp(&data[p + 4], "IEND", 4) == 0) return true;
        if (stored != 0 && stored != uint32_t(crc32(0, &data[p + 4], length + 4))) return false;
        if (std::memcmp(&data[p + 4], "IEND", 4) == 0) return true;
        p += size_t(length) + 12;
    }
    return true;
}

void setZlibAbsent(bool absent) {
    sys::setLibraryAbsent("zlib1.dll", absent);
    sys::setLibraryAbsent("zlib.dll", absent);
}

std::vector<uint8_t> memoryOf(const cImage32& host) {
    const uint8_t* bits = host.BitsPointer();
    return {bits, bits + size_t(host.Width()) * size_t(host.Height()) * 4};
}

void checkHost(const cImage32& host) {
    if (!host.Handle()) return;
    if (host.ImageType() != cImage32::ImageTypePNG) fail();
    const uint8_t* p = host.BitsPointer();
    const size_t count = size_t(host.Width()) * size_t(host.Height());
    for (size_t i = 0; i < count; ++i, p += 4) {
        if (p[0] > p[3] || p[1] > p[3] || p[2] > p[3]) fail();
        if (host.Alpha() == cImage32::AlphaOpaque && p[3] != 255) fail();
    }
}

// Loads the data on one road into a new host.
bool load(const std::vector<uint8_t>& array, size_t offset, size_t length, bool zlibAbsent, cImage32& host) {
    setZlibAbsent(zlibAbsent);
    const bool recognised = codecs::cPNGparser().LoadStream(array, host, int64_t(offset), int64_t(length));
    setZlibAbsent(false);
    checkHost(host);
    return recognised;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 2) return 0;
    const uint8_t flags = bytes[size - 1];
    const std::span<const uint8_t> data(bytes, size - 1);
    if (declaresHugeImage(data)) return 0;

    const size_t offset = flags >> 2;
    std::vector<uint8_t> array(offset, 0xA5);
    array.insert(array.end(), data.begin(), data.end());
    array.insert(array.end(), 16, 0x5A);

    const bool zlibAbsent = flags & 1;
    cImage32 host;
    const bool recognised = load(array, offset, data.size(), zlibAbsent, host);
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const bool signature = data.size() >= 8 && std::memcmp(data.data(), kSignature, 8) == 0;
    if (recognised != signature) fail();
    if (!(flags & 2) || !signature) return 0;

    cImage32 other;
    load(array, offset, data.size(), !zlibAbsent, other);
    if (!host.Handle() || !other.Handle() || !crcsRight(data)) return 0;
    if (host.Width() != other.Width() || host.Height() != other.Height()) fail();
    if (host.Alpha() != other.Alpha() || memoryOf(host) != memoryOf(other)) fail();
    return 0;
}
