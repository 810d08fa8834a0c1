// Metafile playback into a 1920x1080 32-bpp DIB, each beside a reference in the same run:
//  - an EMF of 10,000 filled polygons and 10,000 lines, beside QPainter drawing the same
//    shapes without antialiasing into a QImage of that size (goal: within 2x);
//  - an EMF holding one 1920x1080 24-bit bitmap drawn by StretchDIBits at 1:1, beside
//    SetDIBitsToDevice of the same bits straight into the DIB (goal: within 1.2x).
// Measured (Release, a shared machine, CPU time): the shapes about 1.8x QPainter's time
// (214 ms against 121 ms), the bitmap within 1.1x of SetDIBitsToDevice (2.6 ms against
// 2.5 ms).
//
// Hostile files (built here from the record layouts, at most 1 MB, declaring at most
// 1000 x 1000 pixels), each beside a plain file of filled rectangles of the same size,
// each loaded and drawn at its declared size in a process of its own: the time, and the
// peak memory above the process's base. Goal: at most 1 s and 256 MB each.
// Measured (Release, 8 shared cores at a load of 7 to 9; time, peak above the base):
//                                                    clip as rectangles   clip as bands
//   wmf clip grid, 300 strips each way, 2000 fills     6498 ms    12 MB     94 ms  10 MB
//     plain WMF as large                                                    66 ms   6 MB
//   wmf clip grid, then 4096 SaveDC, 200 fills         8328 ms  5953 MB     42 ms  13 MB
//     plain WMF as large                                                    52 ms   6 MB
//   emf 11,000 region selections with SaveDC           1092 ms   546 MB    432 ms  65 MB
//     plain EMF as large                                                   945 ms   7 MB
// (the clip as rectangles also ignored three of the four modes the EMF selects in).
// Each clip change costs as much as the clip is large, so a file that cuts 71,000 single
// pixels out of a 1000 x 1000 clip (1 MB) took 1813 ms as bands; since the changes count
// against the playback's work budget it stops there after 137 ms (its plain twin: 308 ms).
//
// Drawing that costs far more than the file's size (src/platform/picture/costly_metafiles.h),
// each file 1 MB at 1000 x 1000 pixels, beside plain files of 1 MB:
//   emf_1mb_far_bezier              one PolyBezier16 of 261,982 points near +-32,000
//   emf_1mb_zigzag_polygon          one polygon of 131,000 points, each edge across the picture
//   emf_1mb_whole_rectangles        43,000 rectangles over the whole picture (wmf: 75,000)
//   emf_1mb_huge_ellipses           43,000 ellipses 60,000,000 units across around it
//   emf_1mb_wide_pen_lines          65,000 lines with a pen 1,000,000 units wide
//   emf_1mb_wide_pen_polyline       a polyline of 131,000 random points, a 3-pixel pen
//   emf_1mb_huge_font_text          13,000 ExtTextOutW of "WM" at a 4,000-pixel font
//   emf_1mb_spaced_text             17 ExtTextOutW of 10,000 characters with advances
//   emf_1mb_lacking_characters_text 2,280 ExtTextOutW of 64 characters no font has, with
//                                   advances, at a 3,000-pixel font turned by 33 degrees
//   emf_1mb_one_pixel_stretches     8,450 StretchDIBits of one pixel onto the whole picture
//   emf_1mb_halftoned_bitmap        one 2880 x 2880 1-bpp bitmap halftoned onto it
// Measured (Release, 8 shared cores; time, peak above the base). Before: these shapes
// played at a load of 8 to 11, before curves were flattened for what shows, fills were
// scanned by our own code and playback had its work budget; after: at a load of 3 to 6.
// "stopped": the budget ended playback where the next call would have spent too much.
//                                   before                  after
//   emf_1mb_plain_1000px                                     127 ms    4 MB
//   emf_1mb_far_bezier                5574 ms  2797 MB       129 ms   67 MB
//   emf_1mb_zigzag_polygon          216387 ms    26 MB         6 ms    7 MB  stopped
//   emf_1mb_whole_rectangles         82890 ms     7 MB       243 ms    5 MB  stopped
//   emf_1mb_huge_ellipses            61114 ms     8 MB       125 ms    6 MB  stopped
//   emf_1mb_wide_pen_lines          over 300 s, ended          448 ms    5 MB  stopped
//   emf_1mb_wide_pen_polyline         4749 ms   443 MB         7 ms    7 MB  stopped
//   emf_1mb_huge_font_text           40719 ms     8 MB       263 ms    6 MB  stopped
//   emf_1mb_spaced_text                254 ms     4 MB        22 ms    2 MB
//   emf_1mb_lacking_characters_text   181 ms   166 MB        78 ms    5 MB  stopped
//     (before: drawn as glyph images, whose cache held a box the size of the em for each
//     turned character; after: filled from outlines. Load 1; with outlines but before each
//     glyph's square was charged, it ran 6.7 s)
//   emf_1mb_one_pixel_stretches       9753 ms     6 MB       242 ms    5 MB  stopped
//   emf_1mb_halftoned_bitmap           101 ms     6 MB        45 ms    4 MB
//   wmf_1mb_plain_1000px                                     168 ms    4 MB
//   wmf_1mb_whole_rectangles        114580 ms     7 MB       216 ms    4 MB  stopped

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/costly_metafiles.h"
#include "platform/picture/metafile_builder.h"
#include "platform/picture/picture.h"
#include "platform/picture/record_types.h"
#include "platform/sys/memory.h"
#include "road_process.h"

using namespace gdi;
using picture::testing::EmfBuilder;

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kShapes = 10000;

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
        using namespace picture::detail::emf;
        EmfBuilder emf(kWidth, kHeight, 3);
        for (const Shape& s : shapes()) {
            const int32_t c = int32_t(colorref(s.colour));
            emf.record(kCreateBrushIndirect, {1, 0, c, 0}), emf.record(kSelectObject, {1});
            emf.record(kCreatePen, {2, 0, 1, 0, c}), emf.record(kSelectObject, {2});
            std::vector<int32_t> polygon = {0, 0, 0, 0, int32_t(s.polygon.size())};
            for (const QPoint& q : s.polygon) polygon.push_back(q.x()), polygon.push_back(q.y());
            emf.record(kPolygon, polygon);
            emf.record(kMoveToEx, {s.line.x1(), s.line.y1()});
            emf.record(kLineTo, {s.line.x2(), s.line.y2()});
            emf.record(kSelectObject, {int32_t(0x80000000u | 4)});  // the stock brush and pen back
            emf.record(kSelectObject, {int32_t(0x80000000u | 7)});
            emf.record(kDeleteObject, {1}), emf.record(kDeleteObject, {2});
        }
        return picture::LoadPictureFromBytes(emf.bytes());
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
        // EMR_STRETCHDIBITS: bounds, destination, source, offsets, usage, rop, size; then
        // the header and the bits
        const int32_t bmiAt = 80, bitsAt = 80 + 40;
        const int32_t fields[] = {0, 0, kWidth - 1, kHeight - 1, 0, 0, 0, 0, kWidth, kHeight, bmiAt, 40,
                                  bitsAt, int32_t(r.bits.size()), 0, 0x00CC0020, kWidth, kHeight};
        std::vector<uint8_t> trailing(reinterpret_cast<const uint8_t*>(&r.info.bmiHeader),
                                      reinterpret_cast<const uint8_t*>(&r.info.bmiHeader) + 40);
        trailing.insert(trailing.end(), r.bits.begin(), r.bits.end());
        EmfBuilder emf(kWidth, kHeight, 1);
        emf.record(picture::detail::emf::kStretchDiBits, fields, trailing);
        return picture::LoadPictureFromBytes(emf.bytes());
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

// ---- hostile files ---------------------------------------------------------------------

// Each case is loaded from its bytes and drawn at its declared size into a 32-bpp DIB,
// in a process of its own; a hostile file's plain counterpart of the same size follows
// it. New cases are rows of this table.
struct FileCase {
    const char* name;
    int side;  // declared size: side x side pixels
    std::vector<uint8_t> (*make)();
};

std::vector<uint8_t> clipGrid() { return picture::testing::clipGridWmf(900, 300, 0, 2000); }
std::vector<uint8_t> clipGridSaved() { return picture::testing::clipGridWmf(900, 300, 4096, 200); }
std::vector<uint8_t> pixelCuts() { return picture::testing::pixelCutsWmf(1000, 1000000); }
std::vector<uint8_t> regionSelections() { return picture::testing::regionSelectionsEmf(960, 128, 11000, 10); }

// Files of at most 1 MB (the plain ones end with the record that reaches their size).
template <std::vector<uint8_t> (*make)(int, size_t)>
std::vector<uint8_t> oneMegabyte() { return make(1000, (size_t{1} << 20) - 512); }

const FileCase kFileCases[] = {
    {"wmf_clip_grid_300x300_strips_2000_fills_900px", 900, clipGrid},
    {"wmf_plain_as_large_as_clip_grid_900px", 900, [] { return picture::testing::plainWmf(900, clipGrid().size()); }},
    {"wmf_clip_grid_300x300_strips_4096_savedc_900px", 900, clipGridSaved},
    {"wmf_plain_as_large_as_savedc_900px", 900, [] { return picture::testing::plainWmf(900, clipGridSaved().size()); }},
    {"wmf_71000_pixels_cut_from_the_clip_1000px", 1000, pixelCuts},
    {"wmf_plain_as_large_as_pixel_cuts_1000px", 1000, [] { return picture::testing::plainWmf(1000, pixelCuts().size()); }},
    {"emf_11000_region_selections_savedc_960px", 960, regionSelections},
    {"emf_plain_as_large_as_region_selections_960px", 960, [] { return picture::testing::plainEmf(960, regionSelections().size()); }},
    {"emf_1mb_plain_1000px", 1000, oneMegabyte<picture::testing::plainEmf>},
    {"emf_1mb_far_bezier", 1000, oneMegabyte<picture::testing::farBezierEmf>},
    {"emf_1mb_zigzag_polygon", 1000, oneMegabyte<picture::testing::zigzagPolygonEmf>},
    {"emf_1mb_whole_rectangles", 1000, oneMegabyte<picture::testing::wholeRectanglesEmf>},
    {"emf_1mb_huge_ellipses", 1000, oneMegabyte<picture::testing::hugeEllipsesEmf>},
    {"emf_1mb_wide_pen_lines", 1000, oneMegabyte<picture::testing::widePenLinesEmf>},
    {"emf_1mb_wide_pen_polyline", 1000, oneMegabyte<picture::testing::widePenPolylineEmf>},
    {"emf_1mb_huge_font_text", 1000, oneMegabyte<picture::testing::hugeFontTextEmf>},
    {"emf_1mb_spaced_text", 1000, oneMegabyte<picture::testing::spacedTextEmf>},
    {"emf_1mb_lacking_characters_text", 1000, oneMegabyte<picture::testing::lackingCharactersTextEmf>},
    {"emf_1mb_one_pixel_stretches", 1000, oneMegabyte<picture::testing::onePixelStretchesEmf>},
    {"emf_1mb_halftoned_bitmap", 1000, oneMegabyte<picture::testing::halftonedBitmapEmf>},
    {"wmf_1mb_plain_1000px", 1000, oneMegabyte<picture::testing::plainWmf>},
    {"wmf_1mb_whole_rectangles", 1000, oneMegabyte<picture::testing::wholeRectanglesWmf>},
};

// The child: one case, measured by the road meter.
int playCase(const FileCase& c) {
    sys::keepFreedPictureMemory();  // as the program does
    const std::vector<uint8_t> bytes = c.make();
    {
        // The fonts are ready before, as in the program after its first text.
        const DibSurface warm(8, 8, 32);
        TextOutW(warm.dc(), 0, 0, u"W", 1);
    }
    const benchsupport::RoadMeter meter;
    bool played = false;
    {
        const picture::Picture p = picture::TryLoadPictureFromBytes(bytes);
        DibSurface target(c.side, c.side, 32);
        played = p && p.Render(target.dc(), 0, 0, c.side, c.side, 0, p.Height(), p.Width(), -p.Height());
    }
    meter.finish(played);
}

void fileCase(benchmark::State& state, size_t index) {
    benchsupport::RoadFigures figures;
    for (auto _ : state) {
        if (!benchsupport::runRoadProcess({"--play", std::to_string(index)}, figures)) {
            state.SkipWithError("the case's process failed");
            return;
        }
        state.SetIterationTime(figures.seconds);
    }
    state.counters["peak_MB"] = double(figures.peakKb) * 1024 / 1e6;
    state.counters["file_KB"] = double(kFileCases[index].make().size()) / 1e3;
    state.counters["played"] = figures.shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--play") return playCase(kFileCases[std::stoul(argv[2])]);
    for (size_t i = 0; i < std::size(kFileCases); ++i)
        benchmark::RegisterBenchmark(kFileCases[i].name, fileCase, i)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
