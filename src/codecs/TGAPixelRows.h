#pragma once
// The TGA writer's row kernels: a row of the host's premultiplied BGRA pixels as the file's
// 24-bit or 32-bit straight pixels, and how far a row's pixels keep repeating. The pixel
// kernels have a plain form and an AVX2 form, chosen at run time where the processor has
// it, that give the same bytes.

#include <cstddef>
#include <cstdint>

namespace codecs::tga {

// The alpha bytes seen so far, ANDed and ORed. For the writer a picture is opaque when
// every alpha byte is 255, or every one is 0 where the host says that is a fourth byte the
// pixels do not use (zeroAlphaMeansOpaque).
struct AlphaSeen {
    uint8_t all = 0xFF, any = 0;
    bool opaque(bool zeroMeansOpaque) const { return all == 0xFF || (zeroMeansOpaque && any == 0); }
};

// Blue, green and red of `width` pixels into out (3 x width bytes); their alpha into seen.
void narrowRow(const uint8_t* pixels, size_t width, uint8_t* out, AlphaSeen& seen);

// `width` pixels with straight alpha into out (4 x width bytes): a colour c under alpha
// a becomes c x 255 \ a, held at 255 when c is above a; alpha 0 gives four zero bytes.
void straightRow(const uint8_t* pixels, size_t width, uint8_t* out);

// How many pixels of `bytesPerPixel` bytes, from `first` (at least 1) up to `end`, each
// equal the pixel before them without a break.
size_t repeatsFrom(const uint8_t* row, size_t bytesPerPixel, size_t first, size_t end);

namespace testing {
// The AVX2 kernels where the processor has them (the default), or the plain ones.
void useWideKernels(bool on);
}  // namespace testing

}  // namespace codecs::tga
