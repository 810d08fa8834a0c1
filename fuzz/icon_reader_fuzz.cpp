// cICOparser on hostile bytes. The whole input is the data, read from offset 0 of the array
// (with bytes behind it that are not its own), so plain icon files serve as seeds. Its last
// byte, when there is one, also chooses the request and the road: bits 0-1 the wanted size
// (16, 32, 48 or 256 pixels square), bit 2 the wanted depth (32 or 4 bits), bit 3
// directory mode (no host).
//
// The reader may raise only Overflow (6), for a bitmap bit count of 0x8000 or more; every
// other read is checked. The directory it reports must describe every entry; an image
// must keep the host's rules (colours never above alpha; AlphaOpaque means every alpha
// 255, AlphaBinary only 0 and 255) and carry an icon or cursor ImageType.
//
// Inputs whose PNG headers declare more than 2^20 pixels are skipped: those go to the PNG
// reader, whose own target (png_reader_fuzz) covers them.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/cICOparser.h"
#include "image/cImage32.h"
#include "platform/runtime/error.h"

namespace {

[[noreturn]] void fail() { __builtin_trap(); }

bool declaresHugePng(std::span<const uint8_t> data) {
    for (size_t i = 0; i + 12 <= data.size(); ++i) {
        if (std::memcmp(&data[i], "IHDR", 4) != 0) continue;
        const auto be = [&](size_t at) {
            return uint64_t(data[at]) << 24 | uint64_t(data[at + 1]) << 16 | uint64_t(data[at + 2]) << 8 | data[at + 3];
        };
        if (be(i + 4) * be(i + 8) > (uint64_t{1} << 20)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    const uint8_t choice = input.empty() ? 0 : input.back();
    if (declaresHugePng(input)) return 0;
    std::vector<uint8_t> array(input.begin(), input.end());
    array.insert(array.end(), 16, 0x5A);

    static constexpr int32_t kSizes[4] = {16, 32, 48, 256};
    const int32_t wanted = kSizes[choice & 3];
    int32_t bits = choice & 4 ? 4 : 32;
    int64_t offset = 0, length = int64_t(input.size());
    cImage32 host;
    codecs::cICOparser reader;
    bool answer = false;
    try {
        answer = reader.LoadStream(array, wanted, wanted, choice & 8 ? nullptr : &host, offset, length, bits);
    } catch (const runtime::Error& e) {
        if (e.number() != runtime::kErrOverflow) fail();
        return 0;
    }
    if (!answer) {
        if (host.Handle()) fail();
        return 0;
    }
    for (int32_t i = 1; i <= reader.IconCount(); ++i) {
        if (reader.Width(i) < 1 || reader.Width(i) > 256 || reader.Height(i) < 1 || reader.Height(i) > 256) fail();
    }
    if (!host.Handle()) return 0;
    switch (host.ImageType()) {
    case cImage32::ImageTypeIcon: case cImage32::ImageTypeCursor: case cImage32::ImageTypeAlphaIcon:
    case cImage32::ImageTypeAlphaCursor: case cImage32::ImageTypePNGInIcon: break;
    default: fail();
    }
    const uint8_t* p = host.BitsPointer();
    const size_t count = size_t(host.Width()) * size_t(host.Height());
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint8_t a = p[3];
        if (p[0] > a || p[1] > a || p[2] > a) fail();
        if (host.Alpha() == cImage32::AlphaOpaque && a != 255) fail();
        if (host.Alpha() == cImage32::AlphaBinary && a != 0 && a != 255) fail();
    }
    return 0;
}
