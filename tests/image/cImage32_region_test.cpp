// cImage32::CreateRegion and the region builders behind it.

#include <random>

#include "image/modParsers.h"
#include "image_support.h"

using namespace imagetest;

namespace {

class ImageRegion : public ImageTest {};

constexpr Px kOn{0, 0, 0, 255}, kOff{0, 0, 0, 0}, kHalf{0, 0, 0, 1};

std::vector<gdi::RECT> rectsOf(gdi::HRGN region) {
    const gdi::DWORD size = gdi::GetRegionData(region, 0, nullptr);
    std::vector<uint8_t> data(size);
    if (size == 0 || gdi::GetRegionData(region, size, reinterpret_cast<gdi::RGNDATA*>(data.data())) != size)
        return {};
    gdi::RGNDATAHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    std::vector<gdi::RECT> rects(header.nCount);
    std::memcpy(rects.data(), data.data() + sizeof header, rects.size() * sizeof(gdi::RECT));
    return rects;
}

std::string text(const std::vector<gdi::RECT>& rects) {
    std::string s;
    for (const gdi::RECT& r : rects)
        s += "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
             std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
    return s;
}

// The region's rectangles, deleting the region; "none" when there is no region.
std::string regionText(gdi::HRGN region) {
    if (!region) return "none";
    const std::string s = text(rectsOf(region));
    gdi::DeleteObject(region);
    return s;
}

TEST_F(ImageRegion, StylesOverOneRow) {
    cImage32 image;
    fill(image, {{kOn, kHalf, kOff, kOn}});
    image.Alpha(1);
    EXPECT_EQ(regionText(image.CreateRegion(2)), "[0,0,2,1][3,0,4,1]") << "one per run";
    EXPECT_EQ(regionText(image.CreateRegion(1)), "[0,0,4,1]") << "leftmost to rightmost";
    EXPECT_EQ(regionText(image.CreateRegion(0)), "[0,0,4,1]");
    EXPECT_EQ(regionText(image.CreateRegion(3)), "none");
    EXPECT_EQ(regionText(image.CreateRegion(-1)), "none");
}

TEST_F(ImageRegion, RowsCountFromTheTop) {
    cImage32 image;
    fill(image, {{kOff, kOff, kOff},   //
                 {kOff, kOn, kOff},    //
                 {kOn, kOn, kOff},     //
                 {kOff, kOff, kOff}});
    image.Alpha(1);
    EXPECT_EQ(regionText(image.CreateRegion(0)), "[0,1,2,3]");
    EXPECT_EQ(regionText(image.CreateRegion(2)), "[1,1,2,2][0,2,2,3]");
    EXPECT_EQ(regionText(image.CreateRegion(2, 10, -1)), "[11,0,12,1][10,1,12,2]");
}

TEST_F(ImageRegion, OneVisibleColumnStillMakesABoundingBox) {
    cImage32 image;
    fill(image, {{kOff, kOn, kOff}, {kOff, kOff, kOff}, {kOff, kOn, kOff}});
    image.Alpha(1);
    EXPECT_EQ(regionText(image.CreateRegion(0)), "[1,0,2,3]");
}

TEST_F(ImageRegion, NothingVisibleOrNoImageMakesNoRegion) {
    cImage32 image;
    EXPECT_EQ(regionText(image.CreateRegion(0)), "none");
    ASSERT_TRUE(image.InitializeDIB(3, 2));
    for (int style : {0, 1, 2}) EXPECT_EQ(regionText(image.CreateRegion(style)), "none") << style;
}

TEST_F(ImageRegion, OpaqueImageIsItsWholeRectangle) {
    cImage32 image;
    fill(image, {{kOff, kOn}, {kOff, kOff}});
    image.Alpha(0);  // the kind decides, not the bytes
    for (int style : {0, 1, 2}) EXPECT_EQ(regionText(image.CreateRegion(style)), "[0,0,2,2]") << style;
}

TEST_F(ImageRegion, OffsetOutOfRangeGivesNoRegion) {
    cImage32 image;
    fill(image, {{kOn}});
    image.Alpha(1);
    EXPECT_EQ(regionText(image.CreateRegion(2, INT32_MAX, 0)), "none");
    EXPECT_EQ(regionText(image.CreateRegion(2, INT32_MAX - 1, 0)),
              "[" + std::to_string(INT32_MAX - 1) + ",0," + std::to_string(INT32_MAX) + ",1]");
}

// A random alpha pattern: the run region holds exactly the visible pixels, the row region
// each row's span from its first to its last visible pixel.
TEST_F(ImageRegion, RegionsHoldTheVisiblePixels) {
    std::mt19937 random(7);
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(37, 23));
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) put(image, x, y, {0, 0, 0, uint8_t(random() % 3 == 0 ? 0 : random() % 256)});
    image.Alpha(2);
    const gdi::HRGN runs = image.CreateRegion(2);
    const gdi::HRGN rows = image.CreateRegion(1);
    ASSERT_NE(runs, 0u);
    ASSERT_NE(rows, 0u);
    for (int y = 0; y < 23; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < 37; ++x)
            if (at(image, x, y).a) {
                if (first < 0) first = x;
                last = x;
            }
        for (int x = 0; x < 37; ++x) {
            EXPECT_EQ(bool(gdi::PtInRegion(runs, x, y)), at(image, x, y).a != 0) << x << "," << y;
            EXPECT_EQ(bool(gdi::PtInRegion(rows, x, y)), first >= 0 && x >= first && x <= last)
                << x << "," << y;
        }
    }
    gdi::DeleteObject(runs);
    gdi::DeleteObject(rows);
}

TEST_F(ImageRegion, ManyRectanglesFallBackToBatches) {
    // 60 x 100 alternating pixels: 30 runs a row, 3000 rectangles.
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(60, 100));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 60; ++x) put(image, x, y, (x + y) % 2 ? kOn : kOff);
    image.Alpha(1);

    const gdi::HRGN once = image.CreateRegion(2);
    ASSERT_NE(once, 0u);
    EXPECT_EQ(rectsOf(once).size(), 3000u);

    // One call takes no more than a batch: the region is made in two batches.
    gdi::testing::setMaxRegionRectangles(modParsers::kRegionBatch + 1);
    const gdi::HRGN batched = image.CreateRegion(2);
    ASSERT_NE(batched, 0u);
    EXPECT_TRUE(gdi::EqualRgn(once, batched));

    gdi::testing::setMaxRegionRectangles(100);
    EXPECT_EQ(image.CreateRegion(2), 0u) << "a batch that fails gives no region at all";
    gdi::DeleteObject(once);
    gdi::DeleteObject(batched);
}

TEST_F(ImageRegion, RectangleListIndexesOutsideTheListGiveNoRegion) {
    std::vector<gdi::RECT> rects(4, gdi::RECT{0, 0, 1, 1});
    EXPECT_EQ(modParsers::CreateRegionFromRects(rects, 1, 3, 0, 1), 0u) << "no room for the header";
    EXPECT_EQ(modParsers::CreateRegionFromRects(rects, 2, 4, 0, 1), 0u);
    EXPECT_EQ(modParsers::CreateRegionFromRects(rects, 3, 2, 0, 1), 0u);
    const gdi::HRGN region = modParsers::CreateRegionFromRects(rects, 2, 3, 0, 1);
    EXPECT_EQ(regionText(region), "[0,0,1,1]");
}

}  // namespace
