#pragma once
// The effects library's entry points: every function the Filters window reaches by name
// through the library "FilterLib.dll" (see registry.h), with its exact parameter types.
// EFFECTS.md beside this file says what each one computes.
//
// Contract, for every function: D is the destination device context, S the source and P
// the second picture; each resolves through the gdi handle table to the bitmap selected
// into it. The output is drawn into D at D's size; S and P are only read (a source of
// another size is read with its coordinates clamped to its edges). Every call stands
// alone, is synchronous and deterministic. The last argument receives kFxOk, or one of
// the failure codes below, when nothing was drawn.
//
// A caller takes an entry point by name and casts it to the type of the declaration here:
//   auto fx = reinterpret_cast<decltype(&filterlib::FxBrightness)>(address);

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace filterlib {

using gdi::COLORREF;
using gdi::HDC;

// What a function writes into its last argument.
enum FxStatus : int32_t {
    kFxOk = 0,
    kFxNoDestination = 1,  // D has no bitmap selected (or is no device context)
    kFxNoSource = 2,       // S likewise
    kFxNoSecond = 3,       // P likewise
    kFxOutOfMemory = 4,    // a working buffer could not be had
};

// ---- point and colour effects ---------------------------------------------------------
void FxBrightness(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxContrast(HDC d, HDC s, float red, float green, float blue, int32_t& fxResult);
void FxGamma(HDC d, HDC s, float gamma, int32_t& fxResult);
void FxGrayScale(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxInvert(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxReduceColors(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxReduceTo8Colors(HDC d, HDC s, int32_t& fxResult);
void FxWebColors(HDC d, HDC s, int32_t& fxResult);
void FxStamp(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxSepia(HDC d, HDC s, int32_t& fxResult);
void FxSolarize(HDC d, HDC s, int32_t threshold, int32_t& fxResult);
void FxSaturation(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxHue(HDC d, HDC s, int32_t degrees, int32_t& fxResult);
void FxColorBalance(HDC d, HDC s, int16_t cyanRed, int16_t magentaGreen, int16_t yellowBlue,
                    int32_t& fxResult);
void FxMediumTones(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxTone(HDC d, HDC s, COLORREF color, int32_t amount, int32_t& fxResult);
void FxAmbientLight(HDC d, HDC s, COLORREF color, int32_t amount, int32_t& fxResult);
void FxBackDropRemoval(HDC d, HDC s, COLORREF color, COLORREF replacement, int32_t distance,
                       int32_t& fxResult);

// ---- neighbourhood effects -------------------------------------------------------------
void FxSharpening(HDC d, HDC s, float strength, int32_t& fxResult);
void FxAntiAlias(HDC d, HDC s, int32_t percent, int32_t& fxResult);
void FxBlur(HDC d, HDC s, int32_t& fxResult);
void FxSoftenerBlur(HDC d, HDC s, int32_t& fxResult);
void FxSmartBlur(HDC d, HDC s, int32_t threshold, int32_t& fxResult);
void FxAdvancedBlur(HDC d, HDC s, int16_t radius, int32_t quality, int32_t channels,
                    int32_t& fxResult);
void FxMotionBlur(HDC d, HDC s, double angle, int32_t length, int32_t& fxResult);
void FxFarBlur(HDC d, HDC s, int32_t radius, int32_t& fxResult);
void FxRadialBlur(HDC d, HDC s, int32_t degrees, int32_t& fxResult);
void FxZoomBlur(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxUnsharpMask(HDC d, HDC s, int32_t radius, double amount, int32_t& fxResult);
void FxEmboss(HDC d, HDC s, float depth, int32_t& fxResult);
void FxRelief(HDC d, HDC s, int32_t& fxResult);
void FxFindEdges(HDC d, HDC s, int16_t gain, int32_t kernel, int32_t& fxResult);
void FxDetectBorders(HDC d, HDC s, int32_t threshold, COLORREF edge, COLORREF rest,
                     int32_t& fxResult);
void FxNeon(HDC d, HDC s, int16_t strength, int32_t glowRadius, int32_t& fxResult);
void FxOilPaint(HDC d, HDC s, int32_t radius, int32_t levels, int32_t& fxResult);

// ---- geometric effects -----------------------------------------------------------------
void FxMosaic(HDC d, HDC s, int32_t block, int32_t& fxResult);
void FxTwirl(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxTwirlEx(HDC d, HDC s, double angle, double pinch, int32_t& fxResult);
void FxSwirl(HDC d, HDC s, int32_t degrees, int32_t& fxResult);
void FxFishEye(HDC d, HDC s, int32_t& fxResult);
void FxFishEyeEx(HDC d, HDC s, double strength, int32_t& fxResult);
void FxCylindrical(HDC d, HDC s, double strength, int32_t& fxResult);
void FxPolarCoordinates(HDC d, HDC s, int32_t direction, int32_t& fxResult);
void FxCaricature(HDC d, HDC s, int32_t& fxResult);
void FxRoll(HDC d, HDC s, int32_t& fxResult);
void FxFourCorners(HDC d, HDC s, int32_t& fxResult);
void FxMake3DEffect(HDC d, HDC s, int32_t width, int32_t& fxResult);
void FxWaves(HDC d, HDC s, int32_t amplitudeX, int32_t amplitudeY, uint8_t wavelength, int32_t axes,
             int32_t& fxResult);
void FxBlockWaves(HDC d, HDC s, int16_t amplitude, int16_t band, int32_t axes, int32_t& fxResult);
void FxCircularWaves(HDC d, HDC s, int16_t amplitude, int16_t period, int32_t& fxResult);
void FxCircularWavesEx(HDC d, HDC s, int16_t period, int16_t amplitude, int32_t& fxResult);
void FxTile(HDC d, HDC s, int32_t tileWidth, int32_t tileHeight, int32_t maxOffset,
            int32_t& fxResult);
void FxFragment(HDC d, HDC s, int32_t distance, int32_t& fxResult);
void FxShift(HDC d, HDC s, int32_t maxShift, int32_t& fxResult);

// ---- stochastic, texture and blend effects ---------------------------------------------
void FxColorRandomize(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxRandomPoints(HDC d, HDC s, int32_t density, COLORREF color, int32_t& fxResult);
void FxDiffuse(HDC d, HDC s, int32_t& fxResult);
void FxMelt(HDC d, HDC s, int32_t& fxResult);
void FxFrostGlass(HDC d, HDC s, int32_t distance, int32_t& fxResult);
void FxRainDrops(HDC d, HDC s, int32_t count, int32_t size, int32_t strength, int32_t& fxResult);
void FxFog(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxRock(HDC d, HDC s, int32_t strength, int32_t& fxResult);
void FxCanvas(HDC d, HDC s, int32_t amount, int32_t& fxResult);
void FxNotePaper(HDC d, HDC s, int32_t threshold, int32_t relief, int32_t grain, int32_t light,
                 COLORREF ink, COLORREF paper, int32_t& fxResult);
void FxMetallic(HDC d, HDC s, int32_t cycles, int32_t amount, int32_t tint, int32_t& fxResult);
void FxAlphaBlend(HDC d, HDC p, HDC s, int32_t amount, int32_t& fxResult);
void FxBlendMode(HDC d, HDC p, HDC s, int32_t mode, int32_t& fxResult);
void FxGlassBlendMode(HDC d, HDC p, HDC s, double strength, int32_t radius, int32_t& fxResult);

}  // namespace filterlib
