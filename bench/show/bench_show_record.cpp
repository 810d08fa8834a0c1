// Moving to the next record and showing it, the whole road of the main window: the move
// events bind the hidden picture box to the record's bytes, the platform loader decodes
// them, the picture is fitted into the pane. Measured for a 12-megapixel JPEG and a
// 1920x1080 BMP, beside libjpeg-turbo's bare decode of the same JPEG in the same run
// (goal: within 1.5x of the bare decode). The catalogue lives in a temporary folder.
//
// Big pictures, each showing in a process of its own (road_process.h: time, peak_MB above
// the process's base, copies of the picture at 4 bytes a pixel), beside a plain read of the
// same file in a process of its own:
//   show_png_16000x4000_zeros      249 KB PNG: the decoder road (TmpFile1.png, the hidden
//   libpng_png_16000x4000_zeros    decoder, TmpFile.bmp, the picture box), beside libpng
//                                  decoding the file's bytes to BGRA
//   show_png_8000x4000_translucent the same road for a picture blended over black as
//   libpng_png_8000x4000_...       TmpFile.bmp is written
//   show_tga_rle32_8192sq_runs     2.6 MB run-length TGA: the decoder road, beside reading
//   read_tga_rle32_8192sq_runs     the file's bytes
//   show_bmp24_8192sq              201 MB BMP: the bound road (the record's bytes through
//   read_bmp24_8192sq              the platform loader), beside reading the file's bytes
// The showing ends when the pane has painted the fitted picture; the hidden decoder is
// loaded before. Goal: at most about two copies of the picture at the peak, and the BMP in
// a few seconds.
//
// Measured (Release, 8 shared cores at a load of 5.4; time, peak above the base, copies,
// thousands of page faults):
//                                   before                          after
//   show_png_16000x4000_zeros       1351 ms  688 MB  2.69   64.7     465 ms  256 MB  1.00   1.6
//   libpng_png_16000x4000_zeros      861 ms  257 MB  1.00   62.6     855 ms  257 MB  1.00  62.6
//   show_png_8000x4000_translucent  1546 ms  336 MB  2.62  106.5    1293 ms  207 MB  1.62  42.5
//   libpng_png_8000x4000_...         461 ms  164 MB  1.28   39.9     424 ms  164 MB  1.28  39.9
//   show_tga_rle32_8192sq_runs      1535 ms  724 MB  2.70   68.1     539 ms  269 MB  1.00   1.5
//   read_tga_rle32_8192sq_runs         4 ms    3 MB  0.01    0.7       6 ms    3 MB  0.01   0.7
//   show_bmp24_8192sq               1971 ms  722 MB  2.69  115.9     777 ms  201 MB  0.75   0.6
//   read_bmp24_8192sq                230 ms  201 MB  0.75   49.2     285 ms  201 MB  0.75  49.2
// Before, the third copy was the hidden picture box's back buffer of the picture's size,
// beside the picture and the pane's image of its own size; a bitmap record's bytes were
// held whole beside its picture, and a transparent picture's 24-bit blend beside the
// decoded image. What is left: the translucent PNG's compressed data, gathered whole by the
// PNG reader while it decodes, and its two passes of the inflater.

#include <filesystem>

#include <QApplication>

#include <benchmark/benchmark.h>

#include "catalogue/main_window.h"
#include "codecs/libpng_memory_io.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "resources/resources.h"
#include "shell/module1.h"
#include "show_inputs.h"
#include "tools/picture_decoder.h"
#include "program_run.h"
#include "road_process.h"

namespace {

constexpr const char* kRoadFolder = "quillmere-bench-show-road";

void addRecord(db::Recordset& pictures, const std::string& name, const std::string& extent,
               const std::vector<uint8_t>& bytes) {
    pictures.addNew();
    pictures.field("PhotoDescription").setValue(name);
    pictures.field("PhotoXtent").setValue(extent);
    pictures.field("PhotoSize").setValue(static_cast<int64_t>(bytes.size()));
    pictures.field("Photo").appendChunk(db::Bytes(bytes));
    pictures.update();
}

// A catalogue at `path` with the records each given as (name, extent, bytes).
void makeCatalogue(const std::string& path,
                   const std::vector<std::tuple<std::string, std::string, std::vector<uint8_t>>>& records) {
    sys::writeFile(path, resources::templateCatalogue());
    db::Connection connection =
        db::Connection::openFile(path, resources::loadResString(resources::kDatabasePasswordResource));
    db::Recordset pictures;
    pictures.open(connection.share(), "Select * from Pictures");
    for (const auto& [name, extent, bytes] : records) addRecord(pictures, name, extent, bytes);
}

void showAlternately(benchmark::State& state, long first, int64_t pixels) {
    Form1& form = ui::forms<Form1>();
    db::Recordset& rs = form.Adodc3.recordset();
    long position = first;
    for (auto _ : state) {
        position = position == first ? first + 1 : first;
        rs.setAbsolutePosition(position);
        form.pComboCatalogue_Click();
        benchmark::DoNotOptimize(form.PictureCatalogue->Picture().Handle());
    }
    state.SetBytesProcessed(state.iterations() * pixels * 3);
    showbench::reportMemory(state);
}

void BM_ShowRecord_Jpeg_4000x3000(benchmark::State& state) { showAlternately(state, 1, 4000 * 3000); }
void BM_ShowRecord_Bmp_1920x1080_24bpp(benchmark::State& state) { showAlternately(state, 3, 1920 * 1080); }

void BM_Libjpeg_Jpeg_4000x3000_toBGR(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(showbench::decodeJpegBare(showbench::jpeg12mp()).get());
    state.SetBytesProcessed(state.iterations() * int64_t{4000} * 3000 * 3);
    showbench::reportMemory(state);
}

BENCHMARK(BM_Libjpeg_Jpeg_4000x3000_toBGR)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowRecord_Jpeg_4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowRecord_Bmp_1920x1080_24bpp)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- big pictures, one process each ----------------------------------------------------------

struct BigPicture {
    const char* name;
    std::string (*path)();
    const char* extent;
    const char* reference;  // "libpng" or "read"
    int64_t width, height;
};

const BigPicture kBigPictures[] = {
    {"png_16000x4000_zeros", [] { return showbench::oversizedPath("png-16000x4000-zeros.png"); }, "PNG", "libpng",
     16000, 4000},
    {"png_8000x4000_translucent", [] { return showbench::oversizedPath("png-8000x4000-translucent.png"); }, "PNG",
     "libpng", 8000, 4000},
    {"tga_rle32_8192sq_runs", [] { return showbench::oversizedPath("tga-rle32-8192-squared-runs.tga"); }, "TGA",
     "read", 8192, 8192},
    {"bmp24_8192sq", [] { return showbench::bmp8192Path(); }, "BMP", "read", 8192, 8192},
};

// The catalogue of a big picture's showing, made by the parent: its first record is a
// 1920x1080 BMP and its second the file.
std::string catalogueOf(const BigPicture& p) {
    return (std::filesystem::temp_directory_path() / (std::string("quillmere-bench-show-") + p.name + ".mdb"))
        .string();
}

// The child's road "show": the main window over a copy of that catalogue, measured from the
// move to the second record until the pane has painted it.
[[noreturn]] void showRoad(int argc, char** argv, const std::string& catalogue) {
    ProgramRun run(argc, argv, kRoadFolder);
    std::filesystem::copy_file(catalogue, run.folder() + "/Quillmere.mdb");
    Module1::Main();
    QApplication::processEvents();
    Form1& form = ui::forms<Form1>();
    const picture::Picture first = form.PictureCatalogue->Picture();
    // Loaded before, as after the program's first decoder-road showing: loading it decodes
    // once more.
    tools::Decoder();

    const benchsupport::RoadMeter meter;
    form.Adodc3.recordset().setAbsolutePosition(2);
    form.pComboCatalogue_Click();
    QApplication::processEvents();
    form.ImageCatalogue->widget()->repaint();
    const picture::Picture shown = form.PictureCatalogue->Picture();
    meter.finish(shown && !(shown == first) && !(shown == form.PicLogo->Picture()));
}

// The child's reference roads: "libpng" decodes the file's bytes, "read" reads them.
[[noreturn]] void plainRoad(const std::string& kind, const std::string& file) {
    const benchsupport::RoadMeter meter;
    const std::vector<uint8_t> bytes = sys::readFile(file);
    bool read = !bytes.empty();
    if (kind == "libpng") {
        std::vector<uint8_t> pixels;
        read = libpngmemory::decodeToBgra(bytes, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    meter.finish(read);
}

void bigShow(benchmark::State& state, const BigPicture* p) {
    const std::string catalogue = catalogueOf(*p);
    makeCatalogue(catalogue, {{"first", "BMP", showbench::bmp1080p()}, {"big", p->extent, sys::readFile(p->path())}});
    benchsupport::measureRoad(state, {"show", catalogue}, double(p->width) * double(p->height) * 4 / 1e6);
    std::filesystem::remove_all(std::filesystem::temp_directory_path() / kRoadFolder);
    std::filesystem::remove(catalogue);
}

void bigReference(benchmark::State& state, const BigPicture* p) {
    benchsupport::measureRoad(state, {p->reference, p->path()}, double(p->width) * double(p->height) * 4 / 1e6);
}

void registerBigPictures() {
    for (const BigPicture& p : kBigPictures) {
        benchmark::RegisterBenchmark((std::string(p.reference) + "_" + p.name).c_str(), bigReference, &p)
            ->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("show_") + p.name).c_str(), bigShow, &p)
            ->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (benchsupport::isRoadProcess(argc, argv)) {
        if (argc != 4) return 1;
        const std::string road = argv[2];
        if (road == "show") showRoad(argc, argv, argv[3]);
        plainRoad(road, argv[3]);
        return 1;
    }
    ProgramRun run(argc, argv, "quillmere-bench-show");
    makeCatalogue(run.folder() + "/Quillmere.mdb",
                  {{"photo one", "JPG", showbench::jpeg12mp()},
                   {"photo two", "JPG", showbench::jpeg12mp()},
                   {"screen one", "BMP", showbench::bmp1080p()},
                   {"screen two", "BMP", showbench::bmp1080p()}});
    Module1::Main();
    registerBigPictures();
    run.runBenchmarks(argc, argv);
}
