// Moving to the next record and showing it, the whole road of the main window: the move
// events bind the hidden picture box to the record's bytes, the platform loader decodes
// them, the picture is fitted into the pane. Measured for a 12-megapixel JPEG and a
// 1920x1080 BMP, beside libjpeg-turbo's bare decode of the same JPEG in the same run
// (goal: within 1.5x of the bare decode). The catalogue lives in a temporary folder.


#include <benchmark/benchmark.h>

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "resources/resources.h"
#include "shell/module1.h"
#include "show_inputs.h"
#include "program_run.h"

namespace {

std::string g_folder;

void addRecord(db::Recordset& pictures, const std::string& name, const std::string& extent,
               const std::vector<uint8_t>& bytes) {
    pictures.addNew();
    pictures.field("PhotoDescription").setValue(name);
    pictures.field("PhotoXtent").setValue(extent);
    pictures.field("PhotoSize").setValue(static_cast<int64_t>(bytes.size()));
    pictures.field("Photo").appendChunk(db::Bytes(bytes));
    pictures.update();
}

// Records 1 and 2 hold the JPEG, 3 and 4 the BMP, so each step moves to another record.
void makeCatalogue() {
    const std::string path = g_folder + "/Quillmere.mdb";
    sys::writeFile(path, resources::templateCatalogue());
    db::Connection connection =
        db::Connection::openFile(path, resources::loadResString(resources::kDatabasePasswordResource));
    db::Recordset pictures;
    pictures.open(connection.share(), "Select * from Pictures");
    addRecord(pictures, "photo one", "JPG", showbench::jpeg12mp());
    addRecord(pictures, "photo two", "JPG", showbench::jpeg12mp());
    addRecord(pictures, "screen one", "BMP", showbench::bmp1080p());
    addRecord(pictures, "screen two", "BMP", showbench::bmp1080p());
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

}  // namespace

int main(int argc, char** argv) {
    ProgramRun run(argc, argv, "quillmere-bench-show");
    g_folder = run.folder();
    makeCatalogue();
    Module1::Main();
    run.runBenchmarks(argc, argv);
}
