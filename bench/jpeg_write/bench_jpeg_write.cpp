// cJPGWriter::SaveAsJPG encoding a 12-megapixel (4000 x 3000) photo-like picture into a byte
// array, beside libjpeg-turbo encoding the same pixels in the same run: 4:4:4, the same
// quality (its own integer-rounded tables), optimize_coding on, with its float DCT and with
// its default (integer) DCT, reading the picture's BGRX rows in place, output in memory.
//   jpeg_write_4000x3000_bgra8_q<Q>/quillmere
//   jpeg_write_4000x3000_bgra8_q<Q>/libjpeg_float
//   jpeg_write_4000x3000_bgra8_q<Q>/libjpeg_islow
// items_per_second counts pixels; the counter "bytes" is the file's size. The picture is
// four corpus photos scaled up bilinearly to 2000 x 1500 each, side by side.
//
// Goal: at least 30 megapixels per second.
//
// Figures (Release, a shared 8-core virtual machine under a load of 7 to 11; medians of 5
// runs; megapixels per second, file size in brackets):
//   quality  quillmere        libjpeg float     libjpeg islow     ratio to float / islow
//   50       96   (571 KB)    17.2 (580 KB)     25.5 (582 KB)     5.6 / 3.8
//   75       98   (892 KB)    23.9 (930 KB)     22.4 (937 KB)     4.1 / 4.4
//   90       92   (1.61 MB)   21.3 (1.78 MB)    22.7 (1.81 MB)    4.3 / 4.1
//   100      70   (5.60 MB)   16.4 (6.57 MB)    11.1 (7.16 MB)    4.3 / 6.3
// Most of libjpeg-turbo's time there is the first touch of its whole-image coefficient
// buffer (optimize_coding keeps one, as we do) in 4 KB pages, which faults expensively on
// this machine; our planes ask for huge pages (codecs/LargeBuffer). Run with
// GLIBC_TUNABLES=glibc.malloc.hugetlb=1, which gives libjpeg-turbo's buffers huge pages
// too, its SIMD code is ahead below quality 100:
//   50       98               133               148               0.74 / 0.66
//   75       95               121               131               0.78 / 0.72
//   90       87               98                103               0.88 / 0.84
//   100      65               49                48                1.33 / 1.34
// The files are smaller than libjpeg-turbo's at the same quality: the samples stay 32-bit
// floats into the transform where libjpeg-turbo rounds them to bytes first.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "codecs/cJPGWriter.h"
#include "image/cImage32.h"
#include "photo_picture.h"

// Last: jpeglib.h defines TRUE and FALSE, which gdi.h declares as constants.
#include <jpeglib.h>

namespace {

using benchsupport::kPhotoHeight;
using benchsupport::kPhotoPixels;
using benchsupport::kPhotoWidth;

void quillmere(benchmark::State& state, int quality) {
    const cImage32& image = benchsupport::photoPicture();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (!codecs::cJPGWriter().SaveAsJPG("", out, &image, uint8_t(quality), 0))
            state.SkipWithError("save failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kPhotoPixels);
    state.counters["bytes"] = double(out.size());
}

void libjpeg(benchmark::State& state, int quality, J_DCT_METHOD method) {
    const cImage32& image = benchsupport::photoPicture();
    std::vector<JSAMPROW> rows(kPhotoHeight);
    for (int y = 0; y < kPhotoHeight; ++y)
        rows[size_t(y)] = image.BitsPointer() + size_t(kPhotoHeight - 1 - y) * kPhotoWidth * 4;
    unsigned long size = 0;
    for (auto _ : state) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr error{};
        cinfo.err = jpeg_std_error(&error);
        jpeg_create_compress(&cinfo);
        unsigned char* buffer = nullptr;
        size = 0;
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = kPhotoWidth;
        cinfo.image_height = kPhotoHeight;
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE);
        for (int c = 0; c < cinfo.num_components; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
        cinfo.optimize_coding = TRUE;
        cinfo.dct_method = method;
        jpeg_start_compress(&cinfo, TRUE);
        jpeg_write_scanlines(&cinfo, rows.data(), kPhotoHeight);
        jpeg_finish_compress(&cinfo);
        benchmark::DoNotOptimize(buffer);
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    state.SetItemsProcessed(state.iterations() * kPhotoPixels);
    state.counters["bytes"] = double(size);
}

}  // namespace

int main(int argc, char** argv) {
    for (int quality : {50, 75, 90, 100}) {
        const std::string name = "jpeg_write_4000x3000_bgra8_q" + std::to_string(quality);
        benchmark::RegisterBenchmark((name + "/quillmere").c_str(), quillmere, quality)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/libjpeg_float").c_str(), libjpeg, quality, JDCT_FLOAT)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/libjpeg_islow").c_str(), libjpeg, quality, JDCT_ISLOW)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
