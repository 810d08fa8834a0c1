// The DEFLATE decoder beside zlib's uncompress and libdeflate's zlib decompressor, in the
// same run, on the image data (the joined IDAT chunks) of the corpus photos and on 64 MB of
// mixed data deflated at level 6. Bytes processed count the inflated bytes, so the
// bytes_per_second columns compare directly (goal: at least zlib's).

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include "codecs/cPNGparser.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    Bytes stream;       // a zlib stream
    size_t inflated;    // its inflated size
};

uint32_t bigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// The joined data of a PNG file's IDAT chunks (empty when the file is no PNG).
Bytes idatOf(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    Bytes data;
    if (file.size() < 8 || std::memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8) != 0) return data;
    for (size_t p = 8; p + 12 <= file.size();) {
        const size_t length = bigEndian(&file[p]);
        if (length > file.size() - p - 12) break;
        if (std::memcmp(&file[p + 4], "IDAT", 4) == 0)
            data.insert(data.end(), file.begin() + ptrdiff_t(p + 8), file.begin() + ptrdiff_t(p + 8 + length));
        p += length + 12;
    }
    return data;
}

size_t zlibInflatedSize(const Bytes& stream, size_t capacity) {
    Bytes out(capacity);
    uLongf length = uLongf(capacity);
    return uncompress(out.data(), &length, stream.data(), uLong(stream.size())) == Z_OK ? length : 0;
}

// Text, picture rows behind filter bytes, noise and runs, in 64 KB pieces.
Bytes mixedData(size_t size) {
    static const char* const words[] = {"the ", "picture ", "catalogue ", "of ", "a ", "password ",
                                        "record ", "thumbnail ", "Quillmere ", "1998, ", "slide ", "show.\n"};
    std::mt19937 rng(42);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        const unsigned kind = rng() % 10;
        const size_t end = std::min(size, out.size() + 65536);
        if (kind < 5) {
            while (out.size() < end) {
                const char* w = words[(rng() % 3 ? rng() % 5 : rng() % 12)];
                out.insert(out.end(), w, w + std::strlen(w));
            }
        } else if (kind < 8) {
            for (unsigned x = 0; out.size() < end; ++x)
                out.push_back(x % 1201 == 0 ? uint8_t(rng() % 5) : uint8_t(x / 7 + (rng() % 4 == 0 ? rng() % 9 : 0)));
        } else if (kind < 9) {
            while (out.size() < end) out.push_back(uint8_t(rng()));
        } else {
            while (out.size() < end) out.insert(out.end(), 1 + rng() % 300, uint8_t(rng()));
        }
        out.resize(std::min(out.size(), end));
    }
    return out;
}

std::vector<Input> inputs() {
    std::vector<Input> list;
    const std::string photos = std::string(QM_CORPORA_DIR) + "/photos/";
    for (const char* name : {"IMG0003", "IMG0004", "IMG0015", "IMG0022", "IMG0023", "harvesters"}) {
        Input in{std::string("photo_") + name, idatOf(photos + name + ".png"), 0};
        if (in.stream.empty()) {
            std::fprintf(stderr, "bench_inflate: no image data in %s%s.png\n", photos.c_str(), name);
            continue;
        }
        in.inflated = zlibInflatedSize(in.stream, 64u << 20);
        char size[32];
        std::snprintf(size, sizeof size, "_%.1fMB", double(in.inflated) / 1e6);
        in.name += size;
        list.push_back(std::move(in));
    }
    const Bytes mixed = mixedData(64u << 20);
    Input in{"mixed_64MB_level6", Bytes(compressBound(uLong(mixed.size()))), mixed.size()};
    uLongf length = uLongf(in.stream.size());
    compress2(in.stream.data(), &length, mixed.data(), uLong(mixed.size()), 6);
    in.stream.resize(length);
    list.push_back(std::move(in));
    return list;
}

void quillmere(benchmark::State& state, const Input* in) {
    Bytes out(in->inflated);
    for (auto _ : state) {
        const codecs::InflateResult r = codecs::inflateZlibStream(in->stream, out);
        if (!r.ok() || r.produced != in->inflated) state.SkipWithError("inflation failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->inflated));
}

void zlibUncompress(benchmark::State& state, const Input* in) {
    Bytes out(in->inflated);
    for (auto _ : state) {
        uLongf length = uLongf(out.size());
        if (uncompress(out.data(), &length, in->stream.data(), uLong(in->stream.size())) != Z_OK)
            state.SkipWithError("inflation failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->inflated));
}

void libdeflateZlib(benchmark::State& state, const Input* in) {
    Bytes out(in->inflated);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        size_t length = 0;
        if (libdeflate_zlib_decompress(d, in->stream.data(), in->stream.size(), out.data(), out.size(), &length) !=
            LIBDEFLATE_SUCCESS)
            state.SkipWithError("inflation failed");
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(d);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->inflated));
}

}  // namespace

int main(int argc, char** argv) {
    static const std::vector<Input> all = inputs();
    for (const Input& in : all) {
        benchmark::RegisterBenchmark(("inflate_" + in.name + "/quillmere").c_str(), quillmere, &in)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("inflate_" + in.name + "/zlib").c_str(), zlibUncompress, &in)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("inflate_" + in.name + "/libdeflate").c_str(), libdeflateZlib, &in)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
