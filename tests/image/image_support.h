#pragma once
// Pixels of a cImage32 read and written straight in its memory. Addresses are worked out
// here from the layout rules (bottom-up rows of Width x 4 bytes, y = 0 the top row), not
// asked of the class under test.

#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/cImage32.h"
#include "platform/gdi/regions.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/runtime/messages.h"
#include "platform/sys/files.h"
#include "platform/sys/libraries.h"
#include "platform/sys/version.h"

namespace imagetest {

struct Px {
    uint8_t b, g, r, a;
    friend bool operator==(const Px&, const Px&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Px& p) {
        return os << "(b" << int(p.b) << " g" << int(p.g) << " r" << int(p.r) << " a" << int(p.a)
                  << ")";
    }
};

inline uint8_t* addressOf(const cImage32& image, int x, int y) {
    const size_t row = size_t(image.Height() - 1 - y);
    return image.BitsPointer() + row * size_t(image.Width()) * 4 + size_t(x) * 4;
}

inline Px at(const cImage32& image, int x, int y) {
    const uint8_t* p = addressOf(image, x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline void put(cImage32& image, int x, int y, Px px) {
    uint8_t* p = addressOf(image, x, y);
    p[0] = px.b;
    p[1] = px.g;
    p[2] = px.r;
    p[3] = px.a;
}

// A new image made from rows listed from the top.
inline void fill(cImage32& image, const std::vector<std::vector<Px>>& rows) {
    ASSERT_TRUE(image.InitializeDIB(int(rows.at(0).size()), int(rows.size())));
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) put(image, int(x), int(y), rows[y][x]);
}

// A new image of random premultiplied pixels: opaque, or with alpha 0, 255 or anything in
// between, a quarter, a quarter and half of the pixels.
inline void randomImage(cImage32& image, int width, int height, bool withAlpha, std::mt19937& random) {
    ASSERT_TRUE(image.InitializeDIB(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned pick = random() % 4;
            const unsigned a = !withAlpha ? 255 : pick == 0 ? 0 : pick == 1 ? 255 : random() % 256;
            const auto channel = [&] { return uint8_t(random() % 256 * a / 255); };
            put(image, x, y, {channel(), channel(), channel(), uint8_t(a)});
        }
    image.Alpha(withAlpha ? cImage32::AlphaPartial : cImage32::AlphaOpaque);
}

inline std::vector<uint8_t> memoryOf(const cImage32& image) {
    const size_t n = size_t(image.Width()) * size_t(image.Height()) * 4;
    return {image.BitsPointer(), image.BitsPointer() + n};
}

// Answers every message box with one button and remembers what was asked.
class RecordingMessages : public runtime::MessageService {
public:
    struct Call {
        std::string prompt;
        int style;
        std::string title;
    };
    int answer = runtime::vbYes;
    std::vector<Call> calls;
    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        calls.push_back({prompt, style, title});
        return answer;
    }
};

// Puts every platform switch a test may have thrown back, and checks that no GDI+
// session was left open.
class ImageTest : public ::testing::Test {
protected:
    void TearDown() override {
        sys::testing::overrideVersion(std::nullopt);
        sys::clearAbsentLibraries();
        sys::testing::failWritesBeyond(-1);
        gdiplus::testing::failStartup(gdiplus::Ok);
        gdi::testing::setMaxRegionRectangles(-1);
        EXPECT_EQ(gdiplus::testing::openSessionCount(), 0) << "a GDI+ session was left open";
    }
};

}  // namespace imagetest
