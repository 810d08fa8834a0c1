#pragma once
// A corpus photo at any size, for the benchmark and the contact sheet: loaded by the
// platform picture loader and stretched with HALFTONE into a 32-bpp picture.

#include <string>

#include "fx_picture.h"

namespace fxtest {

// The photo at `path`, stretched to width x height; the Photo fixture stands in (with a
// note on standard error) when it does not load.
FxPicture corpusPhoto(const std::string& path, int width, int height);

}  // namespace fxtest
