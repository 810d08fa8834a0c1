// Adding a 200 MB file to the catalogue through the main window ("Add Picture": read
// the file, one row with its bytes in one transaction, the lists rebuilt, the new row
// shown), beside copying the same file with a flush to disk, in the same run. Goals:
// time within 2x of the copy; peak memory at most 1.5x the file size (peak_over_file is
// the growth of the process's peak resident size during the run, over the file size).

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <benchmark/benchmark.h>

#include "catalogue/main_window.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/recording_services.h"
#include "shell/module1.h"
#include "program_run.h"

namespace {

constexpr int64_t kFileBytes = 200 * 1000 * 1000;
std::string g_folder;
std::string g_source;

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void makeSource() {
    g_source = g_folder + "/source/video.bin";
    std::filesystem::create_directories(g_folder + "/source");
    std::ofstream out(g_source, std::ios::binary);
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1 << 16);
    for (int64_t written = 0; written < kFileBytes; written += int64_t(block.size()) * 8) {
        for (auto& v : block) v = random();
        out.write(reinterpret_cast<const char*>(block.data()),
                  std::min<int64_t>(int64_t(block.size()) * 8, kFileBytes - written));
    }
}

void BM_CopyFile_200MB(benchmark::State& state) {
    const std::string target = g_folder + "/source/copy.bin";
    for (auto _ : state) {
        sys::writeFile(target, sys::readFile(g_source));
        state.PauseTiming();
        std::filesystem::remove(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void BM_AddPicture_200MB(benchmark::State& state) {
    Form1& form = ui::forms<Form1>();
    auto& services = ui::RecordingServices::shared();
    const long before = peakKilobytes();
    int n = 0;
    for (auto _ : state) {
        // Each run stores a file of another name: a link to the same bytes.
        state.PauseTiming();
        const std::string chosen = g_folder + "/source/video" + std::to_string(++n) + ".bin";
        std::filesystem::create_hard_link(g_source, chosen);
        services.queueOpenResult(ui::RecordingServices::chosen(QString::fromStdString(chosen)));
        state.ResumeTiming();
        form.Image1_Click(0);
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
    state.counters["peak_over_file"] = double(peakKilobytes() - before) * 1024.0 / double(kFileBytes);
    state.counters["messages"] = double(services.msgBoxes.size());
}

BENCHMARK(BM_CopyFile_200MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AddPicture_200MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    ProgramRun run(argc, argv, "quillmere-bench-import");
    g_folder = run.folder();
    run.writeTemplateCatalogue();
    makeSource();
    Module1::Main();
    run.runBenchmarks(argc, argv);
}
