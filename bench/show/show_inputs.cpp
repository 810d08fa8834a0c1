#include "show_inputs.h"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <jpeglib.h>

namespace showbench {

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct JpegError {
    jpeg_error_mgr pub;
};
void jpegFail(j_common_ptr) { std::abort(); }

// The 54-byte file and info header of a bottom-up 24-bit BMP; imageSize may be 0, as it
// may for uncompressed rows.
std::array<uint8_t, 54> bmp24Header(uint32_t width, uint32_t height, uint32_t imageSize) {
    std::array<uint8_t, 54> h{};
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) h[at + i] = uint8_t(v >> (8 * i)); };
    const uint32_t pixelBytes = (width * 3 + 3) / 4 * 4 * height;
    h[0] = 'B', h[1] = 'M';
    put32(2, 54 + pixelBytes), put32(10, 54), put32(14, 40), put32(18, width), put32(22, height);
    h[26] = 1, h[28] = 24;
    put32(34, imageSize);
    return h;
}

}  // namespace

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
        const auto header = bmp24Header(w, h, 0);
        std::copy(header.begin(), header.end(), b.begin());
        uint32_t state = 1;
        for (size_t i = 54; i < b.size(); ++i) b[i] = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
        return b;
    }();
    return bytes;
}

const std::string& bmp8192Path() {
    static const std::string path = [] {
        const std::string file = std::string(QM_BENCH_CACHE_DIR) + "/show-8192x8192-24bpp.bmp";
        if (std::filesystem::exists(file)) return file;
        std::filesystem::create_directories(QM_BENCH_CACHE_DIR);
        constexpr uint32_t side = 8192, stride = side * 3, pixelBytes = stride * side;
        std::vector<uint8_t> row(stride);
        const std::string partial = file + ".part";
        std::ofstream out(partial, std::ios::binary);
        const auto header = bmp24Header(side, side, pixelBytes);
        out.write(reinterpret_cast<const char*>(header.data()), header.size());
        uint32_t state = 1;
        for (uint32_t y = 0; y < side; ++y) {
            for (uint32_t x = 0; x < side; ++x) {
                state = state * 1664525u + 1013904223u;
                const uint32_t noise = state >> 29;
                row[3 * x] = uint8_t(x / 32 + noise);
                row[3 * x + 1] = uint8_t(y / 32 + noise);
                row[3 * x + 2] = uint8_t((x + y) / 64 + noise);
            }
            out.write(reinterpret_cast<const char*>(row.data()), stride);
        }
        out.close();
        std::filesystem::rename(partial, file);
        return file;
    }();
    return path;
}

std::string oversizedPath(const std::string& name) {
    const std::string folder = std::string(QM_BENCH_CACHE_DIR) + "/oversized";
    const std::string path = folder + "/" + name;
    if (!std::filesystem::exists(path)) {
        const std::string command = "python3 '" + std::string(QM_FIXTURES_DIR) +
                                    "/picture/make-oversized.py' --large '" + folder + "' '" + name + "'";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot make %s\n", path.c_str());
    }
    return path;
}

void reportMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["max_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

std::unique_ptr<uint8_t[]> decodeJpegBare(const std::vector<uint8_t>& jpeg) {
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
    return pixels;
}

}  // namespace showbench
