#pragma once
// PngScanlineFilters: the PNG writer's scan lines, each row preceded by its filter type
// byte under PNG filter method 0 (None, Sub, Up, Average, Paeth).
//
// The filter choice (PngFilterChoice) puts one filter on every row or chooses per row:
// the adaptive choice scores each candidate with the sum of |x - predictor| over the raw
// bytes (not the filtered ones), drops a candidate as soon as its sum passes the best so
// far, and lets a later candidate win a tie, so a row that repeats the row above goes to
// Paeth. On the first row only None and Sub are candidates. No candidate filters bytes
// while it is scored; only the winner writes the row.

#include <cstddef>
#include <cstdint>

#include "codecs/LargeBuffer.h"

namespace codecs {

enum PngFilterChoice : int32_t {
    PngFilterChoiceDefault = 0,  // None for greyscale and indexed, Paeth for truecolour
    PngFilterChoiceNone = 1,
    PngFilterChoiceSub = 2,
    PngFilterChoiceUp = 3,
    PngFilterChoiceAverage = 4,
    PngFilterChoicePaeth = 5,
    PngFilterChoiceAdaptive = 6,
};

// The PNG standard's predictor, ties going to a, then b.
int16_t PngWriterPaethPredictor(int16_t a, int16_t b, int16_t c);

// The choice in force for a colour type: a value outside 0..6 counts as 0, and 0 becomes
// None (colour types 0 and 3) or Paeth (2 and 6).
int32_t PngEffectiveFilterChoice(int32_t choice, int32_t colourType);

// The scan lines of `height` rows of rowBytes samples (top row first, bytesPerPixel bytes
// a pixel) under an effective choice: height x (1 + rowBytes) bytes. Raises
// std::bad_alloc when the memory cannot be had.
LargeBuffer PngFilterScanlines(const uint8_t* samples, size_t rowBytes, size_t height, int bytesPerPixel,
                               int32_t effectiveChoice);

}  // namespace codecs
