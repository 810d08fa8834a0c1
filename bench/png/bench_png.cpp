// cPNGparser decoding the corpus photos (1.5-megapixel and 1-megapixel RGB, 8 bits) into a
// host, beside libpng decoding the same bytes to BGRA (8 bits, alpha 255) in the same run:
//   <photo>/quillmere_zlib       LoadStream with zlib present (CRCs checked through it)
//   <photo>/quillmere_own        LoadStream with zlib marked absent (the own decoder)
//   <photo>/quillmere_zlib_file  LoadFile, as the loading dispatch reads a file
//   <photo>/libpng               png_read_row over the bytes in memory, CRCs checked
// items_per_second counts pixels. Goals: within 1.5x of libpng with zlib, 2x without.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "codecs/cPNGparser.h"
#include "codecs/libpng_memory_io.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/sys/libraries.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Photo {
    std::string name;
    std::string path;
    Bytes bytes;
    int64_t pixels = 0;
};

Bytes readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

uint32_t bigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

void setZlibAbsent(bool absent) {
    sys::setLibraryAbsent("zlib1.dll", absent);
    sys::setLibraryAbsent("zlib.dll", absent);
}

void quillmere(benchmark::State& state, const Photo* photo, bool zlib) {
    setZlibAbsent(!zlib);
    cImage32 host;
    for (auto _ : state) {
        codecs::cPNGparser().LoadStream(photo->bytes, host, 0, int64_t(photo->bytes.size()));
        if (!host.Handle()) state.SkipWithError("no image");
        benchmark::DoNotOptimize(host.BitsPointer());
    }
    setZlibAbsent(false);
    state.SetItemsProcessed(int64_t(state.iterations()) * photo->pixels);
}

void quillmereFile(benchmark::State& state, const Photo* photo) {
    cImage32 host;
    for (auto _ : state) {
        modParsers::FileHandle file = modParsers::OpenImageFileHandle(photo->path, true);
        codecs::cPNGparser().LoadFile(file, photo->path, host);
        if (!host.Handle()) state.SkipWithError("no image");
        benchmark::DoNotOptimize(host.BitsPointer());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * photo->pixels);
}

void libpng(benchmark::State& state, const Photo* photo) {
    Bytes out;
    for (auto _ : state) {
        if (!libpngmemory::decodeToBgra(photo->bytes, out)) state.SkipWithError("libpng failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * photo->pixels);
}

std::vector<Photo> photos() {
    std::vector<Photo> list;
    const std::string folder = std::string(QM_CORPORA_DIR) + "/photos/";
    for (const char* name : {"IMG0003", "IMG0004", "IMG0015", "IMG0022", "IMG0023", "harvesters"}) {
        Photo p{name, folder + name + ".png", readFile(folder + name + ".png")};
        if (p.bytes.size() < 33) {
            std::fprintf(stderr, "bench_png: cannot read %s\n", p.path.c_str());
            continue;
        }
        const uint32_t width = bigEndian(&p.bytes[16]), height = bigEndian(&p.bytes[20]);
        p.pixels = int64_t(width) * height;
        p.name = "decode_" + std::to_string(width) + "x" + std::to_string(height) + "_rgb8_" + name;
        list.push_back(std::move(p));
    }
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    static const std::vector<Photo> all = photos();
    for (const Photo& p : all) {
        benchmark::RegisterBenchmark((p.name + "/quillmere_zlib").c_str(), quillmere, &p, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((p.name + "/quillmere_own").c_str(), quillmere, &p, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((p.name + "/quillmere_zlib_file").c_str(), quillmereFile, &p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((p.name + "/libpng").c_str(), libpng, &p)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
