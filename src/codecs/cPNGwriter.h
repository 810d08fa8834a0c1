#pragma once
// cPNGwriter: the image class's own PNG encoder, and the holder of the PNG properties
// that every PNG it saves carries.
//
// Writes 8 bits per sample, never interlaced, in the colour type the pixels allow
// (PngColourReduction: indexed, greyscale, truecolour, truecolour with alpha), the scan
// lines under the filter choice (PngScanlineFilters) and compressed as exactly one IDAT
// holding one zlib stream at level 9: deflated in blocks of whole rows on every core
// (BlockDeflate: by libdeflate where it is installed, else by zlib's own deflate) where the
// library has deflate's own functions, else by "compress2", or "compress" (zlib's default
// level) where the library has no compress2. The file's bytes never depend on the number
// of cores. zlib is found at run time ("zlib1.dll", then
// "zlib.dll"); "compress2" and the chunk CRCs ("crc32") are called through the call bridge.
//
// Chunk order: IHDR; tEXt Title and Author; PLTE; bKGD; tRNS; IDAT; tIME; tEXt of the
// other standard keywords; the custom texts (zTXt for a text of more than 1024
// characters); IEND. Properties: PngPropertyStore. The background colour of an indexed
// image is looked for in the palette, and appended when the palette has room; a full
// palette without it writes no bKGD. The colour itself stays the property's value.
//
// Output: to a temporary file renamed over the target when complete, so a failed save
// leaves no file and an existing one as it was; or into the caller's array, exactly the
// stream, which a failed save leaves empty. Failures give False and raise nothing.
//
// Limits: the filtered rows and the compressed data must each stay within zlib's 32-bit
// lengths (an image of up to about 2 GB of scan lines).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/PngPropertyStore.h"

class cImage32;
class cCdeclCall;

namespace codecs {

class BlockDeflate;

// The scan lines are deflated in blocks of as many whole rows as fit in this many bytes (one
// row where a row is longer), side by side. Smaller blocks share the work out more finely;
// each costs a few bytes of flush and a fresh start of deflate's statistics, and under
// libdeflate, which takes no dictionary, a cold start of its matches as well.
inline constexpr size_t kPngDeflateBlockBytes = 512 * 1024;

class cPNGwriter {
public:
    cPNGwriter();
    ~cPNGwriter();

    // Encodes cHost into FileName, or, when FileName is "", into outStream. False with
    // nothing written when there is no host or image, or no zlib (outStream untouched);
    // False when the file cannot be created or any step fails.
    bool SaveAsPNG(const cImage32* cHost, const std::string& FileName, std::vector<uint8_t>& outStream);

    bool SetPngProperty(int32_t PropertyID, const runtime::Variant& PropertyValue,
                        const std::string& Caption_Misc = "") {
        return properties_.Set(PropertyID, PropertyValue, Caption_Misc);
    }
    bool DeletePngProperty(int32_t PropertyID, const std::string& Caption_Misc = "") {
        return properties_.Delete(PropertyID, Caption_Misc);
    }
    runtime::Variant GetPngProperty(int32_t PropertyID, const std::string& Caption_Misc = "") const {
        return properties_.Get(PropertyID, Caption_Misc);
    }

private:
    struct Save;  // the state of one save (cPNGwriter.cpp)

    bool FindZlibCompress();

    PngPropertyStore properties_;
    std::unique_ptr<cCdeclCall> zlib_;  // present during a save
    std::unique_ptr<BlockDeflate> blocks_;  // the same library's deflate, during a save
    std::string zlibLibrary_;
    bool compress2_ = false;
};

}  // namespace codecs
