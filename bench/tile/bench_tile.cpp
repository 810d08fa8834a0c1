// cImage32::TileImage of a 256x256 tile over 4000x3000 onto a 32-bpp device surface, beside
// QPainter::drawTiledPixmap of the same tile over a QImage of the same size, in the same
// run. Goal: within 1.5x.
//
// Method. The tile is opaque (a gradient with hard edges), drawn at its own size, no gaps,
// at full opacity. Ours: the whole call (the tiles drawn into a canvas of one row of tiles,
// the block copies across it, the canvas rendered once per row of tiles down the surface,
// each of those blends spread by the gdi layer over bands of rows on its helper threads).
// Qt: drawTiledPixmap of a QPixmap made from the same pixels, on the offscreen platform; Qt
// too spreads the fill over its thread pool. The CPU column shows the calling thread only.
//
// Figures (8 shared cores, wall time, medians of 5). One thread, under a load of 12 to 17:
// ours 6.2 to 6.7 ms, Qt 4.1 to 4.6 ms (1.35 to 1.6x); quiet (load 5): 2.46 / 1.45 ms
// (1.7x). With the blends in bands on helper threads kept between calls, quiet (load 2 to
// 3.5): ours 1.36 to 1.59 ms, Qt 1.44 to 1.57 ms (0.9 to 1.05x). Helper threads started
// afresh on every call had made it 10.7 ms: each blend paid for mapping the threads' stacks.
// The canvas of the destination's whole size that was rendered at first cost 76 to 84 ms
// under load (the kernel zeroing 48 MB of new pages, the doubling copies, reading it back).
// With each canvas row filled across in one go, in bands on the helper threads (goal now
// at most 1.0x): under a load of 38 to 48, before, 4.6-6.2 / 2.8-4.3 ms (1.4-1.6x); load 19
// to 22, after, 3.1-3.6 / 2.9-6.2 ms (0.6-1.1x). Four or two bands a thread for the blends
// were tried and were slower (3.7-7.1 ms in the same runs).

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cstdlib>
#include <cstring>

#include "image/cImage32.h"
#include "platform/gdi/dib_surface.h"

namespace {

constexpr int kTile = 256, kWidth = 4000, kHeight = 3000;

QImage tilePicture() {
    QImage image(kTile, kTile, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kTile; ++y) {
        auto* row = reinterpret_cast<uint8_t*>(image.scanLine(y));
        for (int x = 0; x < kTile; ++x) {
            const int edge = (x / 64 + y / 64) % 2 ? 70 : 0;
            row[x * 4] = uint8_t(x / 2 + edge), row[x * 4 + 1] = uint8_t(y / 2 + edge);
            row[x * 4 + 2] = uint8_t((x + y) / 3), row[x * 4 + 3] = 255;
        }
    }
    return image;
}

void countPixels(benchmark::State& state) {
    state.counters["Mpix/s"] = benchmark::Counter(double(kWidth) * kHeight * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_Own_TileImage_256_over_4000x3000(benchmark::State& state) {
    const QImage source = tilePicture();
    cImage32 tile;
    tile.InitializeDIB(kTile, kTile);
    for (int y = 0; y < kTile; ++y)
        std::memcpy(tile.BitsPointer() + size_t(kTile - 1 - y) * kTile * 4, source.constScanLine(y), kTile * 4);
    tile.Alpha(cImage32::AlphaOpaque);
    gdi::DibSurface device(kWidth, kHeight, 32);
    for (auto _ : state) {
        if (!tile.TileImage(device.dc(), 0, 0, kWidth, kHeight)) state.SkipWithError("TileImage");
        benchmark::ClobberMemory();
    }
    countPixels(state);
}

void BM_QPainter_drawTiledPixmap_256_over_4000x3000(benchmark::State& state) {
    const QPixmap tile = QPixmap::fromImage(tilePicture());
    QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.drawTiledPixmap(QRect(0, 0, kWidth, kHeight), tile);
        painter.end();
        benchmark::ClobberMemory();
    }
    countPixels(state);
}

}  // namespace

BENCHMARK(BM_Own_TileImage_256_over_4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_drawTiledPixmap_256_over_4000x3000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
