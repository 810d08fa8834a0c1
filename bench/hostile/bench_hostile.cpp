// Small files that declare big pictures, each beside a plain picture of the same size:
// the time and the peak memory of the road the catalogue shows it by.
//
//   bound road    (BMP, GIF): the record's bytes through the platform picture loader, and
//                 the picture drawn as the pane shows it.
//   decoder road  (PNG, TGA): the record's bytes written to TmpFile1.<ext>, decoded by the
//                 hidden decoder, written as TmpFile.bmp, that bitmap loaded by the platform
//                 loader and drawn as the pane shows it.
//
// The files come from tests/fixtures/picture/make-oversized.py, run into a temporary folder.
// Each case runs once per iteration in a fresh process of its own (this program, started
// with --road), so that no earlier case's memory hides its peak. Columns:
//   peak_MB     the most memory resident at once on the road, above what the process held
//               before it (the kernel's high-water mark, reset at the start)
//   picture_MB  the declared picture at 4 bytes a pixel
//   copies      peak_MB / picture_MB. Goal: at most about 2 for every file
//   shown       1 when the road ended with a picture, 0 when the file was refused
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
// What is left: the shown image (4 bytes a pixel) beside the picture it shows; on the
// decoder road the decoded image beside its 24-bit blend while TmpFile.bmp is written,
// and a raw TGA's file bytes beside its image.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include "platform/picture/picture.h"
#include "platform/sys/files.h"
#include "platform/sys/memory.h"
#include "platform/ui/picture_conversion.h"
#include "shell/module1.h"
#include "tools/picture_decoder.h"

extern char** environ;

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

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
int64_t statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size()));
    return -1;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The child: one road, then "<peak kB> <seconds> <shown>" on stdout.
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

    resetPeak();
    const int64_t base = statusKb("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    QImage shown;
    {
        picture::Picture picture;
        if (road == "bound") {
            picture = picture::TryLoadPictureFromBytes(sys::readFile(path));  // the record's bytes
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
        if (picture) shown = ui::ImageFromPicture(picture);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t peak = statusKb("VmHWM") - base;
    std::printf("%lld %.6f %d\n", static_cast<long long>(peak), seconds, shown.isNull() ? 0 : 1);
    std::fflush(stdout);
    std::_Exit(0);
}

// Runs this program with --road and reads its one line.
bool measure(const Case& c, int64_t& peakKb, double& seconds, int& shown) {
    const std::string folder = g_files + "/road-" + c.name;
    std::filesystem::create_directories(folder);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string path = g_files + "/" + c.file;
    std::vector<std::string> args = {self, "--road", c.decoderRoad ? "decoder" : "bound", path, folder};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    std::filesystem::remove_all(folder);
    long long kb = 0;
    std::istringstream line(out);
    return bool(line >> kb >> seconds >> shown) && (peakKb = kb, true);
}

void road(benchmark::State& state, const Case& c) {
    const double pictureMb = double(c.width) * double(c.height) * 4 / 1e6;
    int64_t peakKb = 0;
    int shown = 0;
    for (auto _ : state) {
        double seconds = 0;
        if (!measure(c, peakKb, seconds, shown)) {
            state.SkipWithError("the road's process failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["peak_MB"] = double(peakKb) * 1024 / 1e6;
    state.counters["picture_MB"] = pictureMb;
    state.counters["copies"] = double(peakKb) * 1024 / 1e6 / pictureMb;
    state.counters["shown"] = shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--road") return runRoad(argv[2], argv[3], argv[4]);

    g_files = (std::filesystem::temp_directory_path() / "quillmere-bench-hostile").string();
    std::filesystem::remove_all(g_files);
    std::filesystem::create_directories(g_files);
    const std::string make = "python3 '" QM_FIXTURES_DIR "/picture/make-oversized.py' --large '" + g_files + "'";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "could not make the files: %s\n", make.c_str());
        return 1;
    }
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark(c.name, road, c)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_files);
    return 0;
}
