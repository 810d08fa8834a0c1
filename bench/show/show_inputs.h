#pragma once
// The pictures the showing benchmarks use, made once and cached in the build folder, the
// bare libjpeg-turbo decode they are measured against, and the peak-memory counter.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace showbench {

// A 4000 x 3000 4:2:0 JPEG at quality 90, made with /usr/bin/convert from a corpus photo.
const std::vector<uint8_t>& jpeg12mp();
// A 1920 x 1080 24-bit BMP of noise.
const std::vector<uint8_t>& bmp1080p();
// The path of an 8192 x 8192 24-bit BMP of 201 MB: smooth gradients under a little noise.
const std::string& bmp8192Path();
// The path of one of the large files of tests/fixtures/picture/make-oversized.py
// ("png-16000x4000-zeros.png", "tga-rle32-8192-squared-runs.tga").
std::string oversizedPath(const std::string& name);

// libjpeg-turbo's own decode into BGR rows, the reference for the loader.
std::unique_ptr<uint8_t[]> decodeJpegBare(const std::vector<uint8_t>& jpeg);

// max_rss_MB: the process's peak resident size so far.
void reportMemory(benchmark::State& state);

}  // namespace showbench
