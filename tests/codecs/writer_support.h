#pragma once
// What the writer tests share: a save that must fail leaves no file, an existing file as
// it was, no temporary file, and the caller's array untouched; pictures whose alpha bytes
// are all 0.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/cImage32.h"
#include "platform/picture/oracles.h"
#include "support/temp_folder.h"

namespace writertest {

// save(FileName, outStream) runs one save of the writer under test.
inline void expectFailedSaves(const testsupport::TempFolder& folder, const std::string& extension,
                              const std::function<bool(const std::string&, std::vector<uint8_t>&)>& save) {
    std::vector<uint8_t> stream = {7, 7};
    EXPECT_FALSE(save("", stream));
    EXPECT_EQ(stream, (std::vector<uint8_t>{7, 7}));

    const std::string fresh = folder.file("fresh." + extension);
    EXPECT_FALSE(save(fresh, stream));
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const std::string existing = folder.file("existing." + extension);
    std::ofstream(existing) << "keep me";
    EXPECT_FALSE(save(existing, stream));
    EXPECT_EQ(picture::test::readBytes(existing), (std::vector<uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
        << "a temporary file was left behind";
}

// 4 x 4 pictures whose every alpha byte is 0: wholly transparent where the host knows it
// has alpha, the unused fourth byte of a 24-bit source where its Alpha() is AlphaOpaque.
struct AllZeroAlpha {
    const char* name;
    std::function<void(cImage32&)> make;
    bool transparent;
};

inline std::vector<AllZeroAlpha> allZeroAlphaPictures() {
    const auto blank = [](int32_t kind) {
        return [kind](cImage32& image) {
            ASSERT_TRUE(image.InitializeDIB(4, 4));  // every pixel 0, 0, 0, 0
            image.Alpha(kind);
        };
    };
    return {
        {"kind binary", blank(cImage32::AlphaBinary), true},
        {"kind partial", blank(cImage32::AlphaPartial), true},
        {"after MakeTransparent",
         [](cImage32& image) {
             ASSERT_TRUE(image.InitializeDIB(4, 4));
             std::memset(image.BitsPointer(), 255, 4 * 4 * 4);  // opaque white
             image.Alpha(cImage32::AlphaOpaque);
             ASSERT_TRUE(image.MakeTransparent(0xFFFFFF));
             ASSERT_EQ(image.Alpha(), cImage32::AlphaBinary);
         },
         true},
        {"kind opaque (24-bit source)", blank(cImage32::AlphaOpaque), false},
    };
}

}  // namespace writertest
