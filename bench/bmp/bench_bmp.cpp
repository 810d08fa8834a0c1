// Saving a 12-megapixel (4000 x 3000) opaque image with SaveToFile_Bitmap as a 24-bit BMP
// file, beside a bare write of the same 36,000,054 bytes from memory, in the same run.
// Both go the same way to disk: a temporary file, fsync, rename over the target and a
// flush of the folder (sys::writeFile is the bare write), so they compare like with like.
// Goal: the save within 2x of the bare write. bytes_per_second counts the file's bytes.
//
// The in-memory pair (SaveToStream_Bitmap beside a memcpy of the file's bytes) shows what
// the conversion itself costs; the composite case saves an image with transparency over
// a fill colour.

#include <filesystem>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "image/cImage32.h"
#include "platform/sys/files.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
constexpr int64_t kFileBytes = 54 + int64_t{kWidth} * 3 * kHeight;

std::string folder() {
    static const std::string path = [] {
        const std::string p = std::string(QM_BENCH_DATA) + "/bmp";
        std::filesystem::create_directories(p);
        return p;
    }();
    return path;
}

// A photo-like opaque image (noise over gradients), or with alpha: premultiplied pixels
// of every alpha.
cImage32& image(bool withAlpha) {
    static cImage32 images[2];
    cImage32& im = images[withAlpha];
    if (!im.Handle()) {
        im.InitializeDIB(kWidth, kHeight);
        std::mt19937 random(7);
        uint8_t* p = im.BitsPointer();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x, p += 4) {
                const unsigned a = withAlpha ? (x + y) % 256 : 255;
                p[0] = uint8_t((x / 16 + random() % 8) % 256 * a / 255);
                p[1] = uint8_t((y / 12 + random() % 8) % 256 * a / 255);
                p[2] = uint8_t(((x + y) / 28 + random() % 8) % 256 * a / 255);
                p[3] = uint8_t(a);
            }
        im.Alpha(withAlpha ? cImage32::AlphaPartial : cImage32::AlphaOpaque);
    }
    return im;
}

const std::vector<uint8_t>& fileBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b;
        image(false).SaveToStream_Bitmap(b);
        return b;
    }();
    return bytes;
}

void BM_SaveToFile_Bitmap_4000x3000_24bpp(benchmark::State& state) {
    const cImage32& im = image(false);
    const std::string target = folder() + "/saved.bmp";
    for (auto _ : state)
        if (!im.SaveToFile_Bitmap(target)) state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void BM_BareWrite_4000x3000_24bppBytes(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = fileBytes();
    const std::string target = folder() + "/bare.bmp";
    for (auto _ : state) sys::writeFile(target, bytes);
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void BM_SaveToFile_Bitmap_4000x3000_24bpp_overFill(benchmark::State& state) {
    const cImage32& im = image(true);
    const std::string target = folder() + "/composited.bmp";
    for (auto _ : state)
        if (!im.SaveToFile_Bitmap(target, false, 0xFFFFFF)) state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void BM_SaveToStream_Bitmap_4000x3000_24bpp(benchmark::State& state) {
    const cImage32& im = image(false);
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        im.SaveToStream_Bitmap(bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void BM_Memcpy_4000x3000_24bppBytes(benchmark::State& state) {
    const std::vector<uint8_t>& source = fileBytes();
    for (auto _ : state) {
        std::vector<uint8_t> bytes(source);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

BENCHMARK(BM_SaveToFile_Bitmap_4000x3000_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareWrite_4000x3000_24bppBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveToFile_Bitmap_4000x3000_24bpp_overFill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveToStream_Bitmap_4000x3000_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Memcpy_4000x3000_24bppBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
