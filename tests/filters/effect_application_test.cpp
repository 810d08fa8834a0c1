// The application of an effect: every effect number's one library call with its
// arguments converted as the window makes them, the Tile effect's white result box,
// results without a bitmap, a missing library, and the real library's results.

#include <sstream>

#include <QImage>

#include "catalogue/slideshow_window.h"
#include "filterlib/registry.h"
#include "filters/filter_window_fixture.h"
#include "filters/modFunctions.h"
#include "platform/sys/libraries.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/screen.h"

namespace filterstest {
namespace {

constexpr uint32_t kFirstColour = 0x00E0E0E0;

// One expected call: the function and its arguments but FxResult, written as
//   D S P       the result, source and second boxes' device contexts
//   C ~C        the picked colour and its complement over 32 bits
//   i:x h:x b:x f:x d:x u:x   x as a 32-bit, 16-bit, 8-bit integer, float, double, 32-bit unsigned
//   c:x         a constant x, of whatever width
struct Dispatch {
    int number;
    int v;
    const char* function;  // nullptr: no call
    const char* arguments;
};

const Dispatch kDispatch[] = {
    {1, -40, "FxBrightness", "D S i:-40"},
    {2, 100, "FxContrast", "D S f:1 f:1 f:1"},
    {3, 33, "FxSharpening", "D S f:0.33"},
    {4, 0, "FxAntiAlias", "D S c:50"},
    {5, 25, "FxGamma", "D S f:1"},
    {6, -7, "FxGrayScale", "D S i:-7"},
    {7, 200, "FxInvert", "D S i:200"},
    {8, 12, "FxReduceColors", "D S i:12"},
    {9, 0, "FxReduceTo8Colors", "D S"},
    {10, 128, "FxStamp", "D S i:128"},
    {11, 0, "FxSepia", "D S"},
    {12, 9, "FxMosaic", "D S i:9"},
    {13, 30, "FxBackDropRemoval", "D S C ~C i:30"},
    {15, 255, "FxAmbientLight", "D S C i:255"},
    {16, 60, "FxTone", "D S C i:60"},
    {18, 0, "FxDiffuse", "D S"},
    {19, 6, "FxRock", "D S i:6"},
    {20, -255, "FxEmboss", "D S f:-2.55"},
    {21, -100, "FxColorRandomize", "D S i:-100"},
    {22, 2, "FxRandomPoints", "D S i:2 C"},
    {23, 0, "FxSolarize", "D S c:0"},
    {24, 255, "FxShift", "D S i:255"},
    {25, 0, "FxMelt", "D S"},
    {26, 0, "FxFishEye", "D S"},
    {27, -100, "FxTwirl", "D S i:-100"},
    {28, 77, "FxSwirl", "D S i:77"},
    {29, 5, "FxNeon", "D S h:5 c:2"},
    {30, 150, "FxCanvas", "D S i:150"},
    {31, 20, "FxWaves", "D S i:20 i:20 b:20 c:-1"},
    {31, 256, nullptr, ""},  // V does not fit 8 bits
    {32, 99, "FxDetectBorders", "D S i:99 C ~C"},
    {33, 0, "FxBlur", "D S"},
    {34, 0, "FxRelief", "D S"},
    {35, 512, "FxSaturation", "D S i:512"},
    {36, 3, "FxFindEdges", "D S h:3 c:2"},
    {37, 350, "FxHue", "D S i:350"},
    {38, 128, "FxAlphaBlend", "D P S i:128"},
    {39, 0, "FxMake3DEffect", "D S c:6"},
    {40, 0, "FxFourCorners", "D S"},
    {41, 0, "FxCaricature", "D S"},
    {42, 0, "FxTile", "D S i:0 i:0 c:6"},
    {43, 0, "FxRoll", "D S"},
    {44, 0, "FxSmartBlur", "D S c:20"},
    {45, 10, "FxAdvancedBlur", "D S h:10 c:25 c:-1"},
    {46, 0, "FxSoftenerBlur", "D S"},
    {47, 45, "FxMotionBlur", "D S d:45 c:15"},
    {48, -255, "FxColorBalance", "D S c:0 c:0 h:-255"},
    {49, 50, "FxFragment", "D S i:50"},
    {50, 17, "FxFarBlur", "D S i:17"},
    {51, 30, "FxRadialBlur", "D S i:30"},
    {52, 200, "FxZoomBlur", "D S i:200"},
    {53, 0, "FxWebColors", "D S"},
    {54, 127, "FxFog", "D S i:127"},
    {55, 64, "FxMediumTones", "D S i:64"},
    {56, 20, "FxCircularWaves", "D S h:20 h:20"},
    {57, 20, "FxCircularWavesEx", "D S h:80 h:20"},
    {57, 8192, nullptr, ""},  // 4 x V does not fit 16 bits
    {58, 0, "FxPolarCoordinates", "D S c:0"},
    {59, 25, "FxOilPaint", "D S i:0 i:25"},
    {59, 75, "FxOilPaint", "D S i:2 i:75"},
    {59, 125, "FxOilPaint", "D S i:2 i:125"},
    {59, 175, "FxOilPaint", "D S i:4 i:175"},
    {59, 255, "FxOilPaint", "D S i:5 i:255"},
    {60, 0, "FxFrostGlass", "D S c:3"},
    {61, 10, "FxNotePaper", "D S i:10 c:2 c:20 c:1 C ~C"},
    {62, -255, "FxFishEyeEx", "D S d:-255"},
    {63, 0, "FxRainDrops", "D S c:40 c:50 c:40"},
    {64, -30, "FxCylindrical", "D S d:-30"},
    {65, 3, "FxUnsharpMask", "D S c:2 d:1.5"},
    {66, 1, "FxBlockWaves", "D S h:1 h:0 c:1"},
    {66, 3, "FxBlockWaves", "D S h:3 h:2 c:1"},
    {66, 5, "FxBlockWaves", "D S h:5 h:2 c:1"},
    {66, 20, "FxBlockWaves", "D S h:20 h:10 c:1"},
    {68, 24, "FxBlendMode", "D P S i:24"},
    {69, -40, "FxTwirlEx", "D S d:40 d:-40"},
    {70, -255, "FxGlassBlendMode", "D P S d:-1.275 c:3"},
    {71, 200, "FxMetallic", "D S c:4 i:200 c:1"},
    {72, 200, "FxMetallic", "D S c:4 i:200 c:2"},
    {73, 200, "FxMetallic", "D S c:4 i:200 c:3"},
    {0, 10, nullptr, ""},
    {14, 10, nullptr, ""},
    {17, 10, nullptr, ""},
    {67, 10, nullptr, ""},
};

const int kImmediate[] = {4, 9, 11, 18, 23, 25, 26, 33, 34, 39, 40, 41, 43, 44, 46, 53, 58, 60, 63};

bool isImmediate(int number) { return std::find(std::begin(kImmediate), std::end(kImmediate), number) != std::end(kImmediate); }

void expectArguments(const RecordedCall& call, const char* expected, const FilterLibFrm& w) {
    std::istringstream words(expected);
    std::string word;
    size_t i = 0;
    for (; words >> word; ++i) {
        SCOPED_TRACE(word);
        ASSERT_LT(i, call.arguments.size());
        const Argument& a = call.arguments[i];
        const auto is = [&](Kind kind, double value) {
            EXPECT_EQ(int(a.kind), int(kind));
            EXPECT_EQ(a.value, value);
        };
        if (word == "D") is(Kind::UInt32, w.Picture2->hDC());
        else if (word == "S") is(Kind::UInt32, w.Picture1->hDC());
        else if (word == "P") is(Kind::UInt32, w.Picture3->hDC());
        else if (word == "C") is(Kind::UInt32, kFirstColour);
        else if (word == "~C") is(Kind::UInt32, 0xFF1F1F1Fu);
        else {
            const double x = std::stod(word.substr(2));
            switch (word[0]) {
            case 'i': is(Kind::Int32, x); break;
            case 'h': is(Kind::Int16, x); break;
            case 'b': is(Kind::Byte, x); break;
            case 'f': is(Kind::Float, double(float(x))); break;
            case 'd': is(Kind::Double, x); break;
            case 'u': is(Kind::UInt32, x); break;
            default: EXPECT_EQ(a.value, x); break;
            }
        }
    }
    EXPECT_EQ(i, call.arguments.size());
}

class EffectApplication : public FiltersWindow {};

TEST_F(EffectApplication, EachNumberMakesItsOneCallWithItsArgumentsConverted) {
    FilterLibFrm& w = open(pattern(16, 12));
    w.HScroll1->setEnabled(true);
    w.HScroll1->setMin(-255);
    w.HScroll1->setMax(9000);
    for (const Dispatch& d : kDispatch) {
        SCOPED_TRACE(testing::Message() << "effect " << d.number << " at " << d.v);
        modFunctions::CurrentEffect = 0;
        w.HScroll1->setValue(d.v);
        modFunctions::CurrentEffect = static_cast<int16_t>(d.number);
        calls().clear();
        // Each handler applies only the effects of its own kind.
        if (isImmediate(d.number)) {
            w.HScroll1_Change();
            EXPECT_TRUE(calls().empty());
            w.Command2_Click();
        } else {
            w.Command2_Click();
            EXPECT_TRUE(calls().empty());
            w.HScroll1_Change();
        }
        if (!d.function) {
            EXPECT_TRUE(calls().empty());
            continue;
        }
        ASSERT_EQ(calls().size(), 1u);
        EXPECT_EQ(calls()[0].function, d.function);
        expectArguments(calls()[0], d.arguments, w);
    }
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(EffectApplication, TileWhitensTheResultBoxForTheRestOfTheWindowsLife) {
    FilterLibFrm& w = open(pattern(20, 10));
    const QImage white = filled(20, 10, qRgb(255, 255, 255));
    choose(11);  // an immediate effect first clears to the button face
    EXPECT_EQ(drawnImage(*w.Picture2), filled(20, 10, kButtonFace));

    choose(42);
    EXPECT_EQ(drawnImage(*w.Picture2), white);
    ASSERT_FALSE(calls().empty());
    EXPECT_EQ(calls().back().function, "FxTile");
    EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), white);

    choose(11);
    EXPECT_EQ(drawnImage(*w.Picture2), white) << "cleared to white from now on";
}

TEST_F(EffectApplication, AResultWithoutABitmapStaysUnshownUnderASliderEffectOnly) {
    FilterLibFrm& w = open(pattern(20, 10));
    choose(1);
    const picture::Picture shown = w.ImageCatalogue->Picture();
    w.Picture2->setWidth(0);
    ASSERT_EQ(w.Picture2->Image().Handle(), 0u);
    w.HScroll1->setValue(5);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == shown);
    choose(11);
    EXPECT_EQ(w.ImageCatalogue->Picture().Handle(), 0u);
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(EffectApplication, AnOpenPreviewFollowsEveryApplicationAndAClosedOneStaysClosed) {
    FilterLibFrm& w = open(pattern(20, 10));
    choose(1);
    EXPECT_FALSE(ui::isLoaded<Form27>());
    w.ImageFullScreen_Click();
    for (int effect : {1, 11}) {
        choose(effect);
        EXPECT_TRUE(ui::forms<Form27>().Image1->Picture() == w.ImageCatalogue->Picture());
    }
}

TEST_F(EffectApplication, AnEffectWorksUnderTheHourglassAndTakesItDownAfterEvenWhenItFails) {
    FilterLibFrm& w = open(pattern(20, 10));
    for (int effect : {1, 11}) {  // a slider effect, an immediate one
        SCOPED_TRACE(effect);
        calls().clear();
        choose(effect);
        w.HScroll1->setValue(40);
        ASSERT_FALSE(calls().empty());
        for (const RecordedCall& call : calls()) EXPECT_EQ(call.pointer, ui::vbHourglass) << call.function;
        EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
    }
    sys::setLibraryAbsent("FilterLib.dll", true);
    choose(11);
    w.HScroll1->setValue(-40);
    sys::clearAbsentLibraries();
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
}

// Without the library, or without one of its functions, nothing is reported: a slider
// effect shows the previous result again, an immediate one the cleared result box.
TEST_F(EffectApplication, AMissingLibraryOrFunctionShowsThePreviousOrClearedResult) {
    RecordingLibrary::restoreRealLibrary();
    const QImage source = pattern(20, 10);
    FilterLibFrm& w = open(source);
    choose(1);
    w.HScroll1->setValue(80);
    const QImage previous = drawnImage(*w.Picture2);
    ASSERT_NE(previous, source);
    const QImage cleared = filled(20, 10, kButtonFace);

    for (bool wholeLibrary : {true, false}) {
        SCOPED_TRACE(wholeLibrary ? "library absent" : "functions absent");
        if (wholeLibrary) {
            sys::setLibraryAbsent("FilterLib.dll", true);
        } else {
            sys::clearAbsentLibraries();
            filterlib::exports().setAbsent("FxBrightness", true);
            filterlib::exports().setAbsent("FxSepia", true);
        }
        choose(1);
        w.HScroll1->setValue(-80);
        EXPECT_EQ(drawnImage(*w.Picture2), previous);
        EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), previous);
        choose(11);
        EXPECT_EQ(drawnImage(*w.Picture2), cleared);
        EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), cleared);
        // The next slider effect's missing call keeps the cleared box.
        choose(1);
        EXPECT_EQ(drawnImage(*w.Picture2), cleared);
        // Put the earlier result back for the next round.
        filterlib::exports().clearAbsent();
        sys::clearAbsentLibraries();
        choose(1);
        w.HScroll1->setValue(80);
    }
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(EffectApplication, TheRealLibraryGivesTheSameResultHoweverOftenAnEffectApplies) {
    RecordingLibrary::restoreRealLibrary();
    FilterLibFrm& w = open(pattern(33, 21));
    choose(1);
    w.HScroll1->setValue(70);
    const QImage once = drawnImage(*w.Picture2);
    w.HScroll1_Change();
    w.HScroll1_Scroll();
    EXPECT_EQ(drawnImage(*w.Picture2), once);
    w.HScroll1->setValue(-120);
    w.HScroll1->setValue(70);
    EXPECT_EQ(drawnImage(*w.Picture2), once);
    EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), once);

    choose(11);
    const QImage sepia = drawnImage(*w.Picture2);
    choose(11);
    w.Command2_Click();
    EXPECT_EQ(drawnImage(*w.Picture2), sepia);
}

}  // namespace
}  // namespace filterstest
