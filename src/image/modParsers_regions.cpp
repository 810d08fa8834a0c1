// modParsers: regions from an image's alpha channel.

#include <cstring>
#include <limits>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/gdi/regions.h"

namespace modParsers {

namespace {

constexpr size_t kHeaderElements = 2;  // the 32-byte region data header in front

// Visible-pixel scan of one image row: the alpha bytes of its pixels.
struct AlphaRow {
    const uint8_t* p;
    int32_t width;
    bool visible(int32_t x) const { return p[size_t(x) * 4 + 3] != 0; }
};

gdi::HRGN boundingBox(const ByteView2D& pixels, int32_t width, int32_t height) {
    int32_t left = width, right = -1, first = -1, last = -1;
    for (int32_t y = 0; y < height; ++y) {
        const AlphaRow row{pixels.row(size_t(height - 1 - y)).data(), width};
        int32_t x = 0;
        while (x < width && !row.visible(x)) ++x;
        if (x == width) continue;
        int32_t xr = width - 1;
        while (!row.visible(xr)) --xr;
        left = std::min(left, x);
        right = std::max(right, xr);
        if (first < 0) first = y;
        last = y;
    }
    // One visible column is a region too, one pixel wide.
    if (first < 0) return 0;
    return gdi::CreateRectRgn(left, first, right + 1, last + 1);
}

void collectRects(const ByteView2D& pixels, int32_t width, int32_t height, int32_t Style,
                  std::vector<gdi::RECT>& rects) {
    for (int32_t y = 0; y < height; ++y) {
        const AlphaRow row{pixels.row(size_t(height - 1 - y)).data(), width};
        if (Style == 1) {
            int32_t x = 0;
            while (x < width && !row.visible(x)) ++x;
            if (x == width) continue;
            int32_t xr = width - 1;
            while (!row.visible(xr)) --xr;
            rects.push_back({x, y, xr + 1, y + 1});
            continue;
        }
        for (int32_t x = 0; x < width;) {
            if (!row.visible(x)) {
                ++x;
                continue;
            }
            const int32_t start = x;
            while (x < width && row.visible(x)) ++x;
            rects.push_back({start, y, x, y + 1});
        }
    }
}

}  // namespace

gdi::HRGN CreateShapedRegion(const cImage32& host, int32_t Style) {
    if (!host.Handle() || Style < 0 || Style > 2) return 0;
    const int32_t width = host.Width(), height = host.Height();
    if (host.Alpha() == cImage32::AlphaOpaque) return gdi::CreateRectRgn(0, 0, width, height);
    if (width < 1 || height < 1) return 0;
    try {
        const ByteView2D pixels = OverlayDIBBits(host);
        if (Style == 0) return boundingBox(pixels, width, height);
        std::vector<gdi::RECT> rects(kHeaderElements);
        rects.reserve(size_t(width) * 3 + 1);
        collectRects(pixels, width, height, Style, rects);
        const size_t count = rects.size() - kHeaderElements;
        if (count == 0) return 0;
        const size_t last = count + kHeaderElements - 1;
        gdi::HRGN region = CreateRegionFromRects(rects, kHeaderElements, last, 0, width);
        if (!region && count > kRegionBatch) region = CreateRegionInBatches(rects, last, 0, width);
        return region;
    } catch (const std::exception&) {
        return 0;
    }
}

gdi::HRGN CreateRegionFromRects(std::vector<gdi::RECT>& rects, size_t first, size_t last,
                                int32_t xOffset, int32_t width) {
    if (first < kHeaderElements || last < first || last >= rects.size()) return 0;
    const uint64_t count = last - first + 1;
    const uint64_t bytes = sizeof(gdi::RGNDATAHEADER) + count * sizeof(gdi::RECT);
    if (bytes > std::numeric_limits<gdi::DWORD>::max()) return 0;
    const int64_t right = int64_t{xOffset} + width;
    if (right > std::numeric_limits<int32_t>::max() || right < std::numeric_limits<int32_t>::min())
        return 0;
    const gdi::RGNDATAHEADER header{
        sizeof(gdi::RGNDATAHEADER), gdi::RDH_RECTANGLES, gdi::DWORD(count),
        gdi::DWORD(count * sizeof(gdi::RECT)),
        {xOffset, rects[first].top, int32_t(right), rects[last].bottom}};
    static_assert(sizeof header == kHeaderElements * sizeof(gdi::RECT));
    gdi::RECT* start = &rects[first - kHeaderElements];
    std::memcpy(start, &header, sizeof header);
    return gdi::ExtCreateRegion(nullptr, gdi::DWORD(bytes), reinterpret_cast<const gdi::RGNDATA*>(start));
}

gdi::HRGN CreateRegionInBatches(std::vector<gdi::RECT>& rects, size_t last, int32_t xOffset,
                                int32_t width) {
    gdi::HRGN result = 0;
    for (size_t first = kHeaderElements; first <= last; first += kRegionBatch) {
        // The header of this batch overwrites the last two rectangles of the one before,
        // which already made its region.
        const gdi::HRGN batch =
            CreateRegionFromRects(rects, first, std::min(first + kRegionBatch, last), xOffset, width);
        if (!batch) {
            if (result) gdi::DeleteObject(result);
            return 0;
        }
        if (!result) {
            result = batch;
            continue;
        }
        const int joined = gdi::CombineRgn(result, result, batch, gdi::RGN_OR);
        gdi::DeleteObject(batch);
        if (joined == gdi::ERROR) {
            gdi::DeleteObject(result);
            return 0;
        }
    }
    return result;
}

}  // namespace modParsers
