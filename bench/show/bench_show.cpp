// Showing a record's picture: the platform picture loader decoding a 12-megapixel JPEG
// (4000x3000, 4:2:0, quality 90) into a bitmap picture, beside libjpeg-turbo's own decode
// of the same bytes into a plain buffer in the same BGR layout; and a 1920x1080 24-bit BMP
// beside a memcpy of its rows. Bytes processed count the decoded picture once, so the
// bytes_per_second columns compare directly (goal: the loader within 1.5x of the bare
// decode). max_rss_MB is the process's peak resident size after the benchmark's runs.
//
// The inputs are made at the first run and kept in the build folder (show_inputs.h).

#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/picture/picture.h"
#include "show_inputs.h"

namespace {

void BM_LoadPicture_Jpeg_4000x3000_to24bpp(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = showbench::jpeg12mp();
    for (auto _ : state) {
        const picture::Picture p = picture::LoadPictureFromBytes(jpeg);
        benchmark::DoNotOptimize(p.Handle());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{4000} * 3000 * 3);
    showbench::reportMemory(state);
}

void BM_Libjpeg_Jpeg_4000x3000_toBGR(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = showbench::jpeg12mp();
    for (auto _ : state) benchmark::DoNotOptimize(showbench::decodeJpegBare(jpeg).get());
    state.SetBytesProcessed(state.iterations() * int64_t{4000} * 3000 * 3);
    showbench::reportMemory(state);
}

void BM_LoadPicture_Bmp_1920x1080_24bpp(benchmark::State& state) {
    const std::vector<uint8_t>& bmp = showbench::bmp1080p();
    for (auto _ : state) {
        const picture::Picture p = picture::LoadPictureFromBytes(bmp);
        benchmark::DoNotOptimize(p.Handle());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bmp.size() - 54));
    showbench::reportMemory(state);
}

void BM_Memcpy_Bmp_1920x1080_24bpp(benchmark::State& state) {
    const std::vector<uint8_t>& bmp = showbench::bmp1080p();
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[bmp.size() - 54]);
        std::memcpy(copy.get(), bmp.data() + 54, bmp.size() - 54);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bmp.size() - 54));
    showbench::reportMemory(state);
}

}  // namespace

BENCHMARK(BM_Libjpeg_Jpeg_4000x3000_toBGR)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPicture_Jpeg_4000x3000_to24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Memcpy_Bmp_1920x1080_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPicture_Bmp_1920x1080_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
