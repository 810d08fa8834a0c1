// cImage32's own compositing pipeline: light adjustment, mirror, resample and blend.

#include <algorithm>
#include <cmath>

#include "image/compositing.h"
#include "image/modParsers.h"
#include "render_access.h"

using namespace imagetest;
using Access = cImage32PrivateAccess;
using Block = Access::Block;

namespace {

class Pipeline : public ImageTest {};

TEST_F(Pipeline, LightAdjustmentOnBlocksAndRectangles) {
    struct Case {
        float light;
        Px before, after;
    };
    const Case cases[] = {
        {100, {10, 20, 30, 255}, {255, 255, 255, 255}},
        {100, {10, 20, 30, 128}, {128, 128, 128, 128}},  // white at that coverage
        {-100, {200, 20, 255, 255}, {0, 0, 0, 255}},
        {-100, {100, 20, 128, 128}, {0, 0, 0, 128}},
        {50, {10, 200, 128, 255}, {137, 255, 255, 255}},  // + 127, capped at the alpha
        {50, {10, 100, 0, 128}, {74, 128, 64, 128}},      // + 64
        {-50, {10, 200, 128, 255}, {0, 73, 1, 255}},
        {50, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {-100, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {0, {10, 20, 30, 128}, {10, 20, 30, 128}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "light " << c.light << " on " << c.before);
        cImage32 image;
        fill(image, {{{1, 2, 3, 255}, c.before, {7, 7, 7, 255}}, {{4, 4, 4, 255}, {5, 5, 5, 255}, {6, 6, 6, 255}}});
        const std::vector<uint8_t> original = memoryOf(image);

        // From the image: a new block of the rectangle, the image untouched.
        Block block;
        int32_t x = 1, y = 0, w = 1, h = 1;
        Access::adjust(image, &image, c.light, block, x, y, w, h);
        if (c.light != 0) {
            ASSERT_EQ(block.countB(), 4u);
            EXPECT_EQ(blockAt(block, 0, 0), c.after);
            EXPECT_EQ(x, 0);
            EXPECT_EQ(y, 0);
        }
        EXPECT_EQ(memoryOf(image), original);

        // In place: every pixel of the block.
        Block inPlace = Block::twoDim(8, 1);
        std::memcpy(inPlace.data(), &c.before, 4);
        std::memcpy(inPlace.data() + 4, &c.before, 4);
        x = 3, y = 2;
        Access::adjust(image, nullptr, c.light, inPlace, x, y, w, h);
        EXPECT_EQ(blockAt(inPlace, 0, 0), c.after);
        EXPECT_EQ(blockAt(inPlace, 1, 0), c.after);
    }
}

TEST_F(Pipeline, MirrorsTakeTheRectangleFromTheSideTheSignsChoose) {
    cImage32 image;
    placeImage(image, 5, 4);
    struct Case {
        const char* name;
        int32_t x, y, w, h, destWidth, destHeight;
        std::vector<int> columns, rows;  // the image's, per block column and row from the top
    };
    const Case cases[] = {
        {"left-right, 3 columns from 1", 1, 1, 3, 2, -3, 2, {3, 2, 1}, {1, 2}},
        {"top-bottom, the top two rows", 1, 0, 3, 2, 3, -2, {1, 2, 3}, {3, 2}},
        {"both, from the opposite edges", 1, 0, 3, 2, -3, -2, {3, 2, 1}, {3, 2}},
        {"whole, left-right", 0, 0, 0, 0, -5, 4, {4, 3, 2, 1, 0}, {0, 1, 2, 3}},
        {"whole, top-bottom", 0, 0, 0, 0, 5, -4, {0, 1, 2, 3, 4}, {3, 2, 1, 0}},
        {"whole, both", 0, 0, 0, 0, -5, -4, {4, 3, 2, 1, 0}, {3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Block block;
        int32_t x = c.x, y = c.y, dw = c.destWidth, dh = c.destHeight;
        float light = 0;
        ASSERT_TRUE(Access::mirror(image, x, y, c.w, c.h, dw, dh, block, nullptr, light));
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0);
        EXPECT_EQ(dw, std::abs(c.destWidth));
        EXPECT_EQ(dh, std::abs(c.destHeight));
        ASSERT_EQ(block.countB(), c.columns.size() * 4);
        ASSERT_EQ(block.countA(), c.rows.size());
        for (size_t k = 0; k < c.rows.size(); ++k)
            for (size_t j = 0; j < c.columns.size(); ++j)
                EXPECT_EQ(blockAt(block, j, k), at(image, c.columns[j], c.rows[k])) << j << "," << k;

        // Into an image of the rectangle's size: the same pixels.
        cImage32 target;
        ASSERT_TRUE(target.InitializeDIB(int(c.columns.size()), int(c.rows.size())));
        x = c.x, y = c.y, dw = c.destWidth, dh = c.destHeight;
        ASSERT_TRUE(Access::mirror(image, x, y, c.w, c.h, dw, dh, block, &target, light));
        EXPECT_EQ(at(target, 0, 0), blockAt(block, 0, 0));
        EXPECT_EQ(at(target, int(c.columns.size()) - 1, int(c.rows.size()) - 1),
                  blockAt(block, c.columns.size() - 1, c.rows.size() - 1));
    }

    Block block;
    int32_t x = 1, y = 1, dw = 3, dh = 2;
    float light = 40;
    EXPECT_FALSE(Access::mirror(image, x, y, 3, 2, dw, dh, block, nullptr, light)) << "no negative size";
    EXPECT_EQ(x, 1);
    EXPECT_EQ(dw, 3);
    EXPECT_FALSE(block.dimensioned());
    cImage32 wrongSize;
    ASSERT_TRUE(wrongSize.InitializeDIB(4, 2));
    dw = -3;
    EXPECT_FALSE(Access::mirror(image, x, y, 3, 2, dw, dh, block, &wrongSize, light)) << "the mirror does not scale";
    EXPECT_FALSE(Access::mirror(image, x, y, 5, 2, dw, dh, block, nullptr, light)) << "past the right edge";

    // The light adjustment is applied once, to the block, and handed back as 0.
    ASSERT_TRUE(Access::mirror(image, x, y, 3, 2, dw, dh, block, nullptr, light));
    EXPECT_EQ(light, 0);
    EXPECT_EQ(blockAt(block, 0, 0), (Px{3 + 102, 1 + 102, 90 + 102, 255}));
}

// A block's pixels as rows from the top.
std::vector<std::vector<Px>> rowsOf(const Block& b) {
    std::vector<std::vector<Px>> rows(b.countA(), std::vector<Px>(b.countB() / 4));
    for (size_t k = 0; k < rows.size(); ++k)
        for (size_t j = 0; j < rows[k].size(); ++j) rows[k][j] = blockAt(b, j, k);
    return rows;
}

TEST_F(Pipeline, ResampleNearestAndInterpolating) {
    const Px p0{10, 100, 200, 255}, p1{21, 51, 0, 255}, p2{60, 60, 60, 128}, p3{0, 0, 0, 0};
    const Px mean01{15, 75, 100, 255}, mean12{40, 55, 30, 191};  // halves truncated
    struct Case {
        const char* name;
        std::vector<std::vector<Px>> image;
        bool interpolate;
        int32_t x, y, w, h, destX, destWidth, destHeight;
        std::vector<std::vector<Px>> expected;
    };
    const Case cases[] = {
        {"nearest 2x2 to 4x4", {{p0, p1}, {p2, p3}}, false, 0, 0, 0, 0, 0, 4, 4,
         {{p0, p0, p1, p1}, {p0, p0, p1, p1}, {p2, p2, p3, p3}, {p2, p2, p3, p3}}},
        {"interpolating 2 to 4 columns", {{p0, p1}}, true, 0, 0, 0, 0, 0, 4, 1, {{p0, mean01, p1, p1}}},
        // From the bottom up: bottom row, mean, top row, top row.
        {"interpolating 2 to 4 rows", {{p2}, {p1}}, true, 0, 0, 0, 0, 0, 1, 4, {{p2}, {p2}, {mean12}, {p1}}},
        {"a 1-pixel-high rectangle keeps to its row", {{p3, p3}, {p0, p1}, {p2, p2}}, true, 0, 1, 2, 1, 0, 4, 3,
         {{p0, mean01, p1, p1}, {p0, mean01, p1, p1}, {p0, mean01, p1, p1}}},
        {"a 1-pixel-wide rectangle keeps to its column", {{p3, p0, p2}}, true, 1, 0, 1, 1, 0, 3, 1, {{p0, p0, p0}}},
        {"left of the origin is left out", {{p0, p1, p2, p3}}, false, 0, 0, 0, 0, -3, 8, 1, {{p1, p2, p2, p3, p3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        fill(image, c.image);
        image.HighQualityInterpolation(c.interpolate);
        Block out, none;
        int32_t dw = c.destWidth, dh = c.destHeight;
        float light = 0;
        ASSERT_TRUE(Access::resample(image, out, none, nullptr, c.x, c.y, c.w, c.h, c.destX, 0, dw, dh, light));
        EXPECT_EQ(dw, int32_t(c.expected[0].size()));
        EXPECT_EQ(dh, int32_t(c.expected.size()));
        EXPECT_EQ(rowsOf(out), c.expected);
    }
}

TEST_F(Pipeline, ResampleEdges) {
    cImage32 image;
    placeImage(image, 10, 4);
    for (bool interpolate : {false, true}) {
        SCOPED_TRACE(interpolate ? "interpolating" : "nearest");
        image.HighQualityInterpolation(interpolate);
        Block out, none;
        float light = 0;
        // Ten times as wide from x = -30: the 31st scaled column comes first.
        int32_t dw = 100, dh = 4;
        ASSERT_TRUE(Access::resample(image, out, none, nullptr, 0, 0, 0, 0, -30, 0, dw, dh, light));
        EXPECT_EQ(dw, 70);
        EXPECT_EQ(blockAt(out, 0, 0), at(image, 3, 0));
        EXPECT_EQ(blockAt(out, 69, 3), at(image, 9, 3));
        // Above the origin: the top rows are left out.
        dw = 10, dh = 8;
        ASSERT_TRUE(Access::resample(image, out, none, nullptr, 0, 0, 0, 0, 0, -2, dw, dh, light));
        EXPECT_EQ(dh, 6);
        // Scaled row 2 lies halfway between image rows 1 and 0: green (1 + 0) / 2 truncates to 0.
        EXPECT_EQ(blockAt(out, 0, 0), at(image, 0, interpolate ? 0 : 1));

        // Under one pixel: nothing.
        for (auto [destX, width] : {std::pair{0, 0}, {-4, 4}, {-5, 4}}) {
            dw = width, dh = 4;
            EXPECT_FALSE(Access::resample(image, out, none, nullptr, 0, 0, 0, 0, destX, 0, dw, dh, light))
                << destX << " " << width;
        }

        // From a block, consuming it, with the light applied once; into a whole image.
        Block source = Block::twoDim(8, 1);
        for (size_t i = 0; i < 8; ++i) source.data()[i] = uint8_t(i % 4 == 3 ? 255 : 100);
        dw = 4, dh = 1;
        light = 100;
        ASSERT_TRUE(Access::resample(image, out, source, nullptr, 0, 0, 2, 1, 0, 0, dw, dh, light));
        EXPECT_FALSE(source.dimensioned());
        EXPECT_EQ(light, 0);
        EXPECT_EQ(blockAt(out, 3, 0), (Px{255, 255, 255, 255}));
        cImage32 target;
        ASSERT_TRUE(target.InitializeDIB(20, 8));
        ASSERT_TRUE(Access::resample(image, out, none, &target, 0, 0, 0, 0, 0, 0, dw, dh, light));
        EXPECT_EQ(at(target, 19, 7), at(image, 9, 3));
        EXPECT_EQ(at(target, 0, 0), at(image, 0, 0));
    }
}

TEST_F(Pipeline, InterpolatingAnOpaquePictureKeepsItOpaque) {
    cImage32 image;
    placeImage(image, 7, 5);
    image.HighQualityInterpolation(true);
    Block out, none;
    int32_t dw = 23, dh = 17;
    float light = 0;
    ASSERT_TRUE(Access::resample(image, out, none, nullptr, 0, 0, 0, 0, 0, 0, dw, dh, light));
    for (size_t i = 3; i < out.size(); i += 4) ASSERT_EQ(out.data()[i], 255) << "pixel " << i / 4;
}

enum class Destination { Device, Image };

// The scaled rows, made with taps fixed per column and with zero-weight taps left out, by the
// plain and by the AVX2 kernels, are the samples of the per-pixel kernel: whole, halved, odd and fractional factors, a
// sub-rectangle, and output cut at a negative origin.
TEST_F(Pipeline, ResampledPixelsAreThePerPixelSamples) {
    std::mt19937 random(3);
    cImage32 image;
    randomImage(image, 13, 9, true, random);
    const ByteView2D source = modParsers::OverlayDIBBits(image);
    struct Case {
        int32_t x, y, w, h, destX, destY, destWidth, destHeight;
    };
    const Case cases[] = {{0, 0, 13, 9, 0, 0, 26, 18}, {0, 0, 13, 9, 0, 0, 6, 4},    {2, 1, 9, 7, 0, 0, 31, 5},
                          {2, 1, 9, 7, -7, -3, 20, 29}, {0, 0, 13, 9, 0, 0, 100, 3}, {4, 4, 1, 1, 0, 0, 5, 6},
                          {1, 0, 12, 9, 0, 0, 7, 61}};
    const bool wide = compositing::wideKernels();
    for (bool interpolate : {false, true})
        for (const Case& c : cases)
            for (bool kernels : {false, wide}) {
                compositing::useWideKernels(kernels);
                SCOPED_TRACE(testing::Message() << (kernels ? "AVX2, " : "plain, ") << (interpolate ? "interpolating " : "nearest ") << c.destWidth << "x"
                                                << c.destHeight << " from " << c.x << "," << c.y << " at " << c.destX
                                                << "," << c.destY);
                image.HighQualityInterpolation(interpolate);
                Block out, none;
                int32_t dw = c.destWidth, dh = c.destHeight;
                float light = 0;
                ASSERT_TRUE(Access::resample(image, out, none, nullptr, c.x, c.y, c.w, c.h, c.destX, c.destY, dw, dh, light));
                const double xScale = double(c.w) / c.destWidth, yScale = double(c.h) / c.destHeight;
                const int64_t sy0 = 9 - c.y - c.h, lastColumn = c.x + c.w - 1, topRow = sy0 + c.h - 1;
                const int64_t offX = c.destX < 0 ? -c.destX : 0;
                for (int64_t r = 0; r < dh; ++r)
                    for (int64_t i = 0; i < dw; ++i) {
                        uint8_t want[4];
                        if (interpolate) {
                            const double x = std::clamp(double(i + offX) * xScale + c.x, double(c.x), double(lastColumn) + 0.5);
                            const double y = std::clamp(double(r) * yScale + double(sy0), double(sy0), double(topRow) + 0.5);
                            compositing::sampleInterpolated(source, x, y, lastColumn, topRow, want);
                        } else {
                            const int64_t sx = std::clamp<int64_t>(int64_t(std::floor(double(i + offX) * xScale + c.x)), c.x, lastColumn);
                            const int64_t sy = std::clamp<int64_t>(int64_t(std::floor(double(r) * yScale)) + sy0, sy0, topRow);
                            std::memcpy(want, &source(size_t(sx) * 4, size_t(sy)), 4);
                        }
                        ASSERT_EQ(std::memcmp(&out(size_t(i) * 4, size_t(r)), want, 4), 0) << "column " << i << ", memory row " << r;
                    }
            }
    compositing::useWideKernels(wide);
}

// Render makes scaled rows as the blender takes them, a band of the device's rows at a time;
// the pixels are those of the whole scaled block blended at once.
TEST_F(Pipeline, ScaledRenderInRowsEqualsTheWholeBlock) {
    std::mt19937 random(8);
    cImage32 image;
    randomImage(image, 700, 9, true, random);
    image.isAlphaBlendFriendly(false);
    image.isGDIplusEnabled(false);
    constexpr int W = 3000, H = 50;  // several bands of the device buffer
    struct Case {
        bool interpolate;
        int32_t destX, destY, destWidth, destHeight, opacity, gray;
        float light;
    };
    const Case cases[] = {{false, 0, 0, W, H, 100, -1, 0},      {true, -13, -7, W + 20, H + 9, 50, -1, 0},
                          {true, 5, 3, W - 40, H - 5, 100, 0, 30}, {false, -3, 2, 2 * W, H / 2, 75, -1, -40},
                          {true, 11, -2, -(W - 20), H, 100, -1, 0}};
    for (const Case& c : cases)
        for (Destination kind : {Destination::Device, Destination::Image}) {
            SCOPED_TRACE(testing::Message() << (c.interpolate ? "interpolating " : "nearest ") << c.destWidth << "x"
                                            << c.destHeight << (kind == Destination::Device ? " onto a device" : " into an image"));
            image.HighQualityInterpolation(c.interpolate);
            cImage32 before;
            randomImage(before, W, H, true, random);
            gdi::DibSurface surface(W, H, 32), expectedSurface(W, H, 32);
            cImage32 target, expectedTarget;
            ASSERT_TRUE(target.InitializeDIB(W, H));
            ASSERT_TRUE(expectedTarget.InitializeDIB(W, H));
            std::memcpy(target.BitsPointer(), before.BitsPointer(), size_t(W) * H * 4);
            std::memcpy(expectedTarget.BitsPointer(), before.BitsPointer(), size_t(W) * H * 4);
            for (int y = 0; y < H; ++y) {
                std::memcpy(surface.row(y), addressOf(before, 0, y), size_t(W) * 4);
                std::memcpy(expectedSurface.row(y), addressOf(before, 0, y), size_t(W) * 4);
            }
            const bool device = kind == Destination::Device;
            ASSERT_TRUE(image.Render(device ? surface.dc() : 0, c.destX, c.destY, c.destWidth, c.destHeight, 0, 0, 0, 0,
                                     c.opacity, true, true, device ? nullptr : &target, c.gray, c.light));

            // The same steps with whole blocks.
            Block mirrored, scaled;
            int32_t x = 0, y = 0, dw = c.destWidth, dh = c.destHeight;
            float light = c.light;
            if (dw < 0) ASSERT_TRUE(Access::mirror(image, x, y, 700, 9, dw, dh, mirrored, nullptr, light));
            ASSERT_TRUE(Access::resample(image, scaled, mirrored, nullptr, x, y, 700, 9, c.destX, c.destY, dw, dh, light));
            ASSERT_TRUE(Access::blend(image, device ? expectedSurface.dc() : 0, scaled, 0, 0, std::max(c.destX, 0),
                                      std::max(c.destY, 0), dw, dh, c.opacity * 255 / 100, device ? nullptr : &expectedTarget,
                                      c.gray, light));
            for (int row = 0; row < H; ++row)
                ASSERT_EQ(device ? std::memcmp(surface.row(row), expectedSurface.row(row), size_t(W) * 4)
                                 : std::memcmp(addressOf(target, 0, row), addressOf(expectedTarget, 0, row), size_t(W) * 4),
                          0)
                    << "row " << row;
        }
}


TEST_F(Pipeline, BlendOntoDevicesAndImages) {
    struct Case {
        const char* name;
        Px source, before;
        int32_t opacity, gray;
        Px device, image;  // the destination afterwards; a device's alpha byte is not compared
    };
    const Case cases[] = {
        {"opaque copy", {10, 20, 30, 255}, {200, 200, 200, 77}, 255, -1, {10, 20, 30}, {10, 20, 30, 255}},
        {"alpha 128 over 200", {64, 64, 64, 128}, {200, 200, 200, 200}, 255, -1, {163, 163, 163}, {163, 163, 163, 227}},
        {"opacity 127 over nothing", {255, 255, 255, 255}, {0, 0, 0, 0}, 127, -1, {127, 127, 127}, {127, 127, 127, 127}},
        {"grayscale 0 on red", {0, 0, 255, 255}, {9, 9, 9, 9}, 255, 0, {76, 76, 76}, {76, 76, 76, 255}},
        {"grayscale 0 at half opacity", {0, 0, 255, 255}, {0, 0, 0, 0}, 127, 0, {37, 37, 37}, {37, 37, 37, 127}},
        {"a colour above its alpha keeps the byte", {250, 10, 10, 128}, {200, 200, 200, 200}, 255, -1,
         {200, 109, 109}, {200, 109, 109, 227}},
        {"transparent leaves all", {0, 0, 0, 0}, {1, 2, 3, 4}, 255, -1, {1, 2, 3}, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        fill(image, {{c.source, c.source}});
        for (Destination kind : {Destination::Device, Destination::Image}) {
            Block none;
            if (kind == Destination::Device) {
                gdi::DibSurface surface(3, 1, 32);
                paintSurface(surface, c.before);
                ASSERT_TRUE(Access::blend(image, surface.dc(), none, 1, 0, 1, 0, 1, 1, c.opacity, nullptr, c.gray, 0));
                const Px got = onSurface(surface, 1, 0);
                EXPECT_EQ((Px{got.b, got.g, got.r, 0}), (Px{c.device.b, c.device.g, c.device.r, 0})) << "device";
                EXPECT_EQ(onSurface(surface, 0, 0), c.before) << "beside it";
            } else {
                cImage32 target;
                fill(target, {{c.before, c.before, c.before}});
                ASSERT_TRUE(Access::blend(image, 0, none, 1, 0, 1, 0, 1, 1, c.opacity, &target, c.gray, 0));
                EXPECT_EQ(at(target, 1, 0), c.image) << "image";
                EXPECT_EQ(at(target, 2, 0), c.before) << "beside it";
            }
        }
    }
}

// The blend of one byte as written down: source colour (or gray value) c of alpha a,
// destination byte d, opacity o; for alpha bytes c is a.
int expectedByte(int d, int c, int a, int o) {
    if (a == 0) return d;
    if (o == 255 && a == 255) return c;
    const int v = o == 255 ? d * (255 - a) / 255 + c : (d * (255 - a * o / 255) + c * o) / 255;
    return v > 255 ? d : v;
}

TEST_F(Pipeline, BlendedRowsFollowTheFormulaPixelForPixel) {
    std::mt19937 random(11);
    constexpr int W = 37, H = 3;
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(W, H));
    // Any bytes at all: colours above their alpha, and colour under alpha 0, included.
    for (uint8_t* p = image.BitsPointer(); p != image.BitsPointer() + W * H * 4; ++p) *p = uint8_t(random());
    for (int x = 0; x < W; x += 5) put(image, x, 1, {uint8_t(random()), 0, 0, uint8_t(x % 2 ? 255 : 0)});
    const modParsers::GrayScaleWeights w = modParsers::GetGrayScaleWeights(0);

    for (int opacity : {1, 127, 254, 255})
        for (int gray : {-1, 0})
            for (Destination kind : {Destination::Device, Destination::Image}) {
                SCOPED_TRACE(testing::Message() << "opacity " << opacity << ", gray " << gray
                                                << (kind == Destination::Device ? ", device" : ", image"));
                cImage32 before;
                randomImage(before, W, H, true, random);
                gdi::DibSurface surface(W, H, 32);
                for (int y = 0; y < H; ++y) std::memcpy(surface.row(y), addressOf(before, 0, y), W * 4);
                cImage32 target;
                ASSERT_TRUE(target.InitializeDIB(W, H));
                std::memcpy(target.BitsPointer(), before.BitsPointer(), W * H * 4);
                Block none;
                ASSERT_TRUE(Access::blend(image, kind == Destination::Device ? surface.dc() : 0, none, 0, 0, 0, 0, W, H,
                                          opacity, kind == Destination::Image ? &target : nullptr, gray, 0));
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x) {
                        const Px s = at(image, x, y), d = at(before, x, y);
                        const Px got = kind == Destination::Device ? onSurface(surface, x, y) : at(target, x, y);
                        const int g = gray == -1 ? -1 : int(std::lrint(double(s.b) * w.blue + double(s.g) * w.green + double(s.r) * w.red));
                        const int colours[3] = {gray == -1 ? s.b : g, gray == -1 ? s.g : g, gray == -1 ? s.r : g};
                        const uint8_t dst[3] = {d.b, d.g, d.r}, out[3] = {got.b, got.g, got.r};
                        for (int c = 0; c < 3; ++c)
                            ASSERT_EQ(out[c], expectedByte(dst[c], colours[c], s.a, opacity)) << x << "," << y << " channel " << c;
                        if (kind == Destination::Image)
                            ASSERT_EQ(got.a, s.a == 255 && opacity == 255 ? 255 : expectedByte(d.a, s.a, s.a, opacity)) << x << "," << y;
                    }
            }
}

// The vector kernels (SSE2, and AVX2 where the processor has it) take premultiplied pixels
// four or eight at a time and hand groups holding a colour above its alpha to the scalar
// loop: every opacity, onto both row kinds, with runs of opaque and of transparent pixels
// and a stray invalid pixel, byte for byte.
TEST_F(Pipeline, BlendKernelsFollowTheFormulaAtEveryOpacity) {
    std::mt19937 random(5);
    constexpr size_t N = 203;
    std::vector<uint8_t> source(N * 4);
    for (size_t i = 0; i < N; ++i) {
        const int kind = int(i / 16 % 4);  // mixed, opaque, transparent, mixed
        const uint8_t a = kind == 1 ? 255 : kind == 2 ? 0 : uint8_t(random());
        for (int c = 0; c < 3; ++c) source[i * 4 + c] = a == 0 ? 0 : uint8_t(random() % (a + 1u));
        source[i * 4 + 3] = a;
    }
    source[77 * 4 + 1] = 200, source[77 * 4 + 3] = 100;  // a colour above its alpha
    source[140 * 4 + 0] = 9, source[140 * 4 + 3] = 0;    // colour under alpha 0
    const bool wide = compositing::wideKernels();
    for (bool kernels : {false, wide})
        for (int bytes : {4, 3})
            for (int opacity = 0; opacity <= 255; ++opacity) {
                compositing::useWideKernels(kernels);
                std::vector<uint8_t> before(N * size_t(bytes));
                for (uint8_t& b : before) b = uint8_t(random());
                std::vector<uint8_t> row = before;
                compositing::blendRow(row.data(), bytes, source.data(), N, opacity, nullptr);
                for (size_t i = 0; i < N; ++i)
                    for (int c = 0; c < bytes; ++c) {
                        const uint8_t* s = &source[i * 4];
                        const int d = before[i * size_t(bytes) + size_t(c)];
                        const int want = c == 3 && s[3] == 255 && opacity == 255 ? 255 : expectedByte(d, s[c], s[3], opacity);
                        ASSERT_EQ(row[i * size_t(bytes) + size_t(c)], want)
                            << (kernels ? "AVX2, " : "plain, ") << bytes << " bytes, opacity " << opacity << ", pixel " << i
                            << " channel " << c;
                    }
            }
    compositing::useWideKernels(wide);
}

TEST_F(Pipeline, BlendClipsAtEveryEdge) {
    cImage32 image;
    placeImage(image, 20, 20);
    for (Destination kind : {Destination::Device, Destination::Image}) {
        SCOPED_TRACE(kind == Destination::Device ? "device" : "image");
        gdi::DibSurface surface(20, 20, 32);
        cImage32 target;
        ASSERT_TRUE(target.InitializeDIB(20, 20));
        auto pixel = [&](int x, int y) {
            if (kind == Destination::Image) return at(target, x, y);
            Px p = onSurface(surface, x, y);
            p.a = p == Px{0, 0, 0, 0} ? 0 : 255;  // a device keeps no alpha
            return p;
        };
        const gdi::HDC dc = kind == Destination::Device ? surface.dc() : 0;
        cImage32* host = kind == Destination::Image ? &target : nullptr;

        // From -10, -10: the picture from its 11th column and row, at 0, 0.
        Block none;
        ASSERT_TRUE(Access::blend(image, dc, none, 0, 0, -10, -10, 20, 20, 255, host, -1, 0));
        EXPECT_EQ(pixel(0, 0), at(image, 10, 10));
        EXPECT_EQ(pixel(9, 9), at(image, 19, 19));
        EXPECT_EQ(pixel(10, 10), (Px{0, 0, 0, 0}));
        EXPECT_EQ(pixel(10, 0), (Px{0, 0, 0, 0}));

        // Past the right and bottom edges: only the overlap.
        ASSERT_TRUE(Access::blend(image, dc, none, 0, 0, 16, 17, 8, 8, 255, host, -1, 0));
        EXPECT_EQ(pixel(16, 17), at(image, 0, 0));
        EXPECT_EQ(pixel(19, 19), at(image, 3, 2));
        EXPECT_EQ(pixel(15, 17), (Px{0, 0, 0, 0}));

        // From a block with the light set: the block was adjusted by its maker.
        Block block = Block::twoDim(4, 1);
        const uint8_t opaque[4] = {1, 2, 3, 255};
        std::memcpy(block.data(), opaque, 4);
        ASSERT_TRUE(Access::blend(image, dc, block, 5, 5, 12, 12, 1, 1, 255, host, -1, 100));
        EXPECT_EQ(pixel(12, 12), (Px{1, 2, 3, 255}));
        EXPECT_FALSE(block.dimensioned()) << "consumed";
        // Without a block the blender applies the light itself.
        ASSERT_TRUE(Access::blend(image, dc, none, 5, 5, 13, 12, 1, 1, 255, host, -1, 100));
        EXPECT_EQ(pixel(13, 12), (Px{255, 255, 255, 255}));

        EXPECT_FALSE(Access::blend(image, dc, none, 0, 0, -20, 0, 20, 20, 255, host, -1, 0)) << "nothing left";
        EXPECT_FALSE(Access::blend(image, dc, none, 0, 0, 0, -25, 20, 20, 255, host, -1, 0));
    }
    // Onto a device that takes no pixels nothing is drawn.
    Block none;
    EXPECT_FALSE(Access::blend(image, 0xDEAD, none, 0, 0, 0, 0, 4, 4, 255, nullptr, -1, 0));
}

}  // namespace
