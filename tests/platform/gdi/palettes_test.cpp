// Logical palettes: entries, nearest-colour look-ups, the default palette.

#include "canvas.h"
#include "platform/gdi/objects.h"

using namespace gdi;

namespace {

HPALETTE makePalette(const std::vector<PALETTEENTRY>& entries) {
    std::vector<uint8_t> memory(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(memory.data());
    log->palVersion = 0x300;
    log->palNumEntries = WORD(entries.size());
    std::copy(entries.begin(), entries.end(), log->palPalEntry);
    return CreatePalette(log);
}

}  // namespace

TEST(Palettes, EntriesAndNearestColours) {
    const size_t before = detail::liveObjectCount();
    const HPALETTE p = makePalette({{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}});
    ASSERT_NE(p, 0u);
    EXPECT_EQ(GetObjectType(p), OBJ_PAL);
    WORD count = 0;
    EXPECT_EQ(GetObject(p, sizeof(count), &count), 2);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 4u);
    PALETTEENTRY out[4] = {};
    EXPECT_EQ(GetPaletteEntries(p, 1, 10, out), 3u);
    EXPECT_EQ(out[1].peBlue, 255);
    EXPECT_EQ(GetPaletteEntries(p, 4, 1, out), 0u);

    struct Case { COLORREF color; UINT index; };
    const Case cases[] = {
        {RGB(0, 0, 0), 0}, {RGB(250, 10, 10), 1}, {RGB(255, 0, 0), 1} /* the lower of two equal */,
        {RGB(10, 10, 200), 2}, {RGB(100, 100, 100), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(GetNearestPaletteIndex(p, c.color), c.index) << std::hex << c.color;
    EXPECT_EQ(GetNearestPaletteIndex(0, RGB(1, 2, 3)), CLR_INVALID);
    EXPECT_TRUE(DeleteObject(p));
    EXPECT_EQ(detail::liveObjectCount(), before);
    EXPECT_EQ(makePalette({}), 0u);
    EXPECT_EQ(CreatePalette(nullptr), 0u);
}

TEST(Palettes, TheDefaultPaletteHoldsTheTwentyStaticColours) {
    const HGDIOBJ p = GetStockObject(DEFAULT_PALETTE);
    ASSERT_NE(p, 0u);
    EXPECT_EQ(GetObjectType(p), OBJ_PAL);
    ASSERT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 20u);
    PALETTEENTRY e[20] = {};
    GetPaletteEntries(p, 0, 20, e);
    EXPECT_EQ(e[0].peRed + e[0].peGreen + e[0].peBlue, 0);
    EXPECT_EQ(e[7].peRed, 192);
    EXPECT_EQ(e[19].peRed + e[19].peGreen + e[19].peBlue, 765);
    EXPECT_EQ(GetNearestPaletteIndex(p, RGB(250, 2, 2)), 13u);
    EXPECT_TRUE(DeleteObject(p)) << "stock objects survive deletion";
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 20u);
}
