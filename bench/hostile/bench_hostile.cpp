// Small files that declare big pictures, each beside a plain picture of the same size:
// the time and the peak memory of the road the catalogue shows it by.
//
//   bound road    (BMP, GIF): the record's bytes through the platform picture loader (a
//                 bitmap a piece at a time), and the picture drawn as the pane shows it, at
//                 the size it is fitted to.
//   decoder road  (PNG, TGA): the record's bytes written to TmpFile1.<ext>, decoded by the
//                 hidden decoder, written as TmpFile.bmp, that bitmap loaded by the platform
//                 loader and drawn as the pane shows it.
//
// The files come from tests/fixtures/picture/make-oversized.py, run into a temporary folder
// when the first file case runs.
// Each case runs once per iteration in a fresh process of its own (this program, started
// with --road), so that no earlier case's memory hides its peak. Columns:
//   peak_MB     the most memory resident at once on the road, above what the process held
//               before it (the kernel's high-water mark, reset at the start)
//   picture_MB  the declared picture at 4 bytes a pixel
//   copies      peak_MB / picture_MB. Goal: at most about 2 for every file
//   shown       1 when the road ended with a picture, 0 when the file was refused
//   faults_k    thousands of page faults: memory touched for the first time
// The time is the road's own, measured inside the child.
//
// Measured (Release, 8 shared cores under other load; time, peak above the base, copies):
//                                   before the readers refused and streamed   after
//   bmp_rle8_16384sq_ends_at_once   12957 ms  2416 MB  2.25  (shown)           0.5 ms  0.3 MB  refused
//   bmp8_16384sq_plain              17681 ms  2685 MB  2.50                    7003 ms  1343 MB  1.25
//   gif_4096sq_35_bytes               666 ms   168 MB  2.50  (shown)           0.5 ms  0.2 MB  refused
//   gif_4096sq_plain                 1905 ms   187 MB  2.79                     523 ms   103 MB  1.54
//   png_16000x4000_zeros             7262 ms   706 MB  2.76                    2981 ms   450 MB  1.76
//   png_16000x4000_plain             7370 ms   712 MB  2.78                    2727 ms   455 MB  1.78
//   tga_rle32_8192sq_runs            7187 ms   748 MB  2.79                    2911 ms   475 MB  1.77
//   tga32_8192sq_plain              15538 ms  1008 MB  3.76                    6835 ms   537 MB  2.00
// Then with the picture shown at the size the pane fits it to (no image of its own size
// beside it), a bitmap read a piece at a time and TmpFile.bmp blended in bands (Release,
// 8 shared cores at a load of 6.8; time, peak above the base, copies, thousands of page
// faults):
//   bmp8_16384sq_plain       558 ms   271 MB  0.25    0.9
//   gif_4096sq_plain         185 ms    37 MB  0.55    5.2
//   png_16000x4000_zeros    1016 ms   258 MB  1.01    1.6
//   png_16000x4000_plain     449 ms   263 MB  1.03    2.6
//   tga_rle32_8192sq_runs    325 ms   274 MB  1.02    2.6
//   tga32_8192sq_plain      2187 ms   537 MB  2.00  198.7
// What is left: a raw TGA's file bytes beside its image (the decoder reads a file whole
// for every reader but PNG's).
//
// Draw requests far larger than their destination, each beside a plain draw of the same
// visible size, through the image class's own pipeline (interpolating) onto a 64 x 64
// destination: the time and the peak memory above the base of the one Render call
// (picture_MB and copies do not apply; drawn is 1 when Render drew). Goal: well under a
// second and a few MB each.
//   draw_2e31x2_into_image     2^31 - 1 x 2 into a 64 x 64 image
//   draw_300Mx64_onto_device   300,000,000 x 64 onto a 64 x 64 device
//   turn_40000sq_into_image    40000 x 40000 turned by 30 degrees, its middle in the image
//   *_plain                    a 48 x 48 rectangle scaled (or turned) to the visible size
// Measured (Release, 8 shared cores at a load of 12.5; time, peak above the base):
//                                   before (6 GB address-space cap)      after
//   draw_2e31x2_into_image          refused at the cap (uncapped: past   0.04 ms  0.07 MB  drawn
//                                   20 GB, then killed)
//   draw_2e31x2_into_image_plain    0.04 ms  0.07 MB                     0.04 ms  0.07 MB
//   draw_300Mx64_onto_device        4489 ms  4800 MB  nothing drawn      0.09 ms  0.21 MB  drawn
//   draw_300Mx64_onto_device_plain  0.10 ms  0.08 MB                     0.11 ms  0.21 MB
//   turn_40000sq_into_image         refused, nothing drawn               0.29 ms  0.33 MB  drawn
//   turn_40000sq_into_image_plain   0.09 ms  0.29 MB                     0.08 ms  0.37 MB

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include "image/cImage32.h"
#include "platform/gdi/dib_surface.h"
#include "catalogue/picture_fitting.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"
#include "platform/sys/memory.h"
#include "platform/ui/picture_conversion.h"
#include "road_process.h"
#include "shell/module1.h"
#include "tools/picture_decoder.h"

namespace {

struct Case {
    const char* name;
    const char* file;
    bool decoderRoad;
    int64_t width, height;
};

const Case kCases[] = {
    {"bmp_rle8_16384sq_ends_at_once", "bmp-rle8-16384-squared-ends-at-once.bmp", false, 16384, 16384},
    {"bmp8_16384sq_plain", "bmp8-16384-squared-plain.bmp", false, 16384, 16384},
    {"gif_4096sq_35_bytes", "gif-4096-squared-35-bytes.gif", false, 4096, 4096},
    {"gif_4096sq_plain", "gif-4096-squared-plain.gif", false, 4096, 4096},
    {"png_16000x4000_zeros", "png-16000x4000-zeros.png", true, 16000, 4000},
    {"png_16000x4000_plain", "png-16000x4000-plain.png", true, 16000, 4000},
    {"tga_rle32_8192sq_runs", "tga-rle32-8192-squared-runs.tga", true, 8192, 8192},
    {"tga32_8192sq_plain", "tga32-8192-squared-plain.tga", true, 8192, 8192},
};

std::string g_files;  // the generated files

// A draw request onto a 64 x 64 destination: an image, or a device's 32-bit bitmap.
struct DrawCase {
    const char* name;
    bool device;
    int32_t x, y, width, height, srcWidth;  // srcWidth 0: the whole picture
    float angle;
};

constexpr int kDrawSide = 64;

const DrawCase kDraws[] = {
    {"draw_2e31x2_into_image", false, 0, 20, INT_MAX, 2, 0, 0},
    {"draw_2e31x2_into_image_plain", false, 0, 20, kDrawSide, 2, 48, 0},
    {"draw_300Mx64_onto_device", true, 0, 0, 300000000, kDrawSide, 0, 0},
    {"draw_300Mx64_onto_device_plain", true, 0, 0, kDrawSide, kDrawSide, 48, 0},
    {"turn_40000sq_into_image", false, kDrawSide / 2 - 20000, kDrawSide / 2 - 20000, 40000, 40000, 0, 30},
    // A square of side 64: 45 x 45 turned.
    {"turn_40000sq_into_image_plain", false, 10, 10, 45, 45, 48, 30},
};

// The child of a draw request: one Render call, then "<peak kB> <seconds> <drawn>".
int runDraw(const DrawCase& c) {
    cImage32 image, target;
    if (!image.InitializeDIB(kDrawSide, kDrawSide) || !target.InitializeDIB(kDrawSide, kDrawSide)) return 1;
    for (int y = 0; y < kDrawSide; ++y)
        for (int x = 0; x < kDrawSide; ++x) {
            uint8_t* p = image.BitsPointer() + (size_t(y) * kDrawSide + size_t(x)) * 4;
            p[0] = uint8_t(4 * x), p[1] = uint8_t(4 * y), p[2] = 100, p[3] = 255;
        }
    image.isAlphaBlendFriendly(false);
    image.isGDIplusEnabled(false);
    image.HighQualityInterpolation(true);
    gdi::DibSurface device(kDrawSide, kDrawSide, 32);

    const benchsupport::RoadMeter meter;
    const bool drawn = image.Render(c.device ? device.dc() : 0, c.x, c.y, c.width, c.height, 0, 0, c.srcWidth,
                                    c.srcWidth, 100, true, true, c.device ? nullptr : &target, -1, 0, c.angle);
    meter.finish(drawn);
}

// The size in pixels the main window's pane (5410 x 4155 twips at design) shows a
// picture at.
QSize paneSize(const picture::Picture& picture) {
    const gdi::SIZE size = picture.pixelSize();
    const catalogue::FittedPicture fitted = catalogue::FitPictureIntoPane(size.cx * 15.0, size.cy * 15.0, 5410, 4155);
    return {int(fitted.width / 15), int(fitted.height / 15)};
}

// The child: one road (--road bound|decoder <file> <folder>).
int runRoad(const std::string& road, const std::string& path, const std::string& folder) {
    sys::keepFreedPictureMemory();  // as the program does
    int argc = 1;
    char name[] = "bench_hostile";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    const std::string extension = path.substr(path.size() - 3);
    const std::string source = folder + "/TmpFile1." + extension, bitmap = folder + "/TmpFile.bmp";
    sys::markScratchFile(source);
    sys::markScratchFile(bitmap);
    if (road == "decoder") tools::Decoder();  // loaded before, as after the program's first showing

    const benchsupport::RoadMeter meter;
    QImage shown;
    {
        picture::Picture picture;
        if (road == "bound") {
            try {
                picture = picture::LoadPicture(path);  // as the record's bytes, a piece at a time
            } catch (const std::exception&) {
            }
        } else {
            sys::writeFile(source, sys::readFile(path));
            Module1::DibImageFile = QString::fromStdString(source);
            tools::Decoder().ShowImage(true, false);
            if (tools::WriteDecodedBitmap(bitmap)) {
                try {
                    picture = picture::LoadPicture(bitmap);
                } catch (const std::exception&) {
                }
            }
        }
        if (picture) shown = ui::ImageFromPicture(picture, paneSize(picture));
    }
    meter.finish(!shown.isNull());
}

// The files, made once by the first road that runs (draws need none).
bool madeFiles() {
    static const bool made = [] {
        std::filesystem::create_directories(g_files);
        const std::string make = "python3 '" QM_FIXTURES_DIR "/picture/make-oversized.py' --large '" + g_files + "'";
        if (std::system(make.c_str()) == 0) return true;
        std::fprintf(stderr, "could not make the files: %s\n", make.c_str());
        return false;
    }();
    return made;
}

void road(benchmark::State& state, const Case& c) {
    if (!madeFiles()) {
        state.SkipWithError("the files could not be made");
        return;
    }
    const std::string folder = g_files + "/road-" + c.name;
    std::filesystem::create_directories(folder);
    benchsupport::measureRoad(state, {c.decoderRoad ? "decoder" : "bound", g_files + "/" + c.file, folder},
                              double(c.width) * double(c.height) * 4 / 1e6);
    std::filesystem::remove_all(folder);
}

void draw(benchmark::State& state, const DrawCase& c) {
    benchsupport::RoadFigures figures;
    for (auto _ : state) {
        if (!benchsupport::runRoadProcess({"--draw", c.name}, figures)) {
            state.SkipWithError("the draw's process failed");
            return;
        }
        state.SetIterationTime(figures.seconds);
    }
    state.counters["peak_MB"] = double(figures.peakKb) * 1024 / 1e6;
    state.counters["drawn"] = figures.shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && benchsupport::isRoadProcess(argc, argv)) return runRoad(argv[2], argv[3], argv[4]);
    if (argc == 3 && std::string(argv[1]) == "--draw") {
        for (const DrawCase& c : kDraws)
            if (argv[2] == std::string(c.name)) return runDraw(c);
        return 1;
    }

    g_files = (std::filesystem::temp_directory_path() / "quillmere-bench-hostile").string();
    std::filesystem::remove_all(g_files);
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark(c.name, road, c)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
    for (const DrawCase& c : kDraws)
        benchmark::RegisterBenchmark(c.name, draw, c)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_files);
    return 0;
}
