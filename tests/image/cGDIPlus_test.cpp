// cGDIPlus: probing the library, sessions handed out and sessions of its own.

#include "image/cGDIPlus.h"
#include "image_support.h"

using namespace imagetest;

namespace {

class Bridge : public ImageTest {};

using gdiplus::testing::openSessionCount;

TEST_F(Bridge, ProbeLeavesNoSessionOpen) {
    cGDIPlus bridge;
    int32_t token = 0;
    EXPECT_TRUE(bridge.isGDIplusOk(token, false));
    EXPECT_NE(token, 0) << "the variable keeps the token of the session it probed with";
    EXPECT_EQ(openSessionCount(), 0);
}

TEST_F(Bridge, KeptTokenIsTheCallersUntilShutDown) {
    int32_t token = 0;
    {
        cGDIPlus bridge;
        ASSERT_TRUE(bridge.isGDIplusOk(token, true));
        EXPECT_GT(token, 0);
    }
    EXPECT_EQ(openSessionCount(), 1) << "the bridge's end does not end the caller's session";
    cGDIPlus other;
    int32_t ending = token;
    EXPECT_FALSE(other.ManageGDIplusToken(ending, true)) << "a shut-down reports False";
    EXPECT_EQ(ending, token) << "the variable keeps its value";
    EXPECT_EQ(openSessionCount(), 0);
}

TEST_F(Bridge, OwnSessionLastsAsLongAsTheBridge) {
    {
        cGDIPlus bridge;
        ASSERT_TRUE(bridge.UseSession(0, true));
        EXPECT_EQ(openSessionCount(), 1);
        EXPECT_TRUE(bridge.UseSession(0, true));
        EXPECT_EQ(openSessionCount(), 1) << "the own session is reused";
        int32_t untouched = 12345;
        EXPECT_TRUE(bridge.isGDIplusOk(untouched, true));
        EXPECT_EQ(untouched, 12345) << "an own session answers at once";
        EXPECT_EQ(openSessionCount(), 1);
    }
    EXPECT_EQ(openSessionCount(), 0);
}

TEST_F(Bridge, LentSessionIsUsedAsItIs) {
    cGDIPlus bridge;
    EXPECT_TRUE(bridge.UseSession(42, true)) << "the caller's token serves, checked or not";
    EXPECT_EQ(openSessionCount(), 0);
}

TEST_F(Bridge, MissingLibraryOrFailedStart) {
    sys::setLibraryAbsent("gdiplus.dll", true);
    {
        cGDIPlus bridge;
        int32_t token = 0;
        EXPECT_FALSE(bridge.isGDIplusOk(token, true));
        EXPECT_EQ(token, 0);
        EXPECT_FALSE(bridge.UseSession(0, true));
        // Drawing starts its session without asking for the library first.
        EXPECT_TRUE(bridge.UseSession(0, false));
    }
    sys::setLibraryAbsent("gdiplus.dll", false);

    gdiplus::testing::failStartup(gdiplus::GenericError);
    cGDIPlus bridge;
    int32_t token = 99;
    EXPECT_FALSE(bridge.ManageGDIplusToken(token, false));
    EXPECT_EQ(token, 0) << "a failed start leaves no token";
    EXPECT_FALSE(bridge.isGDIplusOk());
    EXPECT_FALSE(bridge.UseSession(0, false));
}

}  // namespace
