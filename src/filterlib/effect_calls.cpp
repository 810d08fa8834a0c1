#include "filterlib/effect_calls.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace filterlib {

namespace {

template <class Function>
Function as(void* address) {
    return reinterpret_cast<Function>(address);
}

// x computed in 64-bit floating point, passed as the nearest 32-bit float.
float f32(double x) { return static_cast<float>(x); }
// The nearest whole number, halves to even.
int32_t nearest(double x) { return static_cast<int32_t>(std::lrint(x)); }

std::optional<uint8_t> asByte(int32_t v) {
    if (v < 0 || v > 255) return std::nullopt;
    return static_cast<uint8_t>(v);
}

std::optional<int16_t> asInt16(int32_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(v);
}

}  // namespace

const std::vector<EffectCall>& effectCalls() {
    static const std::vector<EffectCall> calls = {
        {1, "FxBrightness", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxBrightness)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {2, "FxContrast", false, 0, 255, 100, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxContrast)>(f)(p.d, p.s, f32(v / 100.0), f32(v / 100.0), f32(v / 100.0), r);
             return true;
         }},
        {3, "FxSharpening", false, 0, 60, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxSharpening)>(f)(p.d, p.s, f32(v / 100.0), r);
             return true;
         }},
        {4, "FxAntiAlias", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxAntiAlias)>(f)(p.d, p.s, 50, r);
             return true;
         }},
        {5, "FxGamma", false, 0, 255, 25, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxGamma)>(f)(p.d, p.s, f32(v / 25.0), r);
             return true;
         }},
        {6, "FxGrayScale", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxGrayScale)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {7, "FxInvert", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxInvert)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {8, "FxReduceColors", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxReduceColors)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {9, "FxReduceTo8Colors", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxReduceTo8Colors)>(f)(p.d, p.s, r);
             return true;
         }},
        {10, "FxStamp", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxStamp)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {11, "FxSepia", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxSepia)>(f)(p.d, p.s, r);
             return true;
         }},
        {12, "FxMosaic", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxMosaic)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {13, "FxBackDropRemoval", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF c, int32_t& r) {
             as<decltype(&FxBackDropRemoval)>(f)(p.d, p.s, c, ~c, v, r);
             return true;
         }},
        {15, "FxAmbientLight", false, 0, 255, 255, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF c, int32_t& r) {
             as<decltype(&FxAmbientLight)>(f)(p.d, p.s, c, v, r);
             return true;
         }},
        {16, "FxTone", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF c, int32_t& r) {
             as<decltype(&FxTone)>(f)(p.d, p.s, c, v, r);
             return true;
         }},
        {18, "FxDiffuse", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxDiffuse)>(f)(p.d, p.s, r);
             return true;
         }},
        {19, "FxRock", false, 0, 6, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxRock)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {20, "FxEmboss", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxEmboss)>(f)(p.d, p.s, f32(v / 100.0), r);
             return true;
         }},
        {21, "FxColorRandomize", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxColorRandomize)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {22, "FxRandomPoints", false, 2, 102, 2, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF c, int32_t& r) {
             as<decltype(&FxRandomPoints)>(f)(p.d, p.s, v, c, r);
             return true;
         }},
        {23, "FxSolarize", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxSolarize)>(f)(p.d, p.s, 0, r);
             return true;
         }},
        {24, "FxShift", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxShift)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {25, "FxMelt", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxMelt)>(f)(p.d, p.s, r);
             return true;
         }},
        {26, "FxFishEye", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxFishEye)>(f)(p.d, p.s, r);
             return true;
         }},
        {27, "FxTwirl", false, -100, 100, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxTwirl)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {28, "FxSwirl", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxSwirl)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {29, "FxNeon", false, 0, 5, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxNeon)>(f)(p.d, p.s, int16_t(v), 2, r);
             return true;
         }},
        {30, "FxCanvas", false, 0, 0, 0, true,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxCanvas)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {31, "FxWaves", false, 0, 20, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             const std::optional<uint8_t> v8 = asByte(v);
             if (!v8) return false;
             as<decltype(&FxWaves)>(f)(p.d, p.s, v, v, *v8, -1, r);
             return true;
         }},
        {32, "FxDetectBorders", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF c, int32_t& r) {
             as<decltype(&FxDetectBorders)>(f)(p.d, p.s, v, c, ~c, r);
             return true;
         }},
        {33, "FxBlur", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxBlur)>(f)(p.d, p.s, r);
             return true;
         }},
        {34, "FxRelief", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxRelief)>(f)(p.d, p.s, r);
             return true;
         }},
        {35, "FxSaturation", false, -255, 512, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxSaturation)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {36, "FxFindEdges", false, 0, 5, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxFindEdges)>(f)(p.d, p.s, int16_t(v), 2, r);
             return true;
         }},
        {37, "FxHue", false, 0, 350, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxHue)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {38, "FxAlphaBlend", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxAlphaBlend)>(f)(p.d, p.p, p.s, v, r);
             return true;
         }},
        {39, "FxMake3DEffect", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxMake3DEffect)>(f)(p.d, p.s, 6, r);
             return true;
         }},
        {40, "FxFourCorners", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxFourCorners)>(f)(p.d, p.s, r);
             return true;
         }},
        {41, "FxCaricature", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxCaricature)>(f)(p.d, p.s, r);
             return true;
         }},
        {42, "FxTile", false, 0, 100, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxTile)>(f)(p.d, p.s, v, v, 6, r);
             return true;
         }},
        {43, "FxRoll", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxRoll)>(f)(p.d, p.s, r);
             return true;
         }},
        {44, "FxSmartBlur", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxSmartBlur)>(f)(p.d, p.s, 20, r);
             return true;
         }},
        {45, "FxAdvancedBlur", false, 0, 10, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxAdvancedBlur)>(f)(p.d, p.s, int16_t(v), 25, -1, r);
             return true;
         }},
        {46, "FxSoftenerBlur", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxSoftenerBlur)>(f)(p.d, p.s, r);
             return true;
         }},
        {47, "FxMotionBlur", false, 0, 360, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxMotionBlur)>(f)(p.d, p.s, double(v), 15, r);
             return true;
         }},
        {48, "FxColorBalance", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxColorBalance)>(f)(p.d, p.s, int16_t(0), int16_t(0), int16_t(v), r);
             return true;
         }},
        {49, "FxFragment", false, 0, 50, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxFragment)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {50, "FxFarBlur", false, 0, 50, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxFarBlur)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {51, "FxRadialBlur", false, 0, 30, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxRadialBlur)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {52, "FxZoomBlur", false, 0, 200, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxZoomBlur)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {53, "FxWebColors", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxWebColors)>(f)(p.d, p.s, r);
             return true;
         }},
        {54, "FxFog", false, 0, 127, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxFog)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {55, "FxMediumTones", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxMediumTones)>(f)(p.d, p.s, v, r);
             return true;
         }},
        {56, "FxCircularWaves", false, 0, 20, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxCircularWaves)>(f)(p.d, p.s, int16_t(v), int16_t(v), r);
             return true;
         }},
        {57, "FxCircularWavesEx", false, 0, 20, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             const std::optional<int16_t> times4 = asInt16(4 * int32_t(v));
             if (!times4) return false;
             as<decltype(&FxCircularWavesEx)>(f)(p.d, p.s, *times4, int16_t(v), r);
             return true;
         }},
        {58, "FxPolarCoordinates", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxPolarCoordinates)>(f)(p.d, p.s, 0, r);
             return true;
         }},
        {59, "FxOilPaint", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxOilPaint)>(f)(p.d, p.s, nearest(v / 50.0), v, r);
             return true;
         }},
        {60, "FxFrostGlass", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxFrostGlass)>(f)(p.d, p.s, 3, r);
             return true;
         }},
        {61, "FxNotePaper", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF c, int32_t& r) {
             as<decltype(&FxNotePaper)>(f)(p.d, p.s, v, 2, 20, 1, c, ~c, r);
             return true;
         }},
        {62, "FxFishEyeEx", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxFishEyeEx)>(f)(p.d, p.s, double(v), r);
             return true;
         }},
        {63, "FxRainDrops", true, 0, 0, 0, false,
         [](void* f, const CallPictures& p, int16_t, COLORREF, int32_t& r) {
             as<decltype(&FxRainDrops)>(f)(p.d, p.s, 40, 50, 40, r);
             return true;
         }},
        {64, "FxCylindrical", false, -30, 30, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxCylindrical)>(f)(p.d, p.s, double(v), r);
             return true;
         }},
        {65, "FxUnsharpMask", false, 0, 10, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxUnsharpMask)>(f)(p.d, p.s, 2, v / 2.0, r);
             return true;
         }},
        {66, "FxBlockWaves", false, 0, 20, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxBlockWaves)>(f)(p.d, p.s, int16_t(v), int16_t(nearest(v / 2.0)), 1, r);
             return true;
         }},
        {68, "FxBlendMode", false, 0, 24, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxBlendMode)>(f)(p.d, p.p, p.s, v, r);
             return true;
         }},
        {69, "FxTwirlEx", false, -100, 100, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             const std::optional<int16_t> negated = asInt16(-int32_t(v));
             if (!negated) return false;
             as<decltype(&FxTwirlEx)>(f)(p.d, p.s, double(*negated), double(v), r);
             return true;
         }},
        {70, "FxGlassBlendMode", false, -255, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxGlassBlendMode)>(f)(p.d, p.p, p.s, v / 200.0, 3, r);
             return true;
         }},
        {71, "FxMetallic", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxMetallic)>(f)(p.d, p.s, 4, v, 1, r);
             return true;
         }},
        {72, "FxMetallic", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxMetallic)>(f)(p.d, p.s, 4, v, 2, r);
             return true;
         }},
        {73, "FxMetallic", false, 0, 255, 0, false,
         [](void* f, const CallPictures& p, int16_t v, COLORREF, int32_t& r) {
             as<decltype(&FxMetallic)>(f)(p.d, p.s, 4, v, 3, r);
             return true;
         }},
    };
    return calls;
}

const EffectCall* effectCall(int number) {
    const auto& calls = effectCalls();
    const auto it = std::find_if(calls.begin(), calls.end(),
                                 [number](const EffectCall& c) { return c.number == number; });
    return it == calls.end() ? nullptr : &*it;
}

}  // namespace filterlib
