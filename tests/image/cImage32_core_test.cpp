// cImage32: feature flags per platform, the pixel store, the own DC, SwapDIBs, kept bytes
// and GDI+ tokens.

#include <climits>

#include "image_support.h"
#include "platform/gdi/objects.h"

using namespace imagetest;

namespace {

class ImageCore : public ImageTest {};

struct PlatformCase {
    const char* name;
    sys::VersionRecord record;
    bool extendedFails;
    uint32_t platformFlags;  // without FeatureGDIplus, which depends on the library
};

const PlatformCase kPlatforms[] = {
    {"Windows 7", {6, 1, 7601, sys::kPlatformNT, "Service Pack 1", 1, 0}, false, 0x49},
    {"Windows 2000", {5, 0, 2195, sys::kPlatformNT, "", 0, 0}, false, 0x49},
    {"NT 4 SP6", {4, 0, 1381, sys::kPlatformNT, "Service Pack 6", 6, 0}, false, 0x40},
    {"NT 4 SP5", {4, 0, 1381, sys::kPlatformNT, "Service Pack 5", 5, 0}, false, 0x60},
    // Without the extended record the service pack is unknown and reads as 0.
    {"NT 4 SP6, plain record", {4, 0, 1381, sys::kPlatformNT, "Service Pack 6", 6, 0}, true, 0x60},
    {"Windows 98", {4, 10, 1998, sys::kPlatformWindows9x, "", 0, 0}, false, 0x10},
    {"Windows ME", {4, 90, 3000, sys::kPlatformWindows9x, "", 0, 0}, false, 0x10},
    {"Windows 95", {4, 0, 950, sys::kPlatformWindows9x, "", 0, 0}, false, 0x20},
    {"Win32s", {3, 10, 0, sys::kPlatformWin32s, "", 0, 0}, false, 0x60},
};

TEST_F(ImageCore, FeatureFlagsFollowThePlatformVersion) {
    for (bool gdiplusPresent : {true, false}) {
        sys::setLibraryAbsent("gdiplus.dll", !gdiplusPresent);
        for (const PlatformCase& c : kPlatforms) {
            SCOPED_TRACE(std::string(c.name) + (gdiplusPresent ? "" : ", no gdiplus.dll"));
            sys::testing::overrideVersion(c.record, c.extendedFails);
            cImage32 image;
            const bool noGdiplus = c.platformFlags & 0x20;
            const bool gdiplus = gdiplusPresent && !noGdiplus;
            EXPECT_EQ(image.featureFlags(), c.platformFlags | (gdiplus ? 0x02u : 0u));
            EXPECT_EQ(image.isGDIplusEnabled(), gdiplus);
            EXPECT_EQ(image.HighQualityInterpolation(), gdiplus);
            EXPECT_EQ(image.isAlphaBlendFriendly(), bool(c.platformFlags & 0x01));

            // AlphaBlend can be switched on only where the platform has it (NT 5, 98/ME).
            image.isAlphaBlendFriendly(true);
            EXPECT_EQ(image.isAlphaBlendFriendly(), bool(c.platformFlags & (0x08 | 0x10)));
            image.isAlphaBlendFriendly(false);
            EXPECT_FALSE(image.isAlphaBlendFriendly());
            EXPECT_EQ(image.featureFlags() & ~0x03u, c.platformFlags & ~0x03u)
                << "the platform bits never change";
        }
    }
}

TEST_F(ImageCore, GdiplusSwitchProbesTheLibraryAndKeepActiveFollowsIt) {
    cImage32 image;
    ASSERT_TRUE(image.isGDIplusEnabled());
    image.KeepGDIplusActive(true);
    EXPECT_TRUE(image.KeepGDIplusActive());

    image.isGDIplusEnabled(false);
    EXPECT_FALSE(image.isGDIplusEnabled());
    EXPECT_TRUE(image.HighQualityInterpolation()) << "switching GDI+ off leaves the setting";
    image.KeepGDIplusActive(true);
    EXPECT_FALSE(image.KeepGDIplusActive()) << "nothing to keep active while GDI+ is off";

    gdiplus::testing::failStartup(gdiplus::GenericError);
    image.isGDIplusEnabled(true);
    EXPECT_FALSE(image.isGDIplusEnabled()) << "a session that does not start leaves it off";
    gdiplus::testing::failStartup(gdiplus::Ok);
    image.isGDIplusEnabled(true);
    EXPECT_TRUE(image.isGDIplusEnabled());
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 0) << "the probe ends its session";
}

TEST_F(ImageCore, ZlibIsFoundUnderEitherName) {
    cImage32 image;
    EXPECT_TRUE(image.isZlibEnabled());
    sys::setLibraryAbsent("zlib1.dll", true);
    EXPECT_TRUE(image.isZlibEnabled()) << "zlib.dll still serves";
    sys::setLibraryAbsent("zlib.dll", true);
    EXPECT_FALSE(image.isZlibEnabled()) << "asked anew on every read";
}

TEST_F(ImageCore, NewObjectHasNoImage) {
    cImage32 image;
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.Handle(), 0u);
    EXPECT_EQ(image.BitsPointer(), nullptr);
    EXPECT_EQ(image.ImageType(), -1);
    EXPECT_EQ(image.Alpha(), 0);
    EXPECT_EQ(image.gdiToken(), 0);
    EXPECT_FALSE(image.ManageOwnDC());
    EXPECT_FALSE(image.KeepGDIplusActive());
    EXPECT_EQ(image.LoadDIBinDC(true), 0u) << "no DC without an image";
}

TEST_F(ImageCore, InitializeDibMakesABlankBottomUpImage) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(3, -2)) << "a negative height is taken as its size";
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.scanWidth(), 12);
    EXPECT_EQ(image.ImageType(), 0);
    EXPECT_EQ(image.Alpha(), 1);
    EXPECT_EQ(memoryOf(image), std::vector<uint8_t>(24, 0));

    gdi::DIBSECTION ds{};
    ASSERT_EQ(gdi::GetObject(image.Handle(), sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    EXPECT_EQ(ds.dsBmih.biHeight, 2) << "stored bottom-up";
    EXPECT_EQ(ds.dsBm.bmBits, image.BitsPointer());
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 12) << "no padding at row ends";
}

TEST_F(ImageCore, InitializeDibRefusalsLeaveNoImage) {
    const struct {
        int32_t width, height;
    } refused[] = {
        {0, 5},          {5, 0},         {-1, 5},         {-7, -7},
        {40000, 40000},  // 6.4e9 bytes: beyond the 32-bit range
        {16384, 32768},  // exactly 2^31 bytes: one above the limit
        {INT_MAX, 1},    {1, INT_MIN},   {INT_MIN, INT_MIN},
        {INT_MAX, INT_MIN},  // the product of the sizes and 4 would pass 2^63
    };
    const size_t objectsBefore = gdi::detail::liveObjectCount();
    for (const auto& r : refused) {
        SCOPED_TRACE(::testing::Message() << r.width << " x " << r.height);
        cImage32 image;
        ASSERT_TRUE(image.InitializeDIB(4, 4));
        image.SetDIBOriginalFormat(std::vector<uint8_t>{1, 2, 3});
        EXPECT_FALSE(image.InitializeDIB(r.width, r.height));
        EXPECT_EQ(image.Handle(), 0u);
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Height(), 0);
        EXPECT_EQ(image.BitsPointer(), nullptr);
        EXPECT_EQ(image.ImageType(), -1);
        EXPECT_EQ(image.Alpha(), 0);
        std::vector<uint8_t> kept;
        EXPECT_FALSE(image.GetOriginalFormat(kept)) << "the kept bytes went with the old image";
        EXPECT_EQ(gdi::detail::liveObjectCount(), objectsBefore);
    }
}

TEST_F(ImageCore, EraseAndDestroy) {
    cImage32 image;
    image.EraseDIB();
    EXPECT_EQ(image.ImageType(), -1) << "nothing to erase";

    ASSERT_TRUE(image.InitializeDIB(2, 2));
    put(image, 1, 0, {9, 8, 7, 200});
    image.ImageType(10);
    image.Alpha(2);
    image.EraseDIB();
    EXPECT_EQ(memoryOf(image), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(image.ImageType(), 0);
    EXPECT_EQ(image.Alpha(), 1);

    image.ManageOwnDC(true);
    image.gdiToken(77);
    image.HighQualityInterpolation(false);
    image.Tag(std::string("mine"));
    image.SetDIBOriginalFormat(std::vector<uint8_t>{1, 2});
    const gdi::HBITMAP dib = image.Handle();
    image.DestroyDIB();
    EXPECT_EQ(gdi::GetObjectType(dib), 0u) << "the section is deleted";
    EXPECT_EQ(image.Handle(), 0u);
    EXPECT_EQ(image.ImageType(), -1);
    EXPECT_EQ(image.Alpha(), 0);
    std::vector<uint8_t> kept;
    EXPECT_FALSE(image.GetOriginalFormat(kept));
    EXPECT_TRUE(image.ManageOwnDC());
    EXPECT_EQ(image.gdiToken(), 77);
    EXPECT_FALSE(image.HighQualityInterpolation());
    EXPECT_EQ(std::any_cast<std::string>(image.Tag()), "mine");
}

TEST_F(ImageCore, OwnDcDrawsIntoThePixelsAndIsReleasedUnlessManaged) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(4, 3));
    const gdi::HDC dc = image.LoadDIBinDC(true);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(image.LoadDIBinDC(true), dc) << "loading twice gives the same DC";
    EXPECT_EQ(gdi::GetCurrentObject(dc, gdi::OBJ_BITMAP), image.Handle());

    // GDI rows count from the top as the class's do; GDI writes alpha 0.
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(gdi::RGB(10, 20, 30));
    const gdi::RECT topRow{0, 0, 4, 1};
    gdi::FillRect(dc, &topRow, brush);
    gdi::DeleteObject(brush);
    EXPECT_EQ(at(image, 2, 0), (Px{30, 20, 10, 0}));
    EXPECT_EQ(at(image, 2, 1), (Px{0, 0, 0, 0}));

    EXPECT_EQ(image.LoadDIBinDC(false), 0u);
    EXPECT_EQ(gdi::GetObjectType(dc), 0u) << "not managed: the DC goes";

    image.ManageOwnDC(true);
    const gdi::HDC managed = image.LoadDIBinDC(true);
    image.LoadDIBinDC(false);
    EXPECT_EQ(gdi::GetObjectType(managed), gdi::OBJ_MEMDC) << "managed: the DC stays";
    EXPECT_NE(gdi::GetCurrentObject(managed, gdi::OBJ_BITMAP), image.Handle());
    EXPECT_EQ(image.LoadDIBinDC(true), managed);

    image.ManageOwnDC(false);
    EXPECT_EQ(gdi::GetObjectType(managed), 0u);
    EXPECT_NE(image.LoadDIBinDC(true), 0u) << "the image is free to be selected again";
    image.LoadDIBinDC(false);
}

TEST_F(ImageCore, ManagedDcComesBackWithTheNextImage) {
    cImage32 image;
    image.ManageOwnDC(true);
    const size_t before = gdi::detail::liveObjectCount();
    ASSERT_TRUE(image.InitializeDIB(2, 2));
    EXPECT_EQ(gdi::detail::liveObjectCount(), before + 2) << "the section and the own DC";
    image.DestroyDIB();
    EXPECT_EQ(gdi::detail::liveObjectCount(), before) << "both go with the image";
    EXPECT_TRUE(image.ManageOwnDC());
    ASSERT_TRUE(image.InitializeDIB(2, 2));
    EXPECT_EQ(gdi::detail::liveObjectCount(), before + 2);
    EXPECT_FALSE(image.InitializeDIB(0, 2));
    EXPECT_EQ(gdi::detail::liveObjectCount(), before) << "a refused size makes no DC";
}

struct ImageState {
    gdi::HBITMAP handle;
    uint8_t* bits;
    int32_t width, height, type, alpha;
    std::vector<uint8_t> kept;
};

ImageState stateOf(const cImage32& image) {
    ImageState s{image.Handle(), image.BitsPointer(), image.Width(), image.Height(),
                 image.ImageType(), image.Alpha(), {}};
    image.GetOriginalFormat(s.kept);
    return s;
}

void expectState(const cImage32& image, const ImageState& s) {
    EXPECT_EQ(image.Handle(), s.handle);
    EXPECT_EQ(image.BitsPointer(), s.bits);
    EXPECT_EQ(image.Width(), s.width);
    EXPECT_EQ(image.Height(), s.height);
    EXPECT_EQ(image.ImageType(), s.type);
    EXPECT_EQ(image.Alpha(), s.alpha);
    std::vector<uint8_t> kept;
    image.GetOriginalFormat(kept);
    EXPECT_EQ(kept, s.kept);
}

TEST_F(ImageCore, SwapDibsExchangesImagesButNotSettings) {
    cImage32 a, b;
    ASSERT_TRUE(a.InitializeDIB(10, 20));
    a.ImageType(10);
    a.Alpha(2);
    a.SetDIBOriginalFormat(std::vector<uint8_t>{0x89, 'P', 'N', 'G'});
    a.gdiToken(5);
    a.HighQualityInterpolation(false);
    ASSERT_TRUE(b.InitializeDIB(30, 40));
    b.ImageType(128);
    const ImageState sa = stateOf(a), sb = stateOf(b);

    a.SwapDIBs(&b);
    expectState(a, sb);
    expectState(b, sa);
    EXPECT_EQ(a.gdiToken(), 5);
    EXPECT_FALSE(a.HighQualityInterpolation());
    EXPECT_EQ(b.gdiToken(), 0);
    EXPECT_TRUE(b.HighQualityInterpolation());

    a.SwapDIBs(nullptr);
    expectState(a, sb);
    a.SwapDIBs(&a);
    expectState(a, sb);

    cImage32 empty;
    const ImageState none = stateOf(empty);
    a.SwapDIBs(&empty);
    expectState(a, none);
    expectState(empty, sb);
}

TEST_F(ImageCore, SwapDibsMovesImagesBetweenOwnDcs) {
    cImage32 a, b;
    ASSERT_TRUE(a.InitializeDIB(2, 2));
    ASSERT_TRUE(b.InitializeDIB(3, 3));
    const gdi::HBITMAP first = a.Handle(), second = b.Handle();
    const gdi::HDC dc = a.LoadDIBinDC(true);

    a.SwapDIBs(&b);
    const gdi::HDC after = a.LoadDIBinDC(true);
    EXPECT_EQ(gdi::GetCurrentObject(after, gdi::OBJ_BITMAP), second)
        << "the object that had its image in a DC has its new one there";
    EXPECT_NE(dc, 0u);
    const gdi::HDC other = b.LoadDIBinDC(true);
    ASSERT_NE(other, 0u);
    EXPECT_EQ(gdi::GetCurrentObject(other, gdi::OBJ_BITMAP), first)
        << "the image left a's DC, so b can select it";
    a.LoadDIBinDC(false);
    b.LoadDIBinDC(false);
}

TEST_F(ImageCore, OriginalFormatBytesAreCopies) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(1, 1));
    std::vector<uint8_t> bytes{1, 2, 3};
    image.SetDIBOriginalFormat(bytes);
    bytes[0] = 9;
    std::vector<uint8_t> out;
    ASSERT_TRUE(image.GetOriginalFormat(out));
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    out[1] = 9;
    image.GetOriginalFormat(out);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    image.SetDIBOriginalFormat({});
    EXPECT_FALSE(image.GetOriginalFormat(out));
    EXPECT_TRUE(out.empty());
}

TEST_F(ImageCore, TokensOpenSessionsThatOutliveTheCall) {
    cImage32 image;
    const int32_t first = image.CreateGDIplusToken();
    const int32_t second = image.CreateGDIplusToken();
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 2);

    EXPECT_TRUE(image.DestroyGDIplusToken(first)) << "ending the session reports success";
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 1);
    EXPECT_FALSE(image.DestroyGDIplusToken(first)) << "that session is over already";
    EXPECT_FALSE(image.DestroyGDIplusToken(0));
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 1) << "token 0 calls nothing";
    image.DestroyGDIplusToken(second);
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 0);

    sys::setLibraryAbsent("gdiplus.dll", true);
    EXPECT_EQ(image.CreateGDIplusToken(), 0);
    sys::setLibraryAbsent("gdiplus.dll", false);
    gdiplus::testing::failStartup(gdiplus::OutOfMemory);
    EXPECT_EQ(image.CreateGDIplusToken(), 0);
}

}  // namespace
