// UTF-16 from the platform interfaces into the program's UTF-8.

#include <gtest/gtest.h>

#include "platform/runtime/text.h"

TEST(Text, Utf16BecomesUtf8) {
    const struct {
        std::u16string in;
        std::string out;
    } rows[] = {
        {u"image/png", "image/png"},
        {u"Caf\u00e9 \u20ac", "Caf\xc3\xa9 \xe2\x82\xac"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},              // a surrogate pair
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xef\xbf\xbdx"},  // a lone surrogate
    };
    for (const auto& r : rows) EXPECT_EQ(runtime::Utf8FromUtf16(r.in.c_str()), r.out);
    EXPECT_EQ(runtime::Utf8FromUtf16(nullptr), "");
}
