// The imaging library's sessions and its presence under its library name.

#include <gtest/gtest.h>

#include "platform/gdiplus/gdiplus.h"
#include "platform/gdiplus/session.h"
#include "platform/sys/libraries.h"

using namespace gdiplus;

namespace {

class Sessions : public ::testing::Test {
protected:
    void TearDown() override {
        gdiplus::testing::failStartup(Ok);
        sys::clearAbsentLibraries();
        EXPECT_EQ(gdiplus::testing::openSessionCount(), 0);
    }
    static Token start() {
        const GdiplusStartupInput input;
        Token token = 0;
        EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
        return token;
    }
};

TEST_F(Sessions, CallsNeedAnOpenSessionAndSessionsNest) {
    EXPECT_EQ(detail::requireSession(), GdiplusNotInitialized);
    const Token outer = start();
    const Token inner = start();
    EXPECT_NE(outer, 0u);
    EXPECT_NE(inner, 0u);
    EXPECT_NE(outer, inner);
    EXPECT_LE(outer, 0x7FFFFFFFu) << "tokens fit a signed 32-bit field";
    EXPECT_EQ(detail::requireSession(), Ok);

    GdiplusShutdown(outer);
    EXPECT_EQ(detail::requireSession(), Ok) << "the inner session is still open";
    GdiplusShutdown(outer);
    GdiplusShutdown(0);
    GdiplusShutdown(0x12345);
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 1) << "stale and unknown tokens end nothing";
    GdiplusShutdown(inner);
    EXPECT_EQ(detail::requireSession(), GdiplusNotInitialized);
}

TEST_F(Sessions, StartupRefusals) {
    GdiplusStartupInput input;
    Token token = 77;
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
    EXPECT_EQ(GdiplusStartup(&token, nullptr, nullptr), InvalidParameter);
    EXPECT_EQ(token, 0u);
    input.GdiplusVersion = 2;
    token = 77;
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), UnsupportedGdiplusVersion);
    EXPECT_EQ(token, 0u);
    input.GdiplusVersion = 1;
    gdiplus::testing::failStartup(OutOfMemory);
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), OutOfMemory);
    EXPECT_EQ(token, 0u);
    EXPECT_EQ(detail::requireSession(), GdiplusNotInitialized);
}

TEST_F(Sessions, StartupOutputHasNoHooks) {
    GdiplusStartupInput input;
    input.SuppressBackgroundThread = 1;
    int dummy = 0;
    GdiplusStartupOutput output{&dummy, &dummy};
    Token token = 0;
    ASSERT_EQ(GdiplusStartup(&token, &input, &output), Ok);
    EXPECT_EQ(output.NotificationHook, nullptr);
    EXPECT_EQ(output.NotificationUnhook, nullptr);
    GdiplusShutdown(token);
}

TEST_F(Sessions, FoundByItsLibraryName) {
    const sys::LibraryHandle library = sys::LoadLibrary("GdiPlus.dll");
    ASSERT_NE(library, 0u);
    EXPECT_EQ(sys::GetProcAddress(library, "GdiplusStartup"), reinterpret_cast<void*>(&GdiplusStartup));
    EXPECT_EQ(sys::GetProcAddress(library, "GdiplusShutdown"), reinterpret_cast<void*>(&GdiplusShutdown));
    sys::FreeLibrary(library);
    sys::setLibraryAbsent("gdiplus.dll", true);
    EXPECT_EQ(sys::LoadLibrary("gdiplus.dll"), 0u);
}

}  // namespace
