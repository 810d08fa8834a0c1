// cImage32's own compositing pipeline through Render, beside QPainter doing the same work on
// a QImage in Format_ARGB32_Premultiplied, in the same run. Goals: nearest resample and
// blend within 2x of QPainter, interpolating resample and the turn within 3x.
//
// Method. Ours: Render with AlphaBlend and GDI+ switched off, so the own pipeline paints:
// into a destination image of the target size (resample, then source-over), at opacity 50 %
// unscaled onto a 32-bpp device surface and into an image, and turned by 30 degrees with
// interpolation into an image holding the turned picture's square. QPainter: drawImage into
// a target of the same size, without and with SmoothPixmapTransform, with setOpacity(0.5),
// and rotated about the centre with SmoothPixmapTransform. The pictures are opaque,
// photo-like, 3000x2000 (6 megapixels) and 1920x1080. Interpolating to 70 % is not one of the
// goals' cases: a factor that is not whole, where every pixel weighs four taps.
//
// Figures (8 shared cores under a load of 20 to 28, wall time, own / QPainter, each pair from
// one run): nearest to 50 % 1.1 / 1.1 ms, to 200 % 10.5 / 11.4 ms; interpolating to 50 %
// 2.1 / 4.2 ms (a whole factor samples whole pixels), to 200 % 52 / 24-35 ms; blend at 50 %
// into an image 2.3-2.7 / 2.3-2.7 ms, onto a device 5.6-5.9 ms (through its 24-bit buffer);
// turn by 30 degrees 22-26 / 8-12 ms. After the AVX2 24-bit moves, the opaque-group blend
// and the four-lane turn (load 8 to 13): blend into an image 1.3 / 2.5 ms, onto a device
// 3.2-3.9 / 2.2-2.5 ms; turn 14-16 / 5-8 ms (QPainter's turn uses several threads). With
// the own turn made and blended in bands of rows on the hardware's threads (8 cores, quiet,
// 5 repetitions): turn 3.8-3.9 / 3.8-4.3 ms. On one thread, quiet, interpolating to 200 %
// took 42 / 9 ms (4.7x: QPainter's smooth paths use several threads). With every own path
// blending its rows in bands on the helper threads kept between calls (onto a device within
// each band of its buffer, the gdi copies to and from the buffer in bands too), load 1 to 7,
// 5 repetitions: nearest to 50 % 0.17-0.28 / 1.0-1.2 ms, to 200 % 1.7 / 8.8-9.2 ms;
// interpolating to 50 % 0.25-0.39 / 1.4-1.8 ms, to 70 % 1.5-1.7 / 2.8-3.0 ms, to 200 %
// 6.0-9.4 / 10.9-14.5 ms; blend at 50 % onto a device 2.8-2.9 / 2.1-2.6 ms, into an image
// 0.27-0.29 ms; turn 3.1-3.3 / 3.6-4.1 ms. The kernels take AVX2 where the processor has it,
// SSE2 otherwise. Blending straight into the device's DIB section (goal now at most 1.0x),
// load 38 to 48: onto the top-down device 4.0-5.3 / 3.0-3.5 ms, onto the same device made
// bottom-up 1.8-2.4 ms: the bottom-up picture and the top-down device are walked in opposite
// directions in memory and the downward one is not prefetched. With each row asking for the
// next one ahead, load 19 to 22: onto a device 1.31-1.49 / 2.49-2.50 ms (0.53-0.60x), into an
// image 0.91-1.01 ms.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "image/cImage32.h"
#include "platform/gdi/dib_surface.h"

namespace {

constexpr int kWidth = 3000, kHeight = 2000;
constexpr int kTurnWidth = 1920, kTurnHeight = 1080, kTurnSide = 2203;  // the diagonal

// Smooth gradients with texture and hard edges, opaque, rows from the top.
QImage photo(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    uint32_t noise = 12345;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint8_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int edge = ((x / 150) + (y / 100)) % 2 ? 60 : 0;
            row[x * 4] = uint8_t(std::min(255, x * 180 / w + edge + int(noise >> 28)));
            row[x * 4 + 1] = uint8_t(std::min(255, y * 200 / h + int((noise >> 20) & 15)));
            row[x * 4 + 2] = uint8_t(std::min(255, (x + y) * 150 / (w + h) + edge));
            row[x * 4 + 3] = 255;
        }
    }
    return image;
}

// The same pixels in an image object that paints only with its own pipeline.
void ownCopy(cImage32& image, const QImage& source, bool interpolate) {
    image.InitializeDIB(source.width(), source.height());
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(image.BitsPointer() + size_t(source.height() - 1 - y) * size_t(source.width()) * 4,
                    source.constScanLine(y), size_t(source.width()) * 4);
    image.Alpha(cImage32::AlphaOpaque);
    image.isAlphaBlendFriendly(false);
    image.isGDIplusEnabled(false);
    image.HighQualityInterpolation(interpolate);
}

void countPixels(benchmark::State& state, int64_t pixels) {
    state.counters["Mpix/s"] = benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

// Times `render` (one Render call of ours, false on failure) or `paint` (QPainter work on
// `target`), counting `pixels` a run.
template <class Render>
void timeRender(benchmark::State& state, int64_t pixels, Render render) {
    for (auto _ : state) {
        if (!render()) state.SkipWithError("render");
        benchmark::ClobberMemory();
    }
    countPixels(state, pixels);
}

template <class Paint>
void timePainter(benchmark::State& state, QImage& target, int64_t pixels, Paint paint) {
    target.fill(Qt::transparent);
    for (auto _ : state) {
        QPainter painter(&target);
        paint(painter);
        painter.end();
        benchmark::ClobberMemory();
    }
    countPixels(state, pixels);
}

// ---- resampling ---------------------------------------------------------------------------

void ownResample(benchmark::State& state, int w, int h, bool interpolate) {
    cImage32 image, target;
    ownCopy(image, photo(kWidth, kHeight), interpolate);
    if (!target.InitializeDIB(w, h)) return state.SkipWithError("no target");
    // Touched once before timing, as QPainter's target is filled: no run pays its page faults.
    std::memset(target.BitsPointer(), 0, size_t(w) * size_t(h) * 4);
    timeRender(state, int64_t{w} * h, [&] { return image.Render(0, 0, 0, w, h, 0, 0, 0, 0, 100, true, true, &target); });
}

void qtResample(benchmark::State& state, int w, int h, bool smooth) {
    const QImage source = photo(kWidth, kHeight);
    QImage target(w, h, QImage::Format_ARGB32_Premultiplied);
    timePainter(state, target, int64_t{w} * h, [&](QPainter& painter) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.drawImage(QRect(0, 0, w, h), source);
    });
}

void BM_Own_Nearest_6mp_to_50pct(benchmark::State& s) { ownResample(s, kWidth / 2, kHeight / 2, false); }
void BM_QPainter_Nearest_6mp_to_50pct(benchmark::State& s) { qtResample(s, kWidth / 2, kHeight / 2, false); }
void BM_Own_Nearest_6mp_to_200pct(benchmark::State& s) { ownResample(s, kWidth * 2, kHeight * 2, false); }
void BM_QPainter_Nearest_6mp_to_200pct(benchmark::State& s) { qtResample(s, kWidth * 2, kHeight * 2, false); }
void BM_Own_Interpolating_6mp_to_50pct(benchmark::State& s) { ownResample(s, kWidth / 2, kHeight / 2, true); }
void BM_QPainter_Smooth_6mp_to_50pct(benchmark::State& s) { qtResample(s, kWidth / 2, kHeight / 2, true); }
void BM_Own_Interpolating_6mp_to_70pct(benchmark::State& s) { ownResample(s, kWidth * 7 / 10, kHeight * 7 / 10, true); }
void BM_QPainter_Smooth_6mp_to_70pct(benchmark::State& s) { qtResample(s, kWidth * 7 / 10, kHeight * 7 / 10, true); }
void BM_Own_Interpolating_6mp_to_200pct(benchmark::State& s) { ownResample(s, kWidth * 2, kHeight * 2, true); }
void BM_QPainter_Smooth_6mp_to_200pct(benchmark::State& s) { qtResample(s, kWidth * 2, kHeight * 2, true); }

// ---- blending at half opacity ----------------------------------------------------------------

void BM_Own_Blend50_6mp_onto_device(benchmark::State& state) {
    cImage32 image;
    ownCopy(image, photo(kWidth, kHeight), false);
    gdi::DibSurface device(kWidth, kHeight, 32);
    timeRender(state, int64_t{kWidth} * kHeight, [&] { return image.Render(device.dc(), 0, 0, 0, 0, 0, 0, 0, 0, 50); });
}

void BM_Own_Blend50_6mp_into_image(benchmark::State& state) {
    cImage32 image, target;
    ownCopy(image, photo(kWidth, kHeight), false);
    target.InitializeDIB(kWidth, kHeight);
    timeRender(state, int64_t{kWidth} * kHeight,
               [&] { return image.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, 50, true, true, &target); });
}

void BM_QPainter_Blend50_6mp(benchmark::State& state) {
    const QImage source = photo(kWidth, kHeight);
    QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    timePainter(state, target, int64_t{kWidth} * kHeight, [&](QPainter& painter) {
        painter.setOpacity(0.5);
        painter.drawImage(0, 0, source);
    });
}

// ---- turning by 30 degrees -------------------------------------------------------------------

void BM_Own_Turn30_1920x1080(benchmark::State& state) {
    cImage32 image, target;
    ownCopy(image, photo(kTurnWidth, kTurnHeight), true);
    target.InitializeDIB(kTurnSide, kTurnSide);
    const int x = (kTurnSide - kTurnWidth) / 2, y = (kTurnSide - kTurnHeight) / 2;
    timeRender(state, int64_t{kTurnWidth} * kTurnHeight,
               [&] { return image.Render(0, x, y, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, 30); });
}

void BM_QPainter_Turn30_1920x1080(benchmark::State& state) {
    const QImage source = photo(kTurnWidth, kTurnHeight);
    QImage target(kTurnSide, kTurnSide, QImage::Format_ARGB32_Premultiplied);
    timePainter(state, target, int64_t{kTurnWidth} * kTurnHeight, [&](QPainter& painter) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(kTurnSide / 2.0, kTurnSide / 2.0);
        painter.rotate(30);
        painter.drawImage(QPointF(-kTurnWidth / 2.0, -kTurnHeight / 2.0), source);
    });
}

}  // namespace

BENCHMARK(BM_Own_Nearest_6mp_to_50pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Nearest_6mp_to_50pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Nearest_6mp_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Nearest_6mp_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Interpolating_6mp_to_50pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Smooth_6mp_to_50pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Interpolating_6mp_to_70pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Smooth_6mp_to_70pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Interpolating_6mp_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Smooth_6mp_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Blend50_6mp_onto_device)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Blend50_6mp_into_image)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Blend50_6mp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Own_Turn30_1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainter_Turn30_1920x1080)->Unit(benchmark::kMillisecond);
