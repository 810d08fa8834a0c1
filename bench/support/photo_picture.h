#pragma once
// A 12-megapixel (4000 x 3000) photo-like picture for the encoder benchmarks: four corpus
// photos scaled up bilinearly to 2000 x 1500 each, side by side, opaque. Made once per
// program; the program ends with a message when the corpus photos cannot be read.

#include <cstdint>

class cImage32;

namespace benchsupport {

constexpr int kPhotoWidth = 4000, kPhotoHeight = 3000;
constexpr int64_t kPhotoPixels = int64_t{kPhotoWidth} * kPhotoHeight;

const cImage32& photoPicture();

// A 12-megapixel smooth field with noise (the save dialog benchmark's picture): each channel
// a gradient plus one random 0..15 per pixel (std::mt19937 seeded 7, rows from the top),
// opaque. Made once per program.
const cImage32& noisyFieldPicture();

}  // namespace benchsupport
