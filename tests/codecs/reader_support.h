#pragma once
// Shared by the GIF, icon and TGA reader tests: reference decodes in the premultiplied form
// a host holds pixels, a host compared with them pixel by pixel, and the walks over the
// corpus folders.
//
// Reference PNGs are read by libpng without colour conversion (ImageMagick would apply a
// PNG's gamma, and turns linear grey into sRGB); ImageMagick decodes the GIF, icon and TGA
// files themselves where it serves as the oracle.

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "bmp_support.h"
#include "image/image_support.h"
#include "platform/picture/oracles.h"
#include "png_support.h"

namespace readertest {

using imagetest::Px;
using Rows = pngtest::Rows;  // top row first, premultiplied

inline std::optional<Rows> pngReference(const std::string& path) {
    return pngtest::libpngDecode(picture::test::readBytes(path));
}

inline std::optional<Rows> magickReference(const std::string& input) {
    const auto rgba = picture::test::magickRgba(input);
    if (!rgba) return std::nullopt;
    return bmptest::premultiplied(*rgba);
}

// Pixels of the host that differ from the reference by more than `tolerance` in a colour
// channel, or at all in alpha. Host pixel (x, y) is compared with reference pixel
// (x + left, y + top); host pixels that fall outside the reference are not compared.
// `first` receives a description of the first difference.
inline size_t differences(const cImage32& host, const Rows& reference, int left = 0, int top = 0,
                          int tolerance = 0, std::string* first = nullptr) {
    size_t count = 0;
    for (int y = 0; y < host.Height(); ++y) {
        for (int x = 0; x < host.Width(); ++x) {
            const int rx = x + left, ry = y + top;
            if (rx < 0 || ry < 0 || size_t(ry) >= reference.size() || size_t(rx) >= reference[size_t(ry)].size())
                continue;
            const Px got = imagetest::at(host, x, y), want = reference[size_t(ry)][size_t(rx)];
            const bool differs = std::abs(got.b - want.b) > tolerance || std::abs(got.g - want.g) > tolerance ||
                                 std::abs(got.r - want.r) > tolerance || got.a != want.a;
            if (differs && count++ == 0 && first) {
                std::ostringstream s;
                s << "(" << x << ", " << y << "): " << got << " against " << want;
                *first = s.str();
            }
        }
    }
    return count;
}

// Every pixel keeps the host rules: colours never above alpha; AlphaOpaque means every
// alpha 255, AlphaBinary only 0 and 255.
inline bool keepsPixelRules(const cImage32& host) {
    for (int y = 0; y < host.Height(); ++y)
        for (int x = 0; x < host.Width(); ++x) {
            const Px p = imagetest::at(host, x, y);
            if (p.b > p.a || p.g > p.a || p.r > p.a) return false;
            if (host.Alpha() == cImage32::AlphaOpaque && p.a != 255) return false;
            if (host.Alpha() == cImage32::AlphaBinary && p.a != 0 && p.a != 255) return false;
        }
    return true;
}

// Runs `check(path)` on every file of `folder`, under the file's name; an empty or
// missing folder fails, as a walk over nothing would pass unseen.
template <class Check>
void forEachFile(const std::string& folder, const Check& check) {
    const auto files = picture::test::filesIn(folder);
    ASSERT_FALSE(files.empty()) << folder;
    for (const std::string& path : files) {
        SCOPED_TRACE(picture::test::baseName(path));
        check(path);
    }
}

// Runs `check(path, entry)` on every file of `folder` with its entry in `table` (a map
// keyed by file name); a file the table does not list fails, so none goes unjudged.
template <class Table, class Check>
void forEachListed(const std::string& folder, const Table& table, const Check& check) {
    forEachFile(folder, [&](const std::string& path) {
        const auto listed = table.find(picture::test::baseName(path));
        if (listed == table.end()) {
            ADD_FAILURE() << "not listed";
            return;
        }
        check(path, listed->second);
    });
}

}  // namespace readertest
