#pragma once
// The picture-format control: turns a bitmap file into a JPEG file at a given quality.
// The windows call it to store pasted pictures compressed and to export JPEG files.

#include <string>

namespace picconvert {

// Reads the bitmap (any BMP the platform picture loader reads) and writes it as a
// baseline JPEG of the given quality (1..100) to jpegPath, replacing any file there only
// once the JPEG is complete. Raises runtime::Error when the bitmap cannot be read
// (481 invalid picture, or the file's error) or the JPEG cannot be written.
void SaveBmpToJpeg(const std::string& bitmapPath, const std::string& jpegPath, int quality);

}  // namespace picconvert
