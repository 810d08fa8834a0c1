// Regions: canonical bands, ExtCreateRegion from rectangle lists, combinations, moves,
// region data.

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/regions.h"

using namespace gdi;

namespace {

class Regions : public ::testing::Test {
protected:
    void SetUp() override { objectsBefore_ = detail::liveObjectCount(); }
    void TearDown() override {
        gdi::testing::setMaxRegionRectangles(-1);
        EXPECT_EQ(detail::liveObjectCount(), objectsBefore_) << "a region was left behind";
    }
    size_t objectsBefore_ = 0;
};

// Region data for a list of rectangles: the header, then the rectangles.
std::vector<uint8_t> regionData(const std::vector<RECT>& rects, DWORD size = 32, DWORD type = 1) {
    const RGNDATAHEADER header{size, type, DWORD(rects.size()), DWORD(rects.size() * 16), {0, 0, 0, 0}};
    std::vector<uint8_t> data(sizeof header + rects.size() * sizeof(RECT));
    std::memcpy(data.data(), &header, sizeof header);
    if (!rects.empty()) std::memcpy(data.data() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
    return data;
}

HRGN fromRects(const std::vector<RECT>& rects) {
    const auto data = regionData(rects);
    return ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

std::string text(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size == 0) return "invalid";
    std::vector<uint8_t> data(size);
    EXPECT_EQ(GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())), size);
    RGNDATAHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    EXPECT_EQ(header.dwSize, 32u);
    EXPECT_EQ(header.iType, 1u);
    EXPECT_EQ(header.nRgnSize, header.nCount * 16);
    std::string s;
    for (DWORD i = 0; i < header.nCount; ++i) {
        RECT r;
        std::memcpy(&r, data.data() + 32 + i * 16, 16);
        s += "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
             "," + std::to_string(r.bottom) + "]";
    }
    return s;
}

TEST_F(Regions, RectanglesBecomeCanonicalBands) {
    const struct {
        const char* name;
        std::vector<RECT> rects;
        const char* bands;
    } cases[] = {
        {"overlap", {{0, 0, 4, 2}, {2, 1, 6, 3}}, "[0,0,4,1][0,1,6,2][2,2,6,3]"},
        {"touching side by side", {{2, 0, 4, 2}, {0, 0, 2, 2}}, "[0,0,4,2]"},
        {"stacked over the same columns", {{0, 1, 3, 2}, {0, 0, 3, 1}}, "[0,0,3,2]"},
        {"apart in one band", {{0, 0, 1, 1}, {2, 0, 3, 1}}, "[0,0,1,1][2,0,3,1]"},
        {"a gap between bands", {{0, 0, 1, 1}, {0, 2, 1, 3}}, "[0,0,1,1][0,2,1,3]"},
        {"inside another", {{0, 0, 9, 9}, {2, 2, 3, 3}}, "[0,0,9,9]"},
        {"empty ones add nothing", {{5, 5, 5, 9}, {1, 1, 2, 2}, {3, 3, 4, 3}}, "[1,1,2,2]"},
        {"none", {}, ""},
    };
    for (const auto& c : cases) {
        const HRGN region = fromRects(c.rects);
        ASSERT_NE(region, 0u) << c.name;
        EXPECT_EQ(text(region), c.bands) << c.name;
        EXPECT_EQ(GetObjectType(region), OBJ_REGION);
        DeleteObject(region);
    }
}

// Random rectangles: every pixel of the region is in some rectangle and no other is, and
// building from the same rectangles in another order, or as the OR of two halves, gives
// the same region.
TEST_F(Regions, RandomRectanglesAgainstTheirPixels) {
    std::mt19937 random(3);
    for (int round = 0; round < 40; ++round) {
        std::vector<RECT> rects(1 + random() % 12);
        for (RECT& r : rects) {
            const LONG x = LONG(random() % 20), y = LONG(random() % 20);
            r = {x, y, x + LONG(random() % 8), y + LONG(random() % 8)};
        }
        const HRGN region = fromRects(rects);
        ASSERT_NE(region, 0u);
        for (int y = -1; y < 30; ++y)
            for (int x = -1; x < 30; ++x) {
                bool inside = false;
                for (const RECT& r : rects)
                    inside |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                ASSERT_EQ(bool(PtInRegion(region, x, y)), inside) << round << ": " << x << "," << y;
            }
        std::vector<RECT> shuffled = rects;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        const HRGN again = fromRects(shuffled);
        const size_t half = rects.size() / 2;
        const HRGN first = fromRects({rects.begin(), rects.begin() + long(half)});
        const HRGN second = fromRects({rects.begin() + long(half), rects.end()});
        EXPECT_NE(CombineRgn(first, first, second, RGN_OR), ERROR);
        EXPECT_TRUE(EqualRgn(region, again));
        EXPECT_TRUE(EqualRgn(region, first)) << round << ": " << text(region) << " vs " << text(first);
        for (HRGN h : {region, again, first, second}) DeleteObject(h);
    }
}

TEST_F(Regions, ExtCreateRegionRefusals) {
    const std::vector<RECT> two{{0, 0, 1, 1}, {2, 2, 3, 3}};
    const auto good = regionData(two);
    const auto* data = reinterpret_cast<const RGNDATA*>(good.data());
    const XFORM identity{1, 0, 0, 1, 0, 0};
    EXPECT_EQ(ExtCreateRegion(&identity, DWORD(good.size()), data), 0u) << "no transformations";
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(good.size() - 1), data), 0u) << "bytes short";
    EXPECT_EQ(ExtCreateRegion(nullptr, 31, data), 0u);
    EXPECT_EQ(ExtCreateRegion(nullptr, 100, nullptr), 0u);
    const auto badSize = regionData(two, 40), badType = regionData(two, 32, 2);
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(badSize.size()), reinterpret_cast<const RGNDATA*>(badSize.data())), 0u);
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(badType.size()), reinterpret_cast<const RGNDATA*>(badType.data())), 0u);

    gdi::testing::setMaxRegionRectangles(1);
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(good.size()), data), 0u) << "more than one call takes";
    gdi::testing::setMaxRegionRectangles(2);
    const HRGN region = ExtCreateRegion(nullptr, DWORD(good.size()), data);
    EXPECT_NE(region, 0u);
    DeleteObject(region);
}

TEST_F(Regions, RectRegionsAndTheirBox) {
    const HRGN swapped = CreateRectRgn(5, 6, 1, 2);
    RECT box{};
    EXPECT_EQ(GetRgnBox(swapped, &box), SIMPLEREGION);
    EXPECT_EQ(text(swapped), "[1,2,5,6]");
    const HRGN empty = CreateRectRgn(3, 3, 3, 8);
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    EXPECT_EQ(box.right, 0);
    EXPECT_FALSE(PtInRegion(empty, 3, 3));
    const HRGN two = fromRects({{0, 0, 1, 1}, {4, 5, 6, 7}});
    EXPECT_EQ(GetRgnBox(two, &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(box.bottom, 7);
    for (HRGN h : {swapped, empty, two}) DeleteObject(h);
}

TEST_F(Regions, OffsetMovesOrRefuses) {
    const HRGN region = fromRects({{0, 0, 2, 1}, {1, 1, 3, 2}});
    EXPECT_EQ(OffsetRgn(region, 10, -5), COMPLEXREGION);
    EXPECT_EQ(text(region), "[10,-5,12,-4][11,-4,13,-3]");
    EXPECT_EQ(OffsetRgn(region, 0x7FFFFFFF, 0), ERROR);
    EXPECT_EQ(OffsetRgn(region, 0, -0x7FFFFFFF), ERROR);
    EXPECT_EQ(text(region), "[10,-5,12,-4][11,-4,13,-3]") << "a refused move moves nothing";
    DeleteObject(region);
    EXPECT_EQ(OffsetRgn(region, 1, 1), ERROR) << "stale handle";
}

TEST_F(Regions, CombineInEveryMode) {
    const HRGN a = CreateRectRgn(0, 0, 2, 2);
    const HRGN b = CreateRectRgn(1, 0, 4, 2);
    const HRGN dest = CreateRectRgn(0, 0, 0, 0);
    const struct {
        int mode;
        int complexity;
        const char* bands;
    } cases[] = {
        {RGN_AND, SIMPLEREGION, "[1,0,2,2]"},
        {RGN_OR, SIMPLEREGION, "[0,0,4,2]"},
        {RGN_XOR, COMPLEXREGION, "[0,0,1,2][2,0,4,2]"},
        {RGN_DIFF, SIMPLEREGION, "[0,0,1,2]"},
        {RGN_COPY, SIMPLEREGION, "[0,0,2,2]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CombineRgn(dest, a, b, c.mode), c.complexity) << c.mode;
        EXPECT_EQ(text(dest), c.bands) << c.mode;
    }
    EXPECT_EQ(CombineRgn(dest, b, a, RGN_DIFF), SIMPLEREGION);
    EXPECT_EQ(text(dest), "[2,0,4,2]");
    EXPECT_EQ(CombineRgn(dest, a, a, RGN_XOR), NULLREGION);
    EXPECT_EQ(CombineRgn(dest, b, 0, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(text(dest), "[1,0,4,2]");
    EXPECT_EQ(CombineRgn(dest, a, b, 0), ERROR) << "no such mode";
    EXPECT_EQ(CombineRgn(dest, a, b, 6), ERROR) << "no such mode";
    EXPECT_EQ(CombineRgn(dest, a, 0, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(0, a, b, RGN_OR), ERROR) << "dest must be a region";
    EXPECT_EQ(text(dest), "[1,0,4,2]") << "a refused combination leaves dest";
    // dest as a source
    EXPECT_EQ(CombineRgn(dest, dest, a, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(text(dest), "[1,0,2,2]");
    EXPECT_FALSE(EqualRgn(a, b));
    EXPECT_FALSE(EqualRgn(a, 0));
    for (HRGN h : {a, b, dest}) DeleteObject(h);
}

TEST_F(Regions, RegionDataNeedsRoom) {
    const HRGN region = fromRects({{0, 0, 1, 1}, {3, 0, 4, 1}});
    EXPECT_EQ(GetRegionData(region, 0, nullptr), 64u);
    std::vector<uint8_t> data(64);
    EXPECT_EQ(GetRegionData(region, 63, reinterpret_cast<RGNDATA*>(data.data())), 0u);
    EXPECT_EQ(GetRegionData(region, 64, reinterpret_cast<RGNDATA*>(data.data())), 64u);
    RGNDATAHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    EXPECT_EQ(header.nCount, 2u);
    EXPECT_EQ(header.rcBound.right, 4);
    DeleteObject(region);
    EXPECT_EQ(GetRegionData(region, 0, nullptr), 0u);
}

}  // namespace
