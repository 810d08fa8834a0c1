#pragma once
// The format readers behind the loader. Each takes the whole input, returns an owning
// picture, and throws InvalidPicture (with "<format>: <reason>") for what it refuses.

#include <cstdint>
#include <span>

#include "platform/picture/picture.h"

namespace picture::detail {

class SourceByteReader;

Picture readBmp(std::span<const uint8_t> data);
Picture readBmp(SourceByteReader& source);  // read a piece at a time
Picture readJpeg(std::span<const uint8_t> data);
Picture readGif(std::span<const uint8_t> data);
Picture readIcon(std::span<const uint8_t> data);  // ICO and CUR
Picture readWmf(std::span<const uint8_t> data);   // with its placeable header
Picture readEmf(std::span<const uint8_t> data);

}  // namespace picture::detail
