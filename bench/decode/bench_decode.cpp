// The GIF and TGA readers, each beside a reference in the same run.
//
// GIF: cGIFparser::LoadStream (block walk, LZW check, the platform loader's decode, indices
// drawn into the host as 32-bit pixels) beside giflib 5's DGifSlurp with the palette
// expanded to 32-bit pixels in a new buffer, on the same files: a 1536 x 1024 photo
// (Kodak IMG0003) quantised to 256 colours by giflib and written by giflib, and two corpus
// files. Goal: at least giflib's speed.
//
// TGA: cTGAparser::LoadStream of an uncompressed 32-bit 1920 x 1080 image made here from the
// same photo (opaque, stored bottom row first: one block copy) beside a memcpy of its
// 8,294,400 pixel bytes, into a buffer that is already there and into a new one. Goal:
// within 2x of the copy. The other origins, run-length data and straight alpha (which
// the classification premultiplies) show what they add.
//
// Items are pixels and bytes are the 32-bit pixels made, so the columns compare directly.

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include "codecs/cGIFparser.h"
#include "codecs/cTGAparser.h"
#include "image/cImage32.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string corpus(const std::string& relative) { return std::string(QM_CORPORA_DIR) + "/" + relative; }

// The photo as red, green and blue planes, top row first.
struct Photo {
    int width = 0, height = 0;
    Bytes red, green, blue;
};

const Photo& photo() {
    static const Photo p = [] {
        Photo out;
        const picture::Picture pic = picture::LoadPictureFromBytes(readFile(corpus("photos/IMG0003.jpg")));
        gdi::DIBSECTION ds{};
        gdi::GetObject(pic.Handle(), sizeof(ds), &ds);
        out.width = ds.dsBm.bmWidth;
        out.height = ds.dsBm.bmHeight;
        const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
        const size_t bytesPerPixel = ds.dsBm.bmBitsPixel / 8;
        for (int y = 0; y < out.height; ++y) {
            const uint8_t* row = bits + size_t(ds.dsBm.bmWidthBytes) * size_t(ds.dsBmih.biHeight > 0 ? out.height - 1 - y : y);
            for (int x = 0; x < out.width; ++x, row += bytesPerPixel) {
                out.blue.push_back(row[0]);
                out.green.push_back(row[1]);
                out.red.push_back(row[2]);
            }
        }
        return out;
    }();
    return p;
}

// ---- GIF -----------------------------------------------------------------------------------

int writeToBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// The photo quantised and written by giflib.
const Bytes& photoGif() {
    static const Bytes file = [] {
        Photo p = photo();  // giflib's quantiser takes its planes as writable
        int colours = 256;
        Bytes indices(size_t(p.width) * size_t(p.height));
        GifColorType map[256];
        GifQuantizeBuffer(unsigned(p.width), unsigned(p.height), &colours, p.red.data(), p.green.data(),
                          p.blue.data(), indices.data(), map);
        Bytes out;
        int error = 0;
        GifFileType* gif = EGifOpen(&out, writeToBytes, &error);
        ColorMapObject* colourMap = GifMakeMapObject(256, map);
        EGifPutScreenDesc(gif, p.width, p.height, 8, 0, colourMap);
        EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr);
        for (int y = 0; y < p.height; ++y) EGifPutLine(gif, &indices[size_t(y) * size_t(p.width)], p.width);
        EGifCloseFile(gif, &error);
        GifFreeMapObject(colourMap);
        return out;
    }();
    return file;
}

struct MemoryReader {
    const Bytes* bytes;
    size_t at = 0;
};

int readFromBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(size_t(length), r->bytes->size() - r->at);
    std::memcpy(out, r->bytes->data() + r->at, n);
    r->at += n;
    return int(n);
}

void gifOurs(benchmark::State& state, const Bytes& (*input)()) {
    const Bytes& file = input();
    cImage32 host;
    for (auto _ : state) {
        codecs::cGIFparser().LoadStream(file, host, 0, int64_t(file.size()));
        benchmark::DoNotOptimize(host.BitsPointer());
    }
    if (!host.Handle()) state.SkipWithError("no image");
    const int64_t pixels = int64_t(host.Width()) * host.Height();
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * pixels * 4);
}

void gifGiflib(benchmark::State& state, const Bytes& (*input)()) {
    const Bytes& file = input();
    int64_t pixels = 0;
    for (auto _ : state) {
        MemoryReader reader{&file};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, readFromBytes, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
            state.SkipWithError("giflib does not read it");
            break;
        }
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        uint32_t lut[256] = {};
        for (int i = 0; i < map->ColorCount && i < 256; ++i)
            lut[i] = 0xFF000000u | uint32_t(map->Colors[i].Red) << 16 | uint32_t(map->Colors[i].Green) << 8 |
                     map->Colors[i].Blue;
        pixels = int64_t(image.ImageDesc.Width) * image.ImageDesc.Height;
        std::vector<uint32_t> out(static_cast<size_t>(pixels));
        for (size_t i = 0; i < out.size(); ++i) out[i] = lut[image.RasterBits[i]];
        benchmark::DoNotOptimize(out.data());
        DGifCloseFile(gif, &error);
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * pixels * 4);
}

// ---- TGA -----------------------------------------------------------------------------------

constexpr int kTgaWidth = 1920, kTgaHeight = 1080;
constexpr size_t kTgaPixelBytes = size_t{kTgaWidth} * kTgaHeight * 4;

enum class TgaKind { bottomUp, topDown, rightToLeft, runLength, straightAlpha };

// The photo tiled over 1920 x 1080, 32 bits, no footer.
const Bytes& tgaFile(TgaKind kind) {
    static Bytes files[5];
    Bytes& file = files[int(kind)];
    if (!file.empty()) return file;
    const Photo& p = photo();
    const uint8_t descriptor = uint8_t(8 | (kind == TgaKind::topDown ? 0x20 : 0) | (kind == TgaKind::rightToLeft ? 0x10 : 0));
    const uint8_t type = kind == TgaKind::runLength ? 10 : 2;
    file = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            uint8_t(kTgaWidth), uint8_t(kTgaWidth >> 8), uint8_t(kTgaHeight), uint8_t(kTgaHeight >> 8), 32, descriptor};
    for (int row = 0; row < kTgaHeight; ++row) {
        const int y = row % p.height;
        Bytes pixels;
        for (int x = 0; x < kTgaWidth; ++x) {
            const size_t i = size_t(y) * size_t(p.width) + size_t(x % p.width);
            const uint8_t a = kind == TgaKind::straightAlpha ? uint8_t(x * 255 / (kTgaWidth - 1)) : 255;
            pixels.insert(pixels.end(), {p.blue[i], p.green[i], p.red[i], a});
        }
        if (kind != TgaKind::runLength) {
            file.insert(file.end(), pixels.begin(), pixels.end());
            continue;
        }
        // Runs of equal pixels, raw packets between them, 128 pixels at most per packet.
        for (size_t x = 0; x < size_t(kTgaWidth);) {
            size_t run = 1;
            while (x + run < size_t(kTgaWidth) && run < 128 &&
                   std::memcmp(&pixels[(x + run) * 4], &pixels[x * 4], 4) == 0)
                ++run;
            if (run > 1) {
                file.push_back(uint8_t(0x80 | (run - 1)));
                file.insert(file.end(), &pixels[x * 4], &pixels[x * 4] + 4);
                x += run;
                continue;
            }
            size_t raw = 1;
            while (x + raw < size_t(kTgaWidth) && raw < 128 &&
                   std::memcmp(&pixels[(x + raw) * 4], &pixels[(x + raw - 1) * 4], 4) != 0)
                ++raw;
            file.push_back(uint8_t(raw - 1));
            file.insert(file.end(), &pixels[x * 4], &pixels[(x + raw) * 4]);
            x += raw;
        }
    }
    return file;
}

void tgaOurs(benchmark::State& state, TgaKind kind) {
    const Bytes& file = tgaFile(kind);
    cImage32 host;
    for (auto _ : state) {
        codecs::cTGAparser().LoadStream(file, host, 0, int64_t(file.size()));
        benchmark::DoNotOptimize(host.BitsPointer());
    }
    if (!host.Handle()) state.SkipWithError("no image");
    state.SetItemsProcessed(state.iterations() * kTgaWidth * kTgaHeight);
    state.SetBytesProcessed(state.iterations() * int64_t(kTgaPixelBytes));
}

void memcpyPixels(benchmark::State& state, bool newBuffer) {
    const Bytes& file = tgaFile(TgaKind::bottomUp);
    std::vector<uint8_t> kept(kTgaPixelBytes);
    for (auto _ : state) {
        if (newBuffer) {
            std::vector<uint8_t> fresh(kTgaPixelBytes);
            std::memcpy(fresh.data(), file.data() + 18, kTgaPixelBytes);
            benchmark::DoNotOptimize(fresh.data());
        } else {
            std::memcpy(kept.data(), file.data() + 18, kTgaPixelBytes);
            benchmark::DoNotOptimize(kept.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kTgaWidth * kTgaHeight);
    state.SetBytesProcessed(state.iterations() * int64_t(kTgaPixelBytes));
}

// Inputs are made on first use, not while benchmarks are registered.
// What every reader of this size pays before its first pixel: the host's InitializeDIB,
// which allocates the image and clears it.
void hostInitializeDIB(benchmark::State& state) {
    cImage32 host;
    for (auto _ : state) {
        host.InitializeDIB(kTgaWidth, kTgaHeight);
        benchmark::DoNotOptimize(host.BitsPointer());
    }
    state.SetItemsProcessed(state.iterations() * kTgaWidth * kTgaHeight);
    state.SetBytesProcessed(state.iterations() * int64_t(kTgaPixelBytes));
}

const Bytes& animCombine() {
    static const Bytes file = readFile(corpus("gif/valid/large-gif-anim-combine.gif"));
    return file;
}
const Bytes& hat() {
    static const Bytes file = readFile(corpus("gif/valid/hat.gif"));
    return file;
}

}  // namespace

BENCHMARK_CAPTURE(gifOurs, photo_1536x1024_8bpp, photoGif)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(gifGiflib, photo_1536x1024_8bpp, photoGif)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(gifOurs, anim_combine_1000x1000_8bpp, animCombine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(gifGiflib, anim_combine_1000x1000_8bpp, animCombine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(gifOurs, hat_90x112_8bpp, hat)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(gifGiflib, hat_90x112_8bpp, hat)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(tgaOurs, raw32_1920x1080_bottom_up, TgaKind::bottomUp)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyPixels, 1920x1080x4_into_kept_buffer, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyPixels, 1920x1080x4_into_new_buffer, true)->Unit(benchmark::kMillisecond);
BENCHMARK(hostInitializeDIB)->Name("hostInitializeDIB/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(tgaOurs, raw32_1920x1080_top_down, TgaKind::topDown)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(tgaOurs, raw32_1920x1080_right_to_left, TgaKind::rightToLeft)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(tgaOurs, rle32_1920x1080_bottom_up, TgaKind::runLength)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(tgaOurs, raw32_1920x1080_straight_alpha, TgaKind::straightAlpha)->Unit(benchmark::kMillisecond);
