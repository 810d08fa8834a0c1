#pragma once
// Crafted GIF streams for the tests: an LZW encoder written for them (plain, with a clear
// code at the start and, optionally, whenever the table fills) and a block builder.

#include <cstdint>
#include <optional>
#include <vector>

namespace picture::test {

// Codes of the indices packed into sub-blocks and terminated. With clearWhenFull false the
// table is left full (deferred clear): later codes are all 12 bits wide and add nothing.
std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& indices, int minCodeSize,
                               bool clearWhenFull = true);

struct GifLayout {
    const char* signature = "GIF89a";
    int screenWidth = 2, screenHeight = 2;
    std::vector<uint32_t> globalTable = {0x000000, 0xFFFFFF};  // 0xRRGGBB; sizes 2^n
    int background = 0;
    std::optional<int> transparent;  // writes a graphic control extension
    int left = 0, top = 0, width = 2, height = 2;
    std::vector<uint32_t> localTable;
    bool interlaced = false;
    int minCodeSize = 2;
    std::vector<uint8_t> indices;    // encoded with lzwEncode unless `data` is given
    std::vector<uint8_t> data;       // the image's sub-block chain as is
    std::vector<uint8_t> before;     // blocks between the screen and the image
};

std::vector<uint8_t> makeGif(const GifLayout& input);

}  // namespace picture::test
