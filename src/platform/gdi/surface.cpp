#include "platform/gdi/surface.h"

#include <cstring>

namespace gdi::detail {

void attachMemory(Surface& s, uint8_t* memory, bool topDown) {
    s.base = memory;
    if (topDown) {
        s.top = memory;
        s.step = static_cast<ptrdiff_t>(s.stride);
    } else {
        s.top = memory + static_cast<ptrdiff_t>(s.stride) * (s.height - 1);
        s.step = -static_cast<ptrdiff_t>(s.stride);
    }
}

namespace {

bool describeMask(uint32_t mask, ChannelMask& out) {
    if (mask == 0 || mask > 0xFFFF) return false;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int bits = 0;
    while ((mask >> (shift + bits)) & 1) ++bits;
    if ((mask >> (shift + bits)) != 0 || bits > 8) return false;  // not one contiguous run
    out = {mask, shift, bits};
    return true;
}

// Channel levels of `bits` bits and 8-bit values map to the nearest of each other:
// round(v * 255 / max) and round(v8 * max / 255); full scale stays full scale.
uint32_t expand(uint32_t v, int bits) {
    const uint32_t max = (1u << bits) - 1;
    return (2 * v * 255 + max) / (2 * max);
}

uint32_t reduce(uint32_t v8, int bits) {
    const uint32_t max = (1u << bits) - 1;
    return (2 * v8 * max + 255) / 510;
}

}  // namespace

bool setMasks(Surface& s, uint32_t red, uint32_t green, uint32_t blue) {
    std::array<ChannelMask, 3> m;
    if (!describeMask(red, m[0]) || !describeMask(green, m[1]) || !describeMask(blue, m[2]))
        return false;
    if ((red & green) || (red & blue) || (green & blue)) return false;
    s.masks = m;
    return true;
}

std::vector<RGBQUAD> blackWhiteTable() { return {{0, 0, 0, 0}, {255, 255, 255, 0}}; }

namespace {
bool sameRgb(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}
}  // namespace

void updateMono(Surface& s) {
    const auto bw = blackWhiteTable();
    s.mono = s.bpp == 1 && s.colors.size() == 2 && sameRgb(s.colors[0], bw[0]) &&
             sameRgb(s.colors[1], bw[1]);
}

bool sameFormat(const Surface& a, const Surface& b) {
    if (a.bpp != b.bpp) return false;
    if (a.bpp == 16)
        return a.masks[0].mask == b.masks[0].mask && a.masks[1].mask == b.masks[1].mask &&
               a.masks[2].mask == b.masks[2].mask;
    if (a.bpp <= 8) {
        if (a.colors.size() != b.colors.size()) return false;
        for (size_t i = 0; i < a.colors.size(); ++i)
            if (!sameRgb(a.colors[i], b.colors[i])) return false;
    }
    return true;
}

uint32_t colorBits(const Surface& s) {
    switch (s.bpp) {
    case 32:
    case 24: return 0x00FFFFFF;
    case 16: return s.masks[0].mask | s.masks[1].mask | s.masks[2].mask;
    default: return (1u << s.bpp) - 1;
    }
}

void readRaw(const Surface& s, int y, int x, int n, uint32_t* out) {
    const uint8_t* r = s.row(y);
    switch (s.bpp) {
    case 1:
        for (int i = 0; i < n; ++i) {
            const int px = x + i;
            out[i] = (r[px >> 3] >> (7 - (px & 7))) & 1u;
        }
        break;
    case 4:
        for (int i = 0; i < n; ++i) {
            const int px = x + i;
            out[i] = (px & 1) ? (r[px >> 1] & 0x0Fu) : (r[px >> 1] >> 4);
        }
        break;
    case 8:
        for (int i = 0; i < n; ++i) out[i] = r[x + i];
        break;
    case 16:
        r += ptrdiff_t{x} * 2;
        for (int i = 0; i < n; ++i, r += 2) out[i] = r[0] | (uint32_t{r[1]} << 8);
        break;
    case 24:
        r += ptrdiff_t{x} * 3;
        for (int i = 0; i < n; ++i, r += 3)
            out[i] = r[0] | (uint32_t{r[1]} << 8) | (uint32_t{r[2]} << 16);
        break;
    case 32: std::memcpy(out, r + ptrdiff_t{x} * 4, size_t(n) * 4); break;
    }
}

void writeRaw(Surface& s, int y, int x, int n, const uint32_t* in) {
    uint8_t* r = s.row(y);
    switch (s.bpp) {
    case 1:
        for (int i = 0; i < n; ++i) {
            const int px = x + i;
            const uint8_t bit = uint8_t(0x80u >> (px & 7));
            uint8_t& b = r[px >> 3];
            b = (in[i] & 1) ? uint8_t(b | bit) : uint8_t(b & ~bit);
        }
        break;
    case 4:
        for (int i = 0; i < n; ++i) {
            const int px = x + i;
            uint8_t& b = r[px >> 1];
            const uint8_t v = uint8_t(in[i] & 0x0F);
            b = (px & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | (v << 4));
        }
        break;
    case 8:
        for (int i = 0; i < n; ++i) r[x + i] = uint8_t(in[i]);
        break;
    case 16:
        r += ptrdiff_t{x} * 2;
        for (int i = 0; i < n; ++i, r += 2) {
            r[0] = uint8_t(in[i]);
            r[1] = uint8_t(in[i] >> 8);
        }
        break;
    case 24:
        r += ptrdiff_t{x} * 3;
        for (int i = 0; i < n; ++i, r += 3) {
            r[0] = uint8_t(in[i]);
            r[1] = uint8_t(in[i] >> 8);
            r[2] = uint8_t(in[i] >> 16);
        }
        break;
    case 32: std::memcpy(r + ptrdiff_t{x} * 4, in, size_t(n) * 4); break;
    }
}

uint32_t readPixel(const Surface& s, int x, int y) {
    uint32_t v;
    readRaw(s, y, x, 1, &v);
    return v;
}

void writePixel(Surface& s, int x, int y, uint32_t raw) { writeRaw(s, y, x, 1, &raw); }

uint32_t rawToBgra(const Surface& s, uint32_t raw) {
    switch (s.bpp) {
    case 32: return raw;
    case 24: return raw & 0x00FFFFFF;
    case 16: {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const ChannelMask& m = s.masks[c];
            out |= expand((raw & m.mask) >> m.shift, m.bits) << (16 - 8 * c);
        }
        return out;
    }
    default: {
        if (raw >= s.colors.size()) return 0;  // index past a short table reads as black
        const RGBQUAD& q = s.colors[raw];
        return (uint32_t{q.rgbRed} << 16) | (uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
    }
    }
}

void rawRowToBgra(const Surface& s, const uint32_t* raw, int n, uint32_t* out) {
    if (s.bpp == 32) {
        if (out != raw) std::memcpy(out, raw, size_t(n) * 4);
        return;
    }
    if (s.bpp == 24) {
        for (int i = 0; i < n; ++i) out[i] = raw[i] & 0x00FFFFFF;
        return;
    }
    if (s.bpp <= 8) {
        uint32_t lut[256];
        const int count = 1 << s.bpp;
        for (int i = 0; i < count; ++i) lut[i] = rawToBgra(s, uint32_t(i));
        for (int i = 0; i < n; ++i) out[i] = lut[raw[i] & (count - 1)];
        return;
    }
    for (int i = 0; i < n; ++i) out[i] = rawToBgra(s, raw[i]);
}

int nearestIndex(const std::vector<RGBQUAD>& table, uint32_t bgra) {
    const int r = (bgra >> 16) & 0xFF, g = (bgra >> 8) & 0xFF, b = bgra & 0xFF;
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < table.size(); ++i) {
        const int dr = r - table[i].rgbRed, dg = g - table[i].rgbGreen, db = b - table[i].rgbBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0) break;
        }
    }
    return best;
}

ColorMatcher::ColorMatcher(const Surface& target) : target_(&target) {}

uint32_t ColorMatcher::operator()(uint32_t bgra) {
    const Surface& s = *target_;
    switch (s.bpp) {
    case 32: return bgra;
    case 24: return bgra & 0x00FFFFFF;
    case 16: {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const ChannelMask& m = s.masks[c];
            out |= reduce((bgra >> (16 - 8 * c)) & 0xFF, m.bits) << m.shift;
        }
        return out;
    }
    default: {
        const uint32_t rgb = bgra & 0x00FFFFFF;
        // Single look-ups (a pen, a brush, one pixel) go straight to the table; the cache
        // pays off only for rows of pixels.
        if (cache_.empty()) {
            if (++lookups_ <= 16) return uint32_t(nearestIndex(s.colors, rgb));
            cache_.assign(4096, 0);
        }
        const uint32_t slot = (rgb ^ (rgb >> 12) ^ (rgb >> 20)) & 4095;
        const uint64_t entry = cache_[slot];
        if (entry != 0 && ((entry - 1) >> 8) == rgb) return uint32_t((entry - 1) & 0xFF);
        const uint32_t index = uint32_t(nearestIndex(s.colors, rgb));
        cache_[slot] = ((uint64_t{rgb} << 8) | index) + 1;
        return index;
    }
    }
}

}  // namespace gdi::detail
