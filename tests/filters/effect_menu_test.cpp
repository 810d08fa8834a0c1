// The "Filters" menu: its submenus and 70 items, what choosing each one leaves in the
// window and how often it applies, and the second-picture dialog of the blend effects.

#include <filesystem>

#include <QMenu>
#include <QMenuBar>

#include "catalogue/main_window.h"
#include "filters/filter_window_fixture.h"
#include "filters/modFunctions.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "shell/module1.h"

namespace filterstest {
namespace {

constexpr int kCanvasWidth = 640;

struct Range {
    int min, max, start;
};
constexpr Range kImmediate{-1, -1, -1};

struct Item {
    int number;
    const char* caption;
    const char* name;
    const char* label;
    Range slider;
    bool picker;
};

// In menu order.
const Item kItems[] = {
    {1, "Brightness", "mnuBrightness", "Brightness", {-255, 255, 0}, false},
    {2, "Contrast", "mnuContrast", "Contrast", {0, 255, 100}, false},
    {3, "Sharpening", "mnuSharpness", "Sharpen", {0, 60, 0}, false},
    {5, "Gamma Adjust", "mnuGamma", "Gamma", {0, 255, 25}, false},
    {8, "Reduce Colors", "mnuReduceColors", "Reduce Colors", {0, 255, 0}, false},
    {9, "Reduce to 8 colors", "mnuEightColors", "8 colors", kImmediate, false},
    {24, "Shift Effect", "mnuShift", "Shift", {0, 255, 0}, false},
    {35, "Saturation", "mnuSaturation", "Saturation", {-255, 512, 0}, false},
    {37, "Hue Adjust", "mnuHue", "Hue", {0, 350, 0}, false},
    {48, "Color Balance", "mnuColBalance", "Color Balance", {-255, 255, 0}, false},
    {53, "WebColors Mode", "mnuWebColors", "Web Colors", kImmediate, false},
    {55, "Medium Tones", "mnuMediumTones", "Medium Tones", {0, 255, 0}, false},
    {4, "AntiAlias", "mnuAlias", "AntiAlias", kImmediate, false},
    {33, "Blur", "mnuBlur", "Blur", kImmediate, false},
    {44, "SmartBlur", "mnuSmartBlur", "Smart Blur", kImmediate, false},
    {45, "More Blur", "mnuMoreBlur", "More Blur", {0, 10, 0}, false},
    {46, "Softener Blur", "mnuSoftenerBlur", "Softener Blur", kImmediate, false},
    {47, "Motion Blur", "mnuMotionBlur", "Motion Blur", {0, 360, 0}, false},
    {50, "Far Blur", "mnuFarBlur", "Far Blur", {0, 50, 0}, false},
    {51, "Radial Blur", "mnuRadialBlur", "Radial Blur", {0, 30, 0}, false},
    {52, "Zoom Blur", "mnuZoomBlur", "Zoom Blur", {0, 200, 0}, false},
    {65, "Unsharp Mask", "mnuUnsharpMask", "Unsharp Mask", {0, 10, 0}, false},
    {6, "Gray Tones", "mnuGrayScale", "Gray Scale", {-255, 255, 0}, false},
    {11, "Sepia Effect", "mnuSepia", "Sepia Effect", kImmediate, false},
    {15, "Ambient Light", "mnuAmbient", "Ambient Light", {0, 255, 255}, true},
    {16, "Tone Adjust", "mnuTone", "Tone", {0, 255, 0}, true},
    {12, "Mosaic", "mnuMosaic", "Mosaic", {0, 255, 0}, false},
    {18, "Diffuse", "mnuDiffuse", "Diffuse", kImmediate, false},
    {19, "Rock Effect", "mnuRock", "Rock", {0, 6, 0}, false},
    {21, "Noise", "mnuNoise", "Noise", {-255, 255, 0}, false},
    {25, "Melt", "mnuMelt", "Melt", kImmediate, false},
    {26, "Fish Eye", "mnuFishEye", "FishEye", kImmediate, false},
    {62, "Fish Eye Ex", "mnuFishEyeEx", "FishEye Ex", {-255, 255, 0}, false},
    {27, "Twirl", "mnuTwirl", "Twirl", {-100, 100, 0}, false},
    {69, "TwirlEx", "mnuTwirlEx", "Twirl Ex", {-100, 100, 0}, false},
    {28, "Swirl", "mnuSwirl", "Swirl", {-255, 255, 0}, false},
    {39, "Make 3D", "mnu3D", "3D", kImmediate, false},
    {40, "Four Corners", "mnu4Corners", "4 Corners", kImmediate, false},
    {41, "Caricature", "mnuCaricature", "Caricature", kImmediate, false},
    {43, "Enroll", "mnuRoll", "Roll", kImmediate, false},
    {58, "Polar Coordinates", "mnuPolar", "Polar Coordinates", kImmediate, false},
    {64, "Cylindrical", "mnuCylindrical", "Cylindrical", {-30, 30, 0}, false},
    {31, "Waves", "mnuWave", "Waves", {0, 20, 0}, false},
    {66, "Block Waves", "mnuBlockWaves", "Block Waves", {0, 20, 0}, false},
    {56, "Circular Waves", "mnuCircularWaves", "Circular Waves", {0, 20, 0}, false},
    {57, "Circular Waves Enhanced", "mnuCircularWavesEx", "Circular Waves Ex", {0, 20, 0}, false},
    {20, "Emboss", "mnuEmbEng", "Emboss / Engrave", {-255, 255, 0}, false},
    {29, "Neon", "mnuNeon", "Neon", {0, 5, 0}, false},
    {32, "Detect Borders", "mnuBorders", "Detect Borders", {0, 255, 0}, true},
    {36, "Find Edges", "mnuFindEdges", "Find Edges", {0, 5, 0}, false},
    {61, "Note Paper", "mnuNotePaper", "Note Paper", {0, 255, 0}, true},
    {38, "AlphaBlend", "mnuAlphaBlend", "Alpha Blend", {0, 255, 0}, false},
    {68, "Blend Modes", "mnuBlendModes", "Blend Modes", {0, 24, 0}, false},
    {70, "Glass Blend Mode", "mnuGlassBlendMode", "Glass Blend Mode", {-255, 255, 0}, false},
    {71, "Metallic", "mnuMetallic", "Metallic", {0, 255, 0}, false},
    {72, "Gold", "mnuGold", "Gold", {0, 255, 0}, false},
    {73, "Ice", "mnuIce", "Ice", {0, 255, 0}, false},
    {7, "Inversion Adjust", "mnuInversion", "Inversion", {0, 255, 0}, false},
    {10, "Monochrome", "mnuMono", "Monochrome", {0, 255, 0}, false},
    {13, "Replace Color", "mnuBackN", "Replace Colors", {0, 255, 0}, true},
    {22, "Random Points", "mnuRandomPoints", "Random Points", {2, 102, 2}, true},
    {23, "Solarize", "mnuSol", "Solarize", kImmediate, false},
    {30, "Canvas Adjust", "mnuCanvas", "Canvas", {0, kCanvasWidth, 0}, false},
    {34, "Relief", "mnuRelief", "Relief", kImmediate, false},
    {42, "Tile Effect", "mnuTile", "Tile", {0, 100, 0}, false},
    {49, "Fragment", "mnuFragment", "Fragment", {0, 50, 0}, false},
    {54, "Fog Effect", "mnuFog", "Fog Effect", {0, 127, 0}, false},
    {59, "Oil Paint", "mnuOilPaint", "OilPaint", {0, 255, 0}, false},
    {60, "Frost Glass", "mnuFrostGlass", "Frost Glass", kImmediate, false},
    {63, "Rain Drop", "mnuRainDrop", "Rain Drop", kImmediate, false},
};

const struct {
    const char* caption;
    const char* name;
    int items;
} kSubmenus[] = {{"Color Adjustment", "mnu1", 12}, {"Blur", "mnu2", 10}, {"Tones", "mnu3", 4},
                 {"Distortion", "mnu4", 16},       {"Waves", "mnuW", 4},   {"Borders", "mnu5", 5},
                 {"Blend Modes", "mnuBlend", 3},   {"Metallic Effects", "mnuMetal", 3},
                 {"Other Effects", "mnu6", 13}};

bool isImmediate(const Item& item) { return item.slider.min == kImmediate.min; }

class EffectMenu : public FiltersWindow {
protected:
    static QString secondPictureFilter() { return "Compatible Image Files|*.bmp;*.jpg;*.emf;*.gif;*.rle;*.wmf"; }
};

TEST_F(EffectMenu, TheMenuHoldsNineSubmenusOfSeventyItemsInOrder) {
    FilterLibFrm& w = open(pattern(kCanvasWidth, 4));
    QMenuBar* bar = w.window()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* a : bar->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"File", "Filters", "Image"}));
    QStringList fileItems;
    for (QAction* a : w.mFile->menu()->actions()) fileItems << a->text();
    EXPECT_EQ(fileItems, (QStringList{"Open...", "Copy to Clipboard", "Paste from Clipboard", "Exit"}));

    const QList<QAction*> submenus = w.mnuEffects->menu()->actions();
    ASSERT_EQ(submenus.size(), 9);
    const Item* item = kItems;
    for (int s = 0; s < 9; ++s) {
        SCOPED_TRACE(kSubmenus[s].caption);
        EXPECT_EQ(submenus[s]->text(), kSubmenus[s].caption);
        EXPECT_EQ(w.EffectSubmenus[s]->objectName(), kSubmenus[s].name);
        ASSERT_NE(submenus[s]->menu(), nullptr);
        const QList<QAction*> items = submenus[s]->menu()->actions();
        ASSERT_EQ(items.size(), kSubmenus[s].items);
        for (QAction* action : items) {
            EXPECT_EQ(action->text(), item->caption);
            EXPECT_EQ(action, w.EffectItems.at(item->number)->action());
            EXPECT_EQ(w.EffectItems.at(item->number)->objectName(), item->name);
            EXPECT_FALSE(action->isCheckable());
            EXPECT_TRUE(action->shortcut().isEmpty());
            ++item;
        }
    }
    EXPECT_EQ(item, std::end(kItems));
}

// Every item, in menu order after the one before it: the state it leaves and the
// applications it makes.
TEST_F(EffectMenu, EachItemSelectsItsEffectAndAppliesItOnceAtItsStart) {
    FilterLibFrm& w = open(pattern(kCanvasWidth, 4));
    int labelsDifferingFromCaptions = 0;
    for (const Item& item : kItems) {
        SCOPED_TRACE(item.caption);
        const int minBefore = w.HScroll1->Min(), maxBefore = w.HScroll1->Max(), valueBefore = w.HScroll1->Value();
        calls().clear();
        choose(item.number);

        EXPECT_EQ(modFunctions::CurrentEffect, item.number);
        EXPECT_EQ(w.LabelCrtEffect->Caption(), item.label);
        labelsDifferingFromCaptions += QString(item.label) != item.caption;
        EXPECT_EQ(w.PictureCatalogue->Visible(), item.picker);
        EXPECT_EQ(w.Text2->Visible(), item.picker);
        EXPECT_EQ(w.ImagePickerZoom->Visible(), item.picker);
        EXPECT_EQ(w.PictureCatalogue->MousePointer(), item.picker ? ui::vbCustom : ui::vbDefault);
        EXPECT_EQ(w.Command2->Enabled(), isImmediate(item));
        EXPECT_EQ(w.HScroll1->Enabled(), !isImmediate(item));
        ASSERT_FALSE(calls().empty());
        if (isImmediate(item)) {
            EXPECT_EQ(w.HScroll1->Min(), minBefore);
            EXPECT_EQ(w.HScroll1->Max(), maxBefore);
            EXPECT_EQ(w.HScroll1->Value(), valueBefore);
            // Once, inside the selection, before the label names it.
            ASSERT_EQ(calls().size(), 1u);
            EXPECT_NE(calls()[0].label, item.label);
        } else {
            EXPECT_EQ(w.HScroll1->Min(), item.slider.min);
            EXPECT_EQ(w.HScroll1->Max(), item.slider.max);
            EXPECT_EQ(w.HScroll1->Value(), item.slider.start);
            // The slider's own changes may apply it on the way; the selection ends with
            // exactly one application at the start after the label is set.
            EXPECT_EQ(std::count_if(calls().begin(), calls().end(),
                                    [&](const RecordedCall& c) { return c.label == item.label; }),
                      1);
            EXPECT_EQ(calls().back().label, item.label);
            EXPECT_EQ(calls().back().slider, item.slider.start);
        }
    }
    EXPECT_EQ(labelsDifferingFromCaptions, 24);
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(EffectMenu, TheSlidersOwnChangesApplyTheNewEffectAtEveryValueTheyPass) {
    FilterLibFrm& w = open(pattern(kCanvasWidth, 4));
    choose(1);
    w.HScroll1->setValue(200);
    calls().clear();
    choose(29);  // "Neon", 0..5 from 0: Max pulls 200 to 5, Value sets 0, then the final call
    std::vector<int> values;
    for (const RecordedCall& c : calls()) values.push_back(c.slider);
    EXPECT_EQ(values, (std::vector<int>{5, 0, 0}));
    for (const RecordedCall& c : calls()) EXPECT_EQ(c.function, "FxNeon");

    calls().clear();
    choose(29);  // chosen again: starts afresh, unchanged values raise nothing
    ASSERT_EQ(calls().size(), 1u);

    // An immediate effect leaves the slider where it stood; the next slider effect sets it.
    w.HScroll1->setValue(4);
    choose(33);
    EXPECT_EQ(w.HScroll1->Value(), 4);
    EXPECT_EQ(w.HScroll1->Max(), 5);
    choose(22);  // "Random Points" starts at 2 of 2..102
    EXPECT_EQ(w.HScroll1->Min(), 2);
    EXPECT_EQ(w.HScroll1->Value(), 2);
}

// The slider holds signed 16 bits: on a picture wider than that, "Canvas Adjust" reaches
// as far as the slider does and is selected whole.
TEST_F(EffectMenu, CanvasAdjustOnAPictureWiderThanTheSliderStopsAtItsLargestValue) {
    FilterLibFrm& w = open(pattern(40000, 2));
    ASSERT_EQ(w.Picture1->ScaleWidth(), 40000);
    choose(1);
    calls().clear();
    choose(30);
    EXPECT_EQ(modFunctions::CurrentEffect, 30);
    EXPECT_EQ(w.LabelCrtEffect->Caption(), "Canvas");
    EXPECT_FALSE(w.Command2->Enabled());
    EXPECT_TRUE(w.HScroll1->Enabled());
    EXPECT_EQ(w.HScroll1->Min(), 0);
    EXPECT_EQ(w.HScroll1->Max(), 32767);
    EXPECT_EQ(w.HScroll1->Value(), 0);
    ASSERT_FALSE(calls().empty());
    EXPECT_EQ(calls().back().label, "Canvas");
    EXPECT_EQ(calls().back().function, "FxCanvas");
    EXPECT_TRUE(services.msgBoxes.empty()) << services.msgBoxes.front().prompt.toStdString();
}

class SecondPicture : public EffectMenu {
protected:
    std::string pictures() {
        const std::string path = folder.file("second pictures");
        std::filesystem::create_directories(path);
        return path;
    }
};

TEST_F(SecondPicture, ACancelBeforeAnyChoiceAppliesAgainstTheBlankSecondPicture) {
    FilterLibFrm& w = open(pattern(30, 60));
    choose(38);
    ASSERT_EQ(services.dialogs.size(), 1u);
    const ui::FileDialogRequest& request = services.dialogs[0].request;
    EXPECT_EQ(services.dialogs[0].kind, ui::RecordingServices::DialogKind::Open);
    EXPECT_EQ(request.title, "Open...");
    EXPECT_EQ(request.initialFolder, *Module1::ProgramFolder);
    EXPECT_EQ(request.filter, secondPictureFilter());
    EXPECT_EQ(request.flags, ui::cdlOFNHideReadOnly);
    EXPECT_EQ(w.LastOpenFolder, "");
    EXPECT_EQ(modFunctions::CurrentEffect, 38);
    ASSERT_FALSE(calls().empty());
    EXPECT_EQ(calls().back().function, "FxAlphaBlend");
    EXPECT_EQ(calls().back().arguments[1].value, w.Picture3->hDC());
    EXPECT_EQ(drawnImage(*w.Picture3), filled(30, 60, kButtonFace));

    choose(68);
    EXPECT_EQ(services.dialogs.back().request.initialFolder, "") << "the platform picks the folder";
}

TEST_F(SecondPicture, AChosenFileIsStretchedToTheWorkingSizeAndAnotherCancelLoadsItAgain) {
    FilterLibFrm& w = open(pattern(30, 60));
    // A wide picture for a tall source: four bands, stretched, neither cropped nor bordered.
    QImage wide(4, 1, QImage::Format_RGB32);
    const QRgb bands[4] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(90, 90, 0)};
    for (int x = 0; x < 4; ++x) wide.setPixel(x, 0, bands[x]);
    const std::string file = pictures() + "/wide.bmp";
    writeBmp(file, wide);
    services.queueOpenResult(ui::RecordingServices::chosen(QString::fromStdString(file)));
    choose(70);
    EXPECT_EQ(w.LastOpenFolder, QString::fromStdString(pictures() + "/"));
    const auto expectBands = [&] { EXPECT_EQ(drawnImage(*w.Picture3), stretched(wide, QSize(30, 60))); };
    expectBands();

    // Reload sets the program folder; a cancelled dialog loads the earlier file again and
    // takes its folder once more, for any blend item.
    w.Picture3->Cls();
    w.ImageReload_Click();
    EXPECT_EQ(w.LastOpenFolder, *Module1::ProgramFolder);
    choose(68);
    EXPECT_EQ(services.dialogs.back().request.initialFolder, *Module1::ProgramFolder);
    expectBands();
    EXPECT_EQ(w.LastOpenFolder, QString::fromStdString(pictures() + "/"));

    // A new opening of the window forgets the file.
    w.LabelButtomMenu_Click(2);
    ui::forms<Form1>().Label7_Click(24);
    choose(38);
    EXPECT_EQ(w.LastOpenFolder, "");
}

// A file that cannot be read is reported and changes nothing: the earlier selection,
// result and second picture stay, and a later cancel takes the earlier file again.
TEST_F(SecondPicture, AFileThatCannotBeReadIsReportedAndSelectsNothing) {
    FilterLibFrm& w = open(pattern(12, 8));
    const std::string good = pictures() + "/good.bmp";
    const QImage second = filled(3, 3, qRgb(10, 150, 60));
    writeBmp(good, second);
    services.queueOpenResult(ui::RecordingServices::chosen(QString::fromStdString(good)));
    choose(70);
    const QImage secondShown = stretched(second, QSize(12, 8));
    ASSERT_EQ(drawnImage(*w.Picture3), secondShown);

    const std::string elsewhere = folder.file("elsewhere");
    std::filesystem::create_directories(elsewhere);
    const std::string text = elsewhere + "/notes.bmp";
    sys::writeFile(text, std::vector<uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    const std::string missing = elsewhere + "/gone.bmp";
    const struct {
        std::string file;
        const char* reason;
    } cases[] = {{text, "is not a picture"}, {missing, "does not exist"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        choose(1);
        w.HScroll1->setValue(40);
        const picture::Picture shown = w.ImageCatalogue->Picture();
        const QImage result = drawnImage(*w.Picture2);
        const QString folderBefore = w.LastOpenFolder;
        calls().clear();
        services.msgBoxes.clear();

        services.queueOpenResult(ui::RecordingServices::chosen(QString::fromStdString(c.file)));
        choose(68);
        ASSERT_EQ(services.msgBoxes.size(), 1u);
        EXPECT_TRUE(services.msgBoxes[0].prompt.contains(QString::fromStdString(c.file)))
            << services.msgBoxes[0].prompt.toStdString();
        EXPECT_TRUE(services.msgBoxes[0].prompt.contains(c.reason)) << services.msgBoxes[0].prompt.toStdString();
        EXPECT_TRUE(calls().empty()) << "nothing applied";
        EXPECT_EQ(modFunctions::CurrentEffect, 1);
        EXPECT_EQ(w.LabelCrtEffect->Caption(), "Brightness");
        EXPECT_EQ(w.HScroll1->Value(), 40);
        EXPECT_EQ(w.HScroll1->Max(), 255);
        EXPECT_TRUE(w.ImageCatalogue->Picture() == shown);
        EXPECT_EQ(drawnImage(*w.Picture2), result);
        EXPECT_EQ(drawnImage(*w.Picture3), secondShown) << "the second picture in use stays";
        EXPECT_EQ(w.LastOpenFolder, folderBefore);
    }

    // A cancelled dialog goes on with the last picture that could be read.
    w.Picture3->Cls();
    calls().clear();
    choose(38);
    EXPECT_EQ(drawnImage(*w.Picture3), secondShown);
    EXPECT_EQ(w.LastOpenFolder, QString::fromStdString(pictures() + "/"));
    EXPECT_EQ(modFunctions::CurrentEffect, 38);
    ASSERT_FALSE(calls().empty());
    EXPECT_EQ(calls().back().function, "FxAlphaBlend");
    EXPECT_TRUE(ui::isLoaded<FilterLibFrm>());
}

}  // namespace
}  // namespace filterstest
