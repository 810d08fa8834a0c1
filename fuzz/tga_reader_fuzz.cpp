// cTGAparser on hostile bytes. The whole input is the data; its last byte, when there is
// one, also places it at an offset of up to 255 in a larger array (with bytes behind it that
// are not its own), as the loading dispatch may hand it. Plain TGA files serve as seeds. The answer must be True exactly when the host holds an
// image, with ImageType 128 and the host's pixel rules (colours never above alpha;
// AlphaOpaque means every alpha 255, AlphaBinary only 0 and 255), and the image never has
// more pixels than 256 times the data's bytes (run-length data is measured before the image
// is sized).

#include <cstdint>
#include <span>
#include <vector>

#include "codecs/cTGAparser.h"
#include "image/cImage32.h"

namespace {

[[noreturn]] void fail() { __builtin_trap(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    const size_t offset = input.empty() ? 0 : input.back();
    std::vector<uint8_t> array(offset, 0xA5);
    array.insert(array.end(), input.begin(), input.end());
    array.insert(array.end(), 16, 0x5A);

    cImage32 host;
    const bool loaded = codecs::cTGAparser().LoadStream(array, host, int64_t(offset), int64_t(input.size()));
    if (loaded != (host.Handle() != 0)) fail();
    if (!loaded) return 0;
    if (host.ImageType() != cImage32::ImageTypeTGA) fail();
    const size_t count = size_t(host.Width()) * size_t(host.Height());
    if (count > 256 * input.size()) fail();
    const uint8_t* p = host.BitsPointer();
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint8_t a = p[3];
        if (p[0] > a || p[1] > a || p[2] > a) fail();
        if (host.Alpha() == cImage32::AlphaOpaque && a != 255) fail();
        if (host.Alpha() == cImage32::AlphaBinary && a != 0 && a != 255) fail();
    }
    return 0;
}
