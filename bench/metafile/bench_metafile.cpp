// Metafile playback into a 1920x1080 32-bpp DIB, each beside a reference in the same run:
//  - an EMF of 10,000 filled polygons and 10,000 lines, beside QPainter drawing the same
//    shapes without antialiasing into a QImage of that size (goal: within 2x);
//  - an EMF holding one 1920x1080 24-bit bitmap drawn by StretchDIBits at 1:1, beside
//    SetDIBitsToDevice of the same bits straight into the DIB (goal: within 1.2x).
// Measured (Release, a shared machine, CPU time): the shapes about 1.8x QPainter's time
// (214 ms against 121 ms), the bitmap within 1.1x of SetDIBitsToDevice (2.6 ms against
// 2.5 ms).

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

using namespace gdi;

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kShapes = 10000;

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

void record(std::vector<uint8_t>& b, uint32_t type, const std::vector<uint32_t>& fields) {
    put32(b, type), put32(b, uint32_t(8 + 4 * fields.size()));
    for (uint32_t f : fields) put32(b, f);
}

// The header of a 1920x1080 EMF at 96 DPI; `body` follows it, then the end record.
std::vector<uint8_t> emf(const std::vector<uint8_t>& body, uint32_t records, uint16_t handles) {
    std::vector<uint8_t> b;
    put32(b, 1), put32(b, 88);
    for (uint32_t v : {0u, 0u, uint32_t(kWidth - 1), uint32_t(kHeight - 1), 0u, 0u, 50800u, 28575u}) put32(b, v);
    put32(b, 0x464D4520), put32(b, 0x10000), put32(b, uint32_t(88 + body.size() + 20)), put32(b, records + 2);
    put32(b, handles);
    for (uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u}) put32(b, v);  // a 96-DPI reference device
    b.insert(b.end(), body.begin(), body.end());
    record(b, 14, {0, 16, 20});
    return b;
}

struct Shape {
    QPolygon polygon;
    QLine line;
    QColor colour;
};

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> all = [] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), d(-40, 40), c(0, 255);
        std::vector<Shape> out;
        for (int i = 0; i < kShapes; ++i) {
            Shape s;
            const int cx = x(random), cy = y(random);
            for (int k = 0; k < 5; ++k) s.polygon << QPoint(cx + d(random), cy + d(random));
            s.line = QLine(x(random), y(random), x(random), y(random));
            s.colour = QColor(c(random), c(random), c(random));
            out.push_back(s);
        }
        return out;
    }();
    return all;
}

uint32_t colorref(const QColor& c) { return uint32_t(c.red() | (c.green() << 8) | (c.blue() << 16)); }

// Each shape: a brush and a pen of its colour, a polygon, a line, both objects deleted.
const picture::Picture& shapesPicture() {
    static const picture::Picture p = [] {
        std::vector<uint8_t> body;
        uint32_t records = 0;
        for (const Shape& s : shapes()) {
            const uint32_t c = colorref(s.colour);
            record(body, 39, {1, 0, c, 0}), record(body, 37, {1});                // brush
            record(body, 38, {2, 0, 1, 0, c}), record(body, 37, {2});             // pen
            std::vector<uint32_t> polygon = {0, 0, 0, 0, uint32_t(s.polygon.size())};
            for (const QPoint& q : s.polygon) polygon.push_back(uint32_t(q.x())), polygon.push_back(uint32_t(q.y()));
            record(body, 3, polygon);
            record(body, 27, {uint32_t(s.line.x1()), uint32_t(s.line.y1())});
            record(body, 54, {uint32_t(s.line.x2()), uint32_t(s.line.y2())});
            record(body, 37, {0x80000000u | 4}), record(body, 37, {0x80000000u | 7});  // stock back
            record(body, 40, {1}), record(body, 40, {2});
            records += 11;
        }
        return picture::LoadPictureFromBytes(emf(body, records, 3));
    }();
    return p;
}

struct Rows24 {
    BITMAPINFO info{};
    std::vector<uint8_t> bits;
    Rows24() {
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        bits.resize(size_t(kWidth) * 3 * kHeight);
        for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i * 7 + (i >> 11));
    }
};

const Rows24& rows24() {
    static const Rows24 r;
    return r;
}

const picture::Picture& bitmapPicture() {
    static const picture::Picture p = [] {
        const Rows24& r = rows24();
        // EMR_STRETCHDIBITS: bounds, destination, source, offsets, usage, rop, size
        std::vector<uint8_t> body;
        const uint32_t bmiAt = 80, bitsAt = 80 + 40;
        record(body, 81, {0, 0, kWidth - 1, kHeight - 1, 0, 0, 0, 0, kWidth, kHeight, bmiAt, 40,
                          bitsAt, uint32_t(r.bits.size()), 0, 0x00CC0020, kWidth, kHeight});
        const size_t sizeAt = body.size() - 4 * 18 - 4;
        body.insert(body.end(), reinterpret_cast<const uint8_t*>(&r.info.bmiHeader),
                    reinterpret_cast<const uint8_t*>(&r.info.bmiHeader) + 40);
        body.insert(body.end(), r.bits.begin(), r.bits.end());
        const uint32_t size = uint32_t(body.size());
        std::memcpy(body.data() + sizeAt, &size, 4);
        return picture::LoadPictureFromBytes(emf(body, 1, 1));
    }();
    return p;
}

void play(benchmark::State& state, const picture::Picture& p) {
    DibSurface target(kWidth, kHeight, 32);
    for (auto _ : state) {
        p.Render(target.dc(), 0, 0, kWidth, kHeight, 0, p.Height(), p.Width(), -p.Height());
        benchmark::DoNotOptimize(target.bits());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_emf_10k_polygons_and_lines_1920x1080(benchmark::State& state) { play(state, shapesPicture()); }

void BM_qpainter_10k_polygons_and_lines_1920x1080(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (const Shape& s : shapes()) {
            painter.setPen(s.colour);
            painter.setBrush(s.colour);
            painter.drawPolygon(s.polygon);
            painter.drawLine(s.line);
        }
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_emf_stretchdibits_1920x1080_24bpp_1to1(benchmark::State& state) { play(state, bitmapPicture()); }

void BM_setdibitstodevice_1920x1080_24bpp(benchmark::State& state) {
    DibSurface target(kWidth, kHeight, 32);
    const Rows24& r = rows24();
    for (auto _ : state) {
        SetDIBitsToDevice(target.dc(), 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, r.bits.data(), &r.info, DIB_RGB_COLORS);
        benchmark::DoNotOptimize(target.bits());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_emf_10k_polygons_and_lines_1920x1080)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.5)->MinTime(2);
BENCHMARK(BM_qpainter_10k_polygons_and_lines_1920x1080)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.5)->MinTime(2);
BENCHMARK(BM_emf_stretchdibits_1920x1080_24bpp_1to1)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.5)->MinTime(2);
BENCHMARK(BM_setdibitstodevice_1920x1080_24bpp)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.5)->MinTime(2);

}  // namespace
