#include "filters/effect_menu.h"

#include <algorithm>
#include <array>

namespace filters {

namespace {

constexpr std::array<EffectSubmenu, 9> kSubmenus = {{
    {"Color Adjustment", "mnu1"},
    {"Blur", "mnu2"},
    {"Tones", "mnu3"},
    {"Distortion", "mnu4"},
    {"Waves", "mnuW"},
    {"Borders", "mnu5"},
    {"Blend Modes", "mnuBlend"},
    {"Metallic Effects", "mnuMetal"},
    {"Other Effects", "mnu6"},
}};

// number, submenu, item caption, item name, label caption, picker, second picture
constexpr std::array<EffectMenuItem, 70> kItems = {{
    {1, 0, "Brightness", "mnuBrightness", "Brightness", false, false},
    {2, 0, "Contrast", "mnuContrast", "Contrast", false, false},
    {3, 0, "Sharpening", "mnuSharpness", "Sharpen", false, false},
    {5, 0, "Gamma Adjust", "mnuGamma", "Gamma", false, false},
    {8, 0, "Reduce Colors", "mnuReduceColors", "Reduce Colors", false, false},
    {9, 0, "Reduce to 8 colors", "mnuEightColors", "8 colors", false, false},
    {24, 0, "Shift Effect", "mnuShift", "Shift", false, false},
    {35, 0, "Saturation", "mnuSaturation", "Saturation", false, false},
    {37, 0, "Hue Adjust", "mnuHue", "Hue", false, false},
    {48, 0, "Color Balance", "mnuColBalance", "Color Balance", false, false},
    {53, 0, "WebColors Mode", "mnuWebColors", "Web Colors", false, false},
    {55, 0, "Medium Tones", "mnuMediumTones", "Medium Tones", false, false},
    {4, 1, "AntiAlias", "mnuAlias", "AntiAlias", false, false},
    {33, 1, "Blur", "mnuBlur", "Blur", false, false},
    {44, 1, "SmartBlur", "mnuSmartBlur", "Smart Blur", false, false},
    {45, 1, "More Blur", "mnuMoreBlur", "More Blur", false, false},
    {46, 1, "Softener Blur", "mnuSoftenerBlur", "Softener Blur", false, false},
    {47, 1, "Motion Blur", "mnuMotionBlur", "Motion Blur", false, false},
    {50, 1, "Far Blur", "mnuFarBlur", "Far Blur", false, false},
    {51, 1, "Radial Blur", "mnuRadialBlur", "Radial Blur", false, false},
    {52, 1, "Zoom Blur", "mnuZoomBlur", "Zoom Blur", false, false},
    {65, 1, "Unsharp Mask", "mnuUnsharpMask", "Unsharp Mask", false, false},
    {6, 2, "Gray Tones", "mnuGrayScale", "Gray Scale", false, false},
    {11, 2, "Sepia Effect", "mnuSepia", "Sepia Effect", false, false},
    {15, 2, "Ambient Light", "mnuAmbient", "Ambient Light", true, false},
    {16, 2, "Tone Adjust", "mnuTone", "Tone", true, false},
    {12, 3, "Mosaic", "mnuMosaic", "Mosaic", false, false},
    {18, 3, "Diffuse", "mnuDiffuse", "Diffuse", false, false},
    {19, 3, "Rock Effect", "mnuRock", "Rock", false, false},
    {21, 3, "Noise", "mnuNoise", "Noise", false, false},
    {25, 3, "Melt", "mnuMelt", "Melt", false, false},
    {26, 3, "Fish Eye", "mnuFishEye", "FishEye", false, false},
    {62, 3, "Fish Eye Ex", "mnuFishEyeEx", "FishEye Ex", false, false},
    {27, 3, "Twirl", "mnuTwirl", "Twirl", false, false},
    {69, 3, "TwirlEx", "mnuTwirlEx", "Twirl Ex", false, false},
    {28, 3, "Swirl", "mnuSwirl", "Swirl", false, false},
    {39, 3, "Make 3D", "mnu3D", "3D", false, false},
    {40, 3, "Four Corners", "mnu4Corners", "4 Corners", false, false},
    {41, 3, "Caricature", "mnuCaricature", "Caricature", false, false},
    {43, 3, "Enroll", "mnuRoll", "Roll", false, false},
    {58, 3, "Polar Coordinates", "mnuPolar", "Polar Coordinates", false, false},
    {64, 3, "Cylindrical", "mnuCylindrical", "Cylindrical", false, false},
    {31, 4, "Waves", "mnuWave", "Waves", false, false},
    {66, 4, "Block Waves", "mnuBlockWaves", "Block Waves", false, false},
    {56, 4, "Circular Waves", "mnuCircularWaves", "Circular Waves", false, false},
    {57, 4, "Circular Waves Enhanced", "mnuCircularWavesEx", "Circular Waves Ex", false, false},
    {20, 5, "Emboss", "mnuEmbEng", "Emboss / Engrave", false, false},
    {29, 5, "Neon", "mnuNeon", "Neon", false, false},
    {32, 5, "Detect Borders", "mnuBorders", "Detect Borders", true, false},
    {36, 5, "Find Edges", "mnuFindEdges", "Find Edges", false, false},
    {61, 5, "Note Paper", "mnuNotePaper", "Note Paper", true, false},
    {38, 6, "AlphaBlend", "mnuAlphaBlend", "Alpha Blend", false, true},
    {68, 6, "Blend Modes", "mnuBlendModes", "Blend Modes", false, true},
    {70, 6, "Glass Blend Mode", "mnuGlassBlendMode", "Glass Blend Mode", false, true},
    {71, 7, "Metallic", "mnuMetallic", "Metallic", false, false},
    {72, 7, "Gold", "mnuGold", "Gold", false, false},
    {73, 7, "Ice", "mnuIce", "Ice", false, false},
    {7, 8, "Inversion Adjust", "mnuInversion", "Inversion", false, false},
    {10, 8, "Monochrome", "mnuMono", "Monochrome", false, false},
    {13, 8, "Replace Color", "mnuBackN", "Replace Colors", true, false},
    {22, 8, "Random Points", "mnuRandomPoints", "Random Points", true, false},
    {23, 8, "Solarize", "mnuSol", "Solarize", false, false},
    {30, 8, "Canvas Adjust", "mnuCanvas", "Canvas", false, false},
    {34, 8, "Relief", "mnuRelief", "Relief", false, false},
    {42, 8, "Tile Effect", "mnuTile", "Tile", false, false},
    {49, 8, "Fragment", "mnuFragment", "Fragment", false, false},
    {54, 8, "Fog Effect", "mnuFog", "Fog Effect", false, false},
    {59, 8, "Oil Paint", "mnuOilPaint", "OilPaint", false, false},
    {60, 8, "Frost Glass", "mnuFrostGlass", "Frost Glass", false, false},
    {63, 8, "Rain Drop", "mnuRainDrop", "Rain Drop", false, false},
}};

}  // namespace

std::span<const EffectSubmenu> effectSubmenus() { return kSubmenus; }

std::span<const EffectMenuItem> effectMenuItems() { return kItems; }

const EffectMenuItem* effectMenuItem(int number) {
    const auto it = std::find_if(kItems.begin(), kItems.end(),
                                 [number](const EffectMenuItem& item) { return item.number == number; });
    return it == kItems.end() ? nullptr : &*it;
}

}  // namespace filters
