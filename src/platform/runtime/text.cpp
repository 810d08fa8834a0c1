#include "platform/runtime/text.h"

#include <cstdint>

namespace runtime {

std::string Utf8FromUtf16(const char16_t* text) {
    std::string out;
    if (!text) return out;
    for (const char16_t* p = text; *p; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(p[1]) - 0xDC00);
            ++p;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Latin1FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](size_t k) { return uint8_t(text[k]); };
        const uint8_t lead = byte(i);
        if (lead < 0x80) {
            out += char(lead);
            ++i;
            continue;
        }
        // The sequence's length and the smallest code it may carry (shorter forms of a
        // code are malformed).
        const size_t length = lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                              : lead >= 0xF0 && lead < 0xF5                ? 4
                                                                           : 0;
        uint32_t code = length == 2 ? lead & 0x1Fu : length == 3 ? lead & 0x0Fu : lead & 0x07u;
        bool wellFormed = length != 0 && i + length <= text.size();
        for (size_t k = 1; wellFormed && k < length; ++k) {
            wellFormed = (byte(i + k) & 0xC0) == 0x80;
            code = code << 6 | (byte(i + k) & 0x3Fu);
        }
        const uint32_t smallest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
        if (wellFormed && (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)))
            wellFormed = false;
        if (!wellFormed) {
            out += '?';
            ++i;
            continue;
        }
        out += code <= 0xFF ? char(code) : '?';
        i += length;
    }
    return out;
}

std::string Utf8FromLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const uint8_t c = uint8_t(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace runtime
