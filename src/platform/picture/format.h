#pragma once
// What the first bytes of the data say it is.

#include <cstdint>
#include <span>

namespace picture::detail {

enum class Format { Unknown, Bmp, Jpeg, Gif, Icon, Wmf, Emf, Png, Tiff };

Format sniffFormat(std::span<const uint8_t> data);
const char* formatName(Format format);

}  // namespace picture::detail
