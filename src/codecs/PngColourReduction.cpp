#include "codecs/PngColourReduction.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>

#include "image/modParsers.h"
#include "platform/sys/row_bands.h"

namespace codecs {

namespace {

constexpr int kMaxPalette = 256;

// A pixel's bytes (blue, green, red, alpha) as one signed number, blue in the low byte:
// every pixel of alpha 128 or more sorts before the others.
inline int32_t valueAt(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return int32_t(v);
}
inline uint8_t blueOf(int32_t v) { return uint8_t(v); }
inline uint8_t greenOf(int32_t v) { return uint8_t(v >> 8); }
inline uint8_t redOf(int32_t v) { return uint8_t(v >> 16); }
inline uint8_t alphaOf(int32_t v) { return uint8_t(uint32_t(v) >> 24); }

// A premultiplied colour byte back to straight; a byte above its alpha (which the host
// never holds) stays within the byte.
inline uint8_t straight(unsigned c, unsigned a) { return uint8_t(std::min(255u, c * 255 / a)); }

// Red, green, blue of a premultiplied pixel as written: alpha 0 gives black.
inline void putStraightRgb(uint8_t* out, uint8_t b, uint8_t g, uint8_t r, unsigned a) {
    if (a == 255) {
        out[0] = r, out[1] = g, out[2] = b;
    } else if (a == 0) {
        out[0] = out[1] = out[2] = 0;
    } else {
        out[0] = straight(r, a), out[1] = straight(g, a), out[2] = straight(b, a);
    }
}

size_t widthOf(const ByteView2D& pixels) { return pixels.rowLength() / 4; }

// Visits the pixels of `count` rows from row `first` (counted from the top of the image),
// row by row, handing each visit the pixel's address and its place in the samples.
template <class Visit>
void visitRowsTopDown(const ByteView2D& pixels, PngReduction& out, size_t first, size_t count, Visit&& visit) {
    const size_t width = widthOf(pixels), height = pixels.rows();
    for (size_t i = first; i < first + count; ++i) {
        const uint8_t* p = pixels.row(height - 1 - i).data();
        uint8_t* row = out.samples.data() + i * out.rowBytes;
        for (size_t x = 0; x < width; ++x, p += 4) visit(p, row + x * size_t(out.bytesPerPixel));
    }
}

// Every pixel, in bands of rows side by side: for a visit that keeps nothing from one pixel
// to the next.
template <class Visit>
void forEachPixelTopDown(const ByteView2D& pixels, PngReduction& out, const Visit& visit) {
    sys::forEachRowBand(int64_t(pixels.rows()), sys::minimumBandRows(int64_t(widthOf(pixels))),
                        [&](int64_t first, int64_t count) {
                            visitRowsTopDown(pixels, out, size_t(first), size_t(count), visit);
                        });
}

void allocateSamples(const ByteView2D& pixels, PngReduction& out, int bytesPerPixel) {
    out.bytesPerPixel = bytesPerPixel;
    out.rowBytes = widthOf(pixels) * size_t(bytesPerPixel);
    out.samples = LargeBuffer(out.rowBytes * pixels.rows());
}

// The distinct values in ascending order, positions 1..count as FindInSortedLongArray
// keeps them.
struct ColourList {
    std::array<int32_t, kMaxPalette + 1> values{};
    int32_t count = 0;

    // The position of the value; 0 when it is absent.
    int32_t find(int32_t value) const {
        bool notFound;
        const int32_t at = modParsers::FindInSortedLongArray(values, value, count, notFound);
        return notFound ? 0 : at;
    }
    // False when the value is new and the list is full.
    bool add(int32_t value) {
        bool notFound;
        const int32_t at = modParsers::FindInSortedLongArray(values, value, count, notFound);
        if (!notFound) return true;
        if (count == kMaxPalette) return false;
        std::copy_backward(values.begin() + at, values.begin() + count + 1, values.begin() + count + 2);
        values[size_t(at)] = value;
        ++count;
        return true;
    }
};

}  // namespace

bool PngReducePalette(const ByteView2D& pixels, int32_t hostAlpha, PngReduction& out) {
    ColourList list;
    const size_t width = widthOf(pixels);
    for (size_t r = 0; r < pixels.rows(); ++r) {
        const uint8_t* p = pixels.row(r).data();
        int32_t previous = 0;
        for (size_t x = 0; x < width; ++x, p += 4) {
            const int32_t value = valueAt(p);
            // Neighbours are mostly alike: a repeated value needs no search.
            if (x > 0 && value == previous) continue;
            if (!list.add(value)) return false;
            previous = value;
        }
    }
    const int32_t count = list.count;

    // Alpha of each position; the host's Alpha 0 vouches that every pixel is opaque.
    std::array<uint8_t, kMaxPalette + 1> alpha{};
    int32_t nonOpaque = 0, lastNonOpaque = 0;
    for (int32_t i = 1; i <= count; ++i) {
        alpha[size_t(i)] = hostAlpha != 0 ? alphaOf(list.values[size_t(i)]) : 255;
        if (alpha[size_t(i)] != 255) ++nonOpaque, lastNonOpaque = i;
    }
    // -1: all opaque; a position: the one non-opaque colour; 0: several.
    int32_t key = nonOpaque == 0 ? -1 : nonOpaque == 1 ? lastNonOpaque : 0;
    out.colourType = 3;

    bool allGrey = true;
    for (int32_t i = 1; i <= count && allGrey; ++i) {
        const int32_t v = list.values[size_t(i)];
        allGrey = blueOf(v) == greenOf(v) && greenOf(v) == redOf(v);
    }
    // Greyscale holds one transparent level and no partial alpha: a non-opaque colour of
    // partial alpha stays indexed, so its alpha is written.
    if (key != 0 && allGrey && (key == -1 || alpha[size_t(key)] == 0)) {
        out.colourType = 0;
        if (hostAlpha > 0) {
            std::bitset<256> inUse;
            for (int32_t i = 1; i <= count; ++i)
                if (alpha[size_t(i)] != 0) inUse.set(blueOf(list.values[size_t(i)]));
            if (!inUse[0]) {
                key = 0;
            } else {
                // With the transparent colour at alpha 0, fewer than count levels are
                // visible, so one of 1..count-1 is free.
                for (int32_t level = 1; level < count; ++level)
                    if (!inUse[size_t(level)]) {
                        key = level;
                        break;
                    }
            }
        }
    }

    if (out.colourType == 0) {
        out.transparentKey = key;
        allocateSamples(pixels, out, 1);
        const uint8_t keyLevel = uint8_t(key);
        forEachPixelTopDown(pixels, out, [&](const uint8_t* p, uint8_t* sample) {
            *sample = p[3] == 0 ? keyLevel : p[0];
        });
        return true;
    }

    // Palette order: without transparency ascending; else the non-opaque values from the
    // front, the opaque ones from the back.
    std::array<uint8_t, kMaxPalette + 1> indexOf{};
    int32_t front = 0, back = count - 1;
    for (int32_t i = 1; i <= count; ++i) {
        if (key == -1) indexOf[size_t(i)] = uint8_t(i - 1);
        else indexOf[size_t(i)] = uint8_t(alpha[size_t(i)] != 255 ? front++ : back--);
    }
    out.transparentKey = -1;
    out.palette.assign(size_t(count) * 3, 0);
    out.alphaTable.clear();
    std::array<uint8_t, kMaxPalette> alphaByIndex{};
    for (int32_t i = 1; i <= count; ++i) {
        const int32_t v = list.values[size_t(i)];
        const size_t index = indexOf[size_t(i)];
        putStraightRgb(&out.palette[index * 3], blueOf(v), greenOf(v), redOf(v), alpha[size_t(i)]);
        alphaByIndex[index] = alpha[size_t(i)];
    }
    if (key != -1) {
        // Up to the first opaque entry; every non-opaque entry comes before it.
        size_t n = 0;
        while (n < size_t(count) && alphaByIndex[n] != 255) ++n;
        out.alphaTable.assign(alphaByIndex.begin(), alphaByIndex.begin() + n);
    }

    allocateSamples(pixels, out, 1);
    int32_t previous = 0;
    uint8_t previousIndex = 0;
    bool havePrevious = false;
    // In order on one thread: each pixel starts from the index of the pixel before.
    visitRowsTopDown(pixels, out, 0, pixels.rows(), [&](const uint8_t* p, uint8_t* sample) {
        const int32_t value = valueAt(p);
        if (!havePrevious || value != previous) {
            previousIndex = indexOf[size_t(list.find(value))];
            previous = value;
            havePrevious = true;
        }
        *sample = previousIndex;
    });
    return true;
}

void PngChooseTrueColor(const ByteView2D& pixels, int32_t hostAlpha, PngReduction& out) {
    out.transparentKey = -1;
    out.palette.clear();
    out.alphaTable.clear();
    out.colourType = hostAlpha == 0 ? 2 : 6;
    const size_t width = widthOf(pixels);

    if (hostAlpha != 0) {
        // The key must be a colour no opaque pixel has, and it can stand only for alpha 0:
        // any partial alpha keeps the alpha channel. Most images end the search in the
        // first pass, which stops at the first partial alpha or once all 256 blue levels
        // are seen.
        std::bitset<256> blues;
        bool partial = false;
        for (size_t r = 0; r < pixels.rows() && !partial && !blues.all(); ++r) {
            const uint8_t* p = pixels.row(r).data();
            for (size_t x = 0; x < width; ++x, p += 4) {
                if (p[3] == 255) {
                    blues.set(p[0]);
                    if (blues.all()) break;
                } else if (p[3] != 0) {
                    partial = true;
                    break;
                }
            }
        }
        int level = -1;
        if (!partial && !blues.all()) {
            for (level = 0; blues[size_t(level)]; ++level) {
            }
        } else if (!partial) {
            // Every blue level is taken: look for a grey no opaque pixel has, checking
            // the rest of the alpha bytes on the way.
            std::bitset<256> greys;
            for (size_t r = 0; r < pixels.rows() && !partial; ++r) {
                const uint8_t* p = pixels.row(r).data();
                for (size_t x = 0; x < width; ++x, p += 4) {
                    if (p[3] == 255) {
                        if (p[0] == p[1] && p[1] == p[2]) greys.set(p[0]);
                    } else if (p[3] != 0) {
                        partial = true;
                        break;
                    }
                }
            }
            if (!partial && !greys.all())
                for (level = 0; greys[size_t(level)]; ++level) {
                }
        }
        if (level >= 0) {
            out.colourType = 2;
            out.transparentKey = level + 256 * level + 65536 * level;
        }
    }

    if (out.colourType == 6) {
        allocateSamples(pixels, out, 4);
        forEachPixelTopDown(pixels, out, [](const uint8_t* p, uint8_t* sample) {
            putStraightRgb(sample, p[0], p[1], p[2], p[3]);
            sample[3] = p[3];
        });
        return;
    }
    allocateSamples(pixels, out, 3);
    const uint8_t keyLevel = uint8_t(out.transparentKey);  // -1 gives 255, as for no key
    forEachPixelTopDown(pixels, out, [&](const uint8_t* p, uint8_t* sample) {
        if (p[3] == 0) sample[0] = sample[1] = sample[2] = keyLevel;
        else putStraightRgb(sample, p[0], p[1], p[2], p[3]);
    });
}

}  // namespace codecs
