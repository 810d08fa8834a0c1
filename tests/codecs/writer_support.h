#pragma once
// What the writer tests share: a save that must fail leaves no file, an existing file as
// it was, no temporary file, and the caller's array untouched.

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

}  // namespace writertest
