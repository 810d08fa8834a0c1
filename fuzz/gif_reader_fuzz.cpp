// cGIFparser on hostile bytes. The whole input is the data; its last byte, when there is
// one, also places it at an offset of up to 255 in a larger array (with bytes behind it that
// are not its own), as the loading dispatch may hand it. Plain GIF files serve as seeds. The answer must match what the reader promises: an image
// only with the answer True and ImageType 9; every pixel opaque (AlphaOpaque) or either
// opaque or all 0 (AlphaBinary), so no colour above its alpha; refused data leaves the host
// as it was.
//
// Pictures of the platform loader are capped at 65536 pixels: the reader measures the LZW
// data before anything is sized, and the loader's own target (picture_loader_fuzz) covers
// the larger ones.

#include <cstdint>
#include <span>
#include <vector>

#include "codecs/cGIFparser.h"
#include "image/cImage32.h"
#include "platform/picture/picture.h"

namespace {

[[noreturn]] void fail() { __builtin_trap(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        picture::testing::setPixelLimit(1 << 16);
        return true;
    }();
    (void)prepared;

    const std::span<const uint8_t> input(data, size);
    const size_t offset = input.empty() ? 0 : input.back();
    std::vector<uint8_t> array(offset, 0x21);
    array.insert(array.end(), input.begin(), input.end());
    array.insert(array.end(), 16, 0x2C);

    cImage32 host;
    host.InitializeDIB(3, 1);
    const bool answer = codecs::cGIFparser().LoadStream(array, host, int64_t(offset), int64_t(input.size()));
    if (!answer) {
        if (host.Width() != 3) fail();  // refused: the host as it was
        return 0;
    }
    if (!host.Handle()) return 0;
    if (host.ImageType() != cImage32::ImageTypeGIF) fail();
    const uint8_t* p = host.BitsPointer();
    const size_t count = size_t(host.Width()) * size_t(host.Height());
    for (size_t i = 0; i < count; ++i, p += 4) {
        if (host.Alpha() == cImage32::AlphaOpaque && p[3] != 255) fail();
        if (host.Alpha() == cImage32::AlphaBinary && p[3] != 255 && (p[0] | p[1] | p[2] | p[3]) != 0) fail();
        if (host.Alpha() != cImage32::AlphaOpaque && host.Alpha() != cImage32::AlphaBinary) fail();
    }
    return 0;
}
