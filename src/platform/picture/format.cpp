#include "platform/picture/format.h"

#include <cctype>

#include "platform/picture/byte_reader.h"

namespace picture::detail {

namespace {

bool startsWith(std::span<const uint8_t> d, std::initializer_list<uint8_t> bytes) {
    if (d.size() < bytes.size()) return false;
    size_t i = 0;
    for (uint8_t b : bytes)
        if (d[i++] != b) return false;
    return true;
}

}  // namespace

Format sniffFormat(std::span<const uint8_t> d) {
    if (startsWith(d, {'B', 'M'})) return Format::Bmp;
    if (startsWith(d, {0xFF, 0xD8, 0xFF})) return Format::Jpeg;
    if (d.size() >= 4 && std::toupper(d[0]) == 'G' && std::toupper(d[1]) == 'I' &&
        std::toupper(d[2]) == 'F' && d[3] == '8')
        return Format::Gif;
    if (startsWith(d, {0, 0, 1, 0}) || startsWith(d, {0, 0, 2, 0})) return Format::Icon;
    // A placeable metafile's key, or a plain one's header: type 1 or 2, 9 words long.
    if (startsWith(d, {0xD7, 0xCD, 0xC6, 0x9A})) return Format::Wmf;
    if (d.size() >= 18 && (le16(d, 0) == 1 || le16(d, 0) == 2) && le16(d, 2) == 9 &&
        (le16(d, 4) == 0x100 || le16(d, 4) == 0x300))
        return Format::Wmf;
    // EMR_HEADER record (type 1) with " EMF" at offset 40.
    if (d.size() >= 44 && le32(d, 0) == 1 && le32(d, 40) == 0x464D4520) return Format::Emf;
    if (startsWith(d, {0x89, 'P', 'N', 'G'})) return Format::Png;
    if (startsWith(d, {'I', 'I', 42, 0}) || startsWith(d, {'M', 'M', 0, 42})) return Format::Tiff;
    return Format::Unknown;
}

const char* formatName(Format format) {
    switch (format) {
    case Format::Bmp: return "BMP";
    case Format::Jpeg: return "JPEG";
    case Format::Gif: return "GIF";
    case Format::Icon: return "ICO";
    case Format::Wmf: return "WMF";
    case Format::Emf: return "EMF";
    case Format::Png: return "PNG";
    case Format::Tiff: return "TIFF";
    case Format::Unknown: break;
    }
    return "unknown";
}

}  // namespace picture::detail
