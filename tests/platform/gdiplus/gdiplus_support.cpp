#include "gdiplus_support.h"

namespace gdiplustest {

std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

void GdiplusTest::SetUp() {
    const GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token_, &input, nullptr), Ok);
}

void GdiplusTest::TearDown() {
    EXPECT_EQ(gdiplus::testing::liveObjectCount(), 0) << "an image, graphics or attributes was left";
    GdiplusShutdown(token_);
    gdiplus::testing::acceptPng(false);
}

}  // namespace gdiplustest
