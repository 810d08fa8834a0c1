#pragma once
// The reference tools as oracles: Pillow and OpenCV in Debian's python3 (through
// reference/reference.py), ImageMagick as /usr/bin/convert and GEGL as /usr/bin/gegl.
// Each runs one named operation on a picture written to a file; its output is read back
// as an 8-bit RGB picture of the input's size.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fx_picture.h"

namespace fxtest {

enum class Tool { Pillow, OpenCV, Magick, Gegl };
const char* toolName(Tool tool);
// Empty when the tool can run here, else why not (the package that brings it).
std::string toolMissing(Tool tool);

// The operation as each tool takes it: a Python expression for Pillow (over `img`, and
// `img2` for a second picture) and OpenCV (over `a`, and `b`); the arguments between input
// and output for convert; the operation chain after "--" for gegl (each operation with its
// name=value properties). In the last two, {second} stands for the second picture's file.
struct Operation {
    Tool tool;
    std::string text;
};

// The reference's output for `input`; nothing when the tool failed (the reason in *error).
// A larger output is cut to the input's size about its centre.
std::optional<Rgb> runReference(const Operation& operation, const FxPicture& input, const FxPicture* second,
                                std::string* error);

// The command that times the operation on a picture file already written (see
// bench/filterlib): milliseconds per run, without reading and writing files where the
// tool allows it. On one thread, or (OpenCV only) on the threads OpenCV takes by itself.
std::optional<double> timeReference(const Operation& operation, const std::string& inputPpm,
                                    const std::string& secondPpm, int repeats, bool allThreads = false);

// How close two pictures of one size are: the largest difference of one channel value,
// and the mean of all channels' differences.
struct Difference {
    int largest = 0;
    double mean = 0;
};
Difference differenceOf(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace fxtest
