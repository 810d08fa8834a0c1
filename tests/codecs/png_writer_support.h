#pragma once
// The PNG writer's tests: saves into an array, libpng's reading of the result, and a
// stand-in zlib whose compression can be refused.

#include <string>
#include <vector>

#include "codecs/cPNGwriter.h"
#include "image/image_support.h"
#include "png_support.h"

namespace pngwritertest {

using pngtest::Bytes;
using pngtest::Rows;
using imagetest::Px;

// A new image from rows listed from the top, with the AlphaType given.
void makeImage(cImage32& image, const Rows& rows, int32_t alpha);

// The writer's stream in array mode; empty when the save failed (a test failure).
Bytes savePng(codecs::cPNGwriter& writer, const cImage32& image);
Bytes savePng(const cImage32& image);

// libpng's reading of a stream; a test failure, and an empty result, when it fails.
pngtest::Inspected inspect(const Bytes& png);

// While it lives, "zlib1.dll" and "zlib.dll" are a stand-in over the real zlib whose
// crc32 and compress answer as zlib's; compress2 is missing (hasCompress2 False) or
// refuses every call with Z_BUF_ERROR (refuseCompress2 True).
class StandInZlib {
public:
    StandInZlib(bool hasCompress2, bool refuseCompress2);
    ~StandInZlib();
    StandInZlib(const StandInZlib&) = delete;
    StandInZlib& operator=(const StandInZlib&) = delete;
    int compress2Calls() const;
};

}  // namespace pngwritertest
