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

TEST(Text, Latin1BothWays) {
    const struct {
        std::string utf8, latin1;
    } rows[] = {
        {"plain", "plain"},
        {"Caf\u00e9 \u00a0\u00ff", "Caf\xe9 \xa0\xff"},
        {"\u20ac\U0001F600", "??"},            // no ISO 8859-1 code
        {"a\xc3", "a?"},                          // cut short
        {"\xc0\xaf\xed\xa0\x80!", "?????" "!"},  // an overlong form and a surrogate, byte by byte
    };
    for (const auto& r : rows) EXPECT_EQ(runtime::Latin1FromUtf8(r.utf8), r.latin1) << r.utf8;
    EXPECT_EQ(runtime::Utf8FromLatin1("Caf\xe9 \xff"), "Caf\u00e9 \u00ff");
}
