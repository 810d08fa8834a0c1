// The PNG property store: what Set keeps, refuses and redirects, what Get and Delete find,
// and the tEXt, zTXt, tIME and bKGD chunks libpng reads from the saves, in their order.

#include "codecs/PngPropertyStore.h"
#include "png_writer_support.h"

using codecs::cPNGwriter;
using imagetest::Px;
using pngtest::Bytes;
using pngtest::Inspected;
using runtime::DateTime;
using runtime::Variant;
using namespace pngwritertest;
using namespace codecs;

namespace {

using Text = Inspected::Text;

Inspected saved(cPNGwriter& writer) {
    cImage32 image;
    makeImage(image, {{Px{0, 0, 255, 255}, Px{0, 0, 0, 255}}}, cImage32::AlphaOpaque);
    return inspect(savePng(writer, image));
}

TEST(PngProperties, KeywordsAreTrimmedFoldedAndLimited) {
    const std::string hundred(100, 'k');
    const struct {
        std::string given, kept;  // "" kept: refused
    } rows[] = {
        {"  Two   words  ", "Two words"},
        {"A\u00a0B", "A B"},
        {"\u00a0Edge \u00a0x\u00a0", "Edge x"},  // no-break spaces count as spaces
        {hundred, hundred.substr(0, 79)},
        {"Caf\u00e9 \u20ac", "Caf\xe9 ?"},  // ISO 8859-1; the euro sign has no code there
        {"bell\x07", ""},
        {"c1 \u0080", ""},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.given);
        EXPECT_EQ(PngPropertyStore::SanitizePngKeyword(r.given), r.kept);
        cPNGwriter writer;
        EXPECT_EQ(writer.SetPngProperty(PngPropertyCustomText, "v", r.given), !r.kept.empty());
        if (r.kept.empty()) continue;
        EXPECT_EQ(saved(writer).texts, (std::vector<Text>{{r.kept, "v", false}}));
    }
}

TEST(PngProperties, TextsKeepLinesAndRefuseControls) {
    const struct {
        std::string given;
        std::optional<std::string> kept;
    } rows[] = {
        {"a\r\nb\rc", "a\nb\nc"},
        {"tab\there", "tab\there"},
        {"x\x01y", std::nullopt},
        {std::string("nul\0", 4), std::nullopt},
        {"", ""},
        {std::string(40000, 'w'), std::string(32700, 'w')},
        {"\u00ff\u0100", "\xff?"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.given.substr(0, 20));
        EXPECT_EQ(PngPropertyStore::SanitizePngText(r.given), r.kept);
        cPNGwriter writer;
        EXPECT_EQ(writer.SetPngProperty(PngPropertyDescription, r.given), r.kept.has_value());
        // A refused text stores nothing: no bit, no chunk.
        const std::vector<Text> want =
            r.kept ? std::vector<Text>{{"Description", *r.kept, false}} : std::vector<Text>{};
        EXPECT_EQ(saved(writer).texts, want);
    }
    cPNGwriter writer;
    writer.SetPngProperty(PngPropertyTitle, "kept");
    EXPECT_FALSE(writer.SetPngProperty(PngPropertyTitle, "bad\x02"));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTitle), Variant("kept"));
}

TEST(PngProperties, SetRefusesWhatItCannotKeep) {
    cPNGwriter writer;
    const struct {
        int32_t code;
        Variant value;
    } rows[] = {
        {3, "two codes"},
        {16384, "no such code"},
        {0, 1},
        {PngPropertyTitle, Variant::Null()},
        {PngPropertyTitle, Variant::Object()},
        {PngPropertyTimeStamp, "yesterday"},
        {PngPropertyTimeStamp, 45000},
        {PngPropertyBackgroundColor, "red"},
        {PngPropertyFilter, 1e12},
        {PngPropertyCustomText, "no keyword"},
    };
    for (const auto& r : rows) EXPECT_FALSE(writer.SetPngProperty(r.code, r.value)) << r.code;
    // Nothing was stored.
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTimeStamp), Variant(DateTime()));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyBackgroundColor), Variant(-1));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyFilter), Variant(0));
    EXPECT_TRUE(saved(writer).texts.empty());
}

TEST(PngProperties, DefaultsOfGet) {
    const cPNGwriter writer;
    EXPECT_EQ(writer.GetPngProperty(PngPropertyBackgroundColor), Variant(-1));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTimeStamp), Variant(DateTime()));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTimeStamp).date().text(), "1899-12-30 00:00:00");
    EXPECT_EQ(writer.GetPngProperty(PngPropertyFilter), Variant(0));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTitle), Variant(""));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyCustomText, "Any"), Variant(""));
    EXPECT_TRUE(writer.GetPngProperty(3).isEmpty());
}

TEST(PngProperties, NumbersDatesAndColours) {
    cPNGwriter writer;
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyBackgroundColor, "&H1C8C8C8"));  // cut to 24 bits
    EXPECT_EQ(writer.GetPngProperty(PngPropertyBackgroundColor), Variant(0xC8C8C8));
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyFilter, 2.5));  // halves to even
    EXPECT_EQ(writer.GetPngProperty(PngPropertyFilter), Variant(2));
    EXPECT_TRUE(writer.DeletePngProperty(PngPropertyFilter));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyFilter), Variant(0));

    EXPECT_TRUE(writer.SetPngProperty(PngPropertyTimeStamp, "2024-02-29T13:45:07"));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTimeStamp), Variant(*DateTime::FromParts(2024, 2, 29, 13, 45, 7)));
    EXPECT_EQ(saved(writer).time, (std::vector<int>{2024, 2, 29, 13, 45, 7}));
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyTimeStamp, *DateTime::FromParts(1999, 12, 31, 23, 59, 59)));
    EXPECT_EQ(saved(writer).time, (std::vector<int>{1999, 12, 31, 23, 59, 59}));
    // A text property takes a date or a number as their texts.
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyCreationTime, *DateTime::FromParts(2020, 1, 2)));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyCreationTime), Variant("2020-01-02 00:00:00"));
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyComment, 0.5));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyComment), Variant("0.5"));
}

TEST(PngProperties, StandardKeywordsUnderTheCustomCode) {
    cPNGwriter writer;
    // Set redirects "title" to the Title; the custom code stays off.
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyCustomText, "T", "title"));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyTitle), Variant("T"));
    // Get and Delete redirect only while some custom text exists.
    EXPECT_EQ(writer.GetPngProperty(PngPropertyCustomText, "Title"), Variant(""));
    EXPECT_FALSE(writer.DeletePngProperty(PngPropertyCustomText, "Title"));
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyCustomText, "x", "MyKey"));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyCustomText, "TITLE"), Variant("T"));
    // A custom keyword is found by Get in any case, but Delete wants it exactly.
    EXPECT_EQ(writer.GetPngProperty(PngPropertyCustomText, "MYKEY"), Variant("x"));
    EXPECT_FALSE(writer.DeletePngProperty(PngPropertyCustomText, "MYKEY"));
    EXPECT_TRUE(writer.SetPngProperty(PngPropertyCustomText, "y", "mykey"));  // replaces, case aside
    EXPECT_EQ(saved(writer).texts, (std::vector<Text>{{"Title", "T", false}, {"mykey", "y", false}}));
    EXPECT_TRUE(writer.DeletePngProperty(PngPropertyCustomText, "Title"));
    EXPECT_FALSE(writer.DeletePngProperty(PngPropertyTitle));  // already gone
    EXPECT_TRUE(writer.DeletePngProperty(PngPropertyCustomText, "mykey"));
    EXPECT_EQ(writer.GetPngProperty(PngPropertyCustomText, "mykey"), Variant(""));
    EXPECT_FALSE(writer.DeletePngProperty(PngPropertyCustomText, "mykey"));
}

TEST(PngProperties, CustomTextsKeepTheirOrderAndLongOnesAreCompressed) {
    cPNGwriter writer;
    const std::string long1025(1025, 'z'), long1024(1024, 'y');
    writer.SetPngProperty(PngPropertyCustomText, "one", "First");
    writer.SetPngProperty(PngPropertyCustomText, long1025, "Second");
    writer.SetPngProperty(PngPropertyCustomText, long1024, "Third");
    EXPECT_EQ(saved(writer).texts, (std::vector<Text>{{"First", "one", false},
                                                      {"Second", long1025, true},
                                                      {"Third", long1024, false}}));
    // Deleting the second moves the last into its place.
    EXPECT_TRUE(writer.DeletePngProperty(PngPropertyCustomText, "Second"));
    writer.SetPngProperty(PngPropertyTimeStamp, "2001-02-03");
    EXPECT_TRUE(writer.DeletePngProperty(PngPropertyTimeStamp));
    const Inspected got = saved(writer);
    EXPECT_EQ(got.texts, (std::vector<Text>{{"First", "one", false}, {"Third", long1024, false}}));
    EXPECT_FALSE(got.time);
}

TEST(PngProperties, ChunksComeInTheirFixedOrder) {
    cPNGwriter writer;
    for (int32_t code = PngPropertyComment; code >= PngPropertyTitle; code >>= 1)  // set in reverse
        ASSERT_TRUE(writer.SetPngProperty(code, "text " + std::to_string(code)));
    writer.SetPngProperty(PngPropertyCustomText, "c", "Custom");
    writer.SetPngProperty(PngPropertyTimeStamp, "2010-10-10 10:10:10");
    writer.SetPngProperty(PngPropertyBackgroundColor, 0x00FF00);
    cImage32 image;
    makeImage(image, {{Px{0, 0, 0, 0}, Px{0, 0, 255, 255}}}, cImage32::AlphaBinary);
    const Bytes png = savePng(writer, image);
    std::vector<std::string> order;
    for (const auto& [type, data] : pngtest::chunksOf(png)) {
        if (type == "tEXt") order.push_back(std::string(reinterpret_cast<const char*>(data.data())));
        else order.push_back(type);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"IHDR", "Title", "Author", "PLTE", "bKGD", "tRNS", "IDAT", "tIME",
                                               "Description", "Copyright", "Creation Time", "Software",
                                               "Disclaimer", "Warning", "Source", "Comment", "Custom", "IEND"}));
    EXPECT_EQ(inspect(png).texts.size(), 11u);
}

}  // namespace
