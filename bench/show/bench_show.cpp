// Showing a record's picture: the platform picture loader decoding a 12-megapixel JPEG
// (4000x3000, 4:2:0, quality 90) into a bitmap picture, beside libjpeg-turbo's own decode
// of the same bytes into a plain buffer in the same BGR layout; and a 1920x1080 24-bit BMP
// beside a memcpy of its rows. Bytes processed count the decoded picture once, so the
// bytes_per_second columns compare directly (goal: the loader within 1.5x of the bare
// decode). max_rss_MB is the process's peak resident size after the benchmark's runs.
//
// The JPEG is made at the first run with /usr/bin/convert from a corpus photo scaled up,
// and kept in the build folder.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/picture/picture.h"

// Last: jpeglib.h defines TRUE and FALSE, which gdi.h declares as constants.
#include <jpeglib.h>

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<uint8_t>& jpeg12mp() {
    static const std::vector<uint8_t> bytes = [] {
        const std::string path = std::string(QM_BENCH_CACHE_DIR) + "/show-4000x3000.jpg";
        if (!std::filesystem::exists(path)) {
            std::filesystem::create_directories(QM_BENCH_CACHE_DIR);
            const std::string command = "/usr/bin/convert '" + std::string(QM_CORPORA_DIR) +
                                        "/photos/IMG0003.png' -resize '4000x3000!' -quality 90 "
                                        "-sampling-factor 2x2 '" + path + "'";
            if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot make %s\n", path.c_str());
        }
        return readAll(path);
    }();
    return bytes;
}

const std::vector<uint8_t>& bmp1080p() {
    static const std::vector<uint8_t> bytes = [] {
        constexpr int w = 1920, h = 1080, stride = w * 3;
        std::vector<uint8_t> b(54 + size_t(stride) * h);
        auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); };
        b[0] = 'B', b[1] = 'M';
        put32(2, uint32_t(b.size())), put32(10, 54), put32(14, 40), put32(18, w), put32(22, h);
        b[26] = 1, b[28] = 24;
        uint32_t state = 1;
        for (size_t i = 54; i < b.size(); ++i) b[i] = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
        return b;
    }();
    return bytes;
}

void reportMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["max_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

struct JpegError {
    jpeg_error_mgr pub;
};
void jpegFail(j_common_ptr) { std::abort(); }

void BM_LoadPicture_Jpeg_4000x3000_to24bpp(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = jpeg12mp();
    for (auto _ : state) {
        const picture::Picture p = picture::LoadPictureFromBytes(jpeg);
        benchmark::DoNotOptimize(p.Handle());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{4000} * 3000 * 3);
    reportMemory(state);
}

void BM_Libjpeg_Jpeg_4000x3000_toBGR(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = jpeg12mp();
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        JpegError error{};
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = jpegFail;
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const size_t stride = (size_t(cinfo.output_width) * 3 + 3) / 4 * 4;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{4000} * 3000 * 3);
    reportMemory(state);
}

void BM_LoadPicture_Bmp_1920x1080_24bpp(benchmark::State& state) {
    const std::vector<uint8_t>& bmp = bmp1080p();
    for (auto _ : state) {
        const picture::Picture p = picture::LoadPictureFromBytes(bmp);
        benchmark::DoNotOptimize(p.Handle());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bmp.size() - 54));
    reportMemory(state);
}

void BM_Memcpy_Bmp_1920x1080_24bpp(benchmark::State& state) {
    const std::vector<uint8_t>& bmp = bmp1080p();
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[bmp.size() - 54]);
        std::memcpy(copy.get(), bmp.data() + 54, bmp.size() - 54);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bmp.size() - 54));
    reportMemory(state);
}

}  // namespace

BENCHMARK(BM_Libjpeg_Jpeg_4000x3000_toBGR)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPicture_Jpeg_4000x3000_to24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Memcpy_Bmp_1920x1080_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPicture_Bmp_1920x1080_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();
