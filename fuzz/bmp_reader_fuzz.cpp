// cBMPparser on hostile bytes: the direct 32-bpp decode and the road through the platform
// picture loader. The first byte, when there is one, places the data at an offset of up to
// 255 in a larger array (with bytes behind it that are not its own), as the loading
// dispatch may hand it. A host that comes out of it must keep the pixel rules (colours
// never above alpha; AlphaOpaque means every alpha byte 255, AlphaBinary only 0 and 255),
// and what the writer makes of it must read back to the same pixels.
//
// Pictures of the platform loader are capped at 65536 pixels: each one here is converted,
// written and read back, and the loader's own target (picture_loader_fuzz) covers the
// larger ones. The direct decode allocates no more than the rows the input holds.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/cBMPparser.h"
#include "image/cImage32.h"
#include "platform/picture/picture.h"

namespace {

[[noreturn]] void fail() { __builtin_trap(); }

void checkPixelRules(const cImage32& host) {
    const uint8_t* p = host.BitsPointer();
    const size_t count = size_t(host.Width()) * size_t(host.Height());
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint8_t a = p[3];
        if (p[0] > a || p[1] > a || p[2] > a) fail();
        if (host.Alpha() == cImage32::AlphaOpaque && a != 255) fail();
        if (host.Alpha() == cImage32::AlphaBinary && a != 0 && a != 255) fail();
    }
}

std::vector<uint8_t> memoryOf(const cImage32& host) {
    const uint8_t* bits = host.BitsPointer();
    return {bits, bits + size_t(host.Width()) * size_t(host.Height()) * 4};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        picture::testing::setPixelLimit(1 << 16);
        return true;
    }();
    (void)prepared;

    size_t offset = 0;
    std::span<const uint8_t> input(data, size);
    if (!input.empty()) {
        offset = input[0];
        input = input.subspan(1);
    }
    std::vector<uint8_t> array(offset, 0xA5);
    array.insert(array.end(), input.begin(), input.end());
    array.insert(array.end(), 16, 0x5A);

    cImage32 host;
    const bool loaded = codecs::cBMPparser().LoadStream(array, host, int64_t(offset), int64_t(input.size()));
    if (loaded != (host.Handle() != 0)) fail();
    if (!loaded) return 0;
    checkPixelRules(host);

    // Written as 32 bpp where there is transparency, else 24: either way our reader gives
    // back the same pixels.
    std::vector<uint8_t> saved;
    if (!codecs::cBMPparser().SaveAsBMP(host, "", saved, true, 0)) fail();
    cImage32 back;
    if (!codecs::cBMPparser().LoadStream(saved, back, 0, int64_t(saved.size()))) fail();
    if (back.Width() != host.Width() || back.Height() != host.Height()) fail();
    if (memoryOf(back) != memoryOf(host)) fail();
    return 0;
}
