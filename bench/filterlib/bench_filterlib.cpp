// Every registered effect of the library at its start and maximum (an immediate effect with
// its fixed arguments) on a 1920x1080 picture, on one thread; beside it, in the same run, the
// reference operations that EFFECTS.md names as like-for-like, on the same picture, with
// the effect again at the reference's value. A summary at the end sets each figure against
// its goal: the family's time per effect, and within 3x of a single-thread reference
// (against OpenCV, whose paths are vectorised, the ratio is only reported).
//
// Method. The picture is a corpus photo (IMG0003, 1536x1024) stretched to 1920x1080 with
// HALFTONE, written once as a PPM under the build folder's bench/ for the references.
// Pillow and OpenCV run in Debian's python3 and time the operation in memory (no file
// input or output; OpenCV with one thread). ImageMagick times itself (-bench, one thread,
// the memory-mapped cache file in and no output; the same command without the operation
// is taken off). GEGL (GEGL_THREADS=1) runs as a program on cached files, its time for the
// same files with no operation taken off. A missing tool skips its rows.
//
// Beside the OpenCV rows, the same pair on all cores: ours on all the row bands' threads,
// OpenCV on the threads it takes by itself; OpenCV's paths are vectorised and threaded, so
// these are the like-for-like speeds a person sees.
//
// A second table times every menu item at its maximum (an immediate effect with its fixed
// arguments) on a 12 MP photo (the same photo stretched to 4000x3000): on one thread and on
// all the row bands' threads (one run, and three), the speed-up between them, against the
// goal of 0.5 s per item and 6 s for all of them together. The machine's load is printed
// beside it, and each run's processor time, so that a run on a busy machine can be told
// from a slow one. Only this table: --benchmark_filter=12MP.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "filterlib/effect_calls.h"
#include "platform/sys/row_bands.h"
#include "reference/reference_cases.h"
#include "support/corpus_photo.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kLargeWidth = 4000, kLargeHeight = 3000;
constexpr gdi::COLORREF kPicked = 0x00E0E0E0;
constexpr double kLargeGoalMs = 500, kLargeAllGoalMs = 6000;

FxPicture photoOf(int width, int height) {
    return corpusPhoto(std::string(QM_CORPORA_DIR) + "/photos/IMG0003.jpg", width, height);
}
const FxPicture& source() {
    static const FxPicture picture = photoOf(kWidth, kHeight);
    return picture;
}
const FxPicture& second() {
    static const FxPicture picture = makeFixture(Fixture::Rings, kWidth, kHeight);
    return picture;
}
const FxPicture& largeSource() {
    static const FxPicture picture = photoOf(kLargeWidth, kLargeHeight);
    return picture;
}
const FxPicture& largeSecond() {
    static const FxPicture picture = makeFixture(Fixture::Rings, kLargeWidth, kLargeHeight);
    return picture;
}
// The picture as a file for the reference tools, written once.
std::string fileOf(const FxPicture& picture, const char* name) {
    const std::string path = std::string(QM_BENCH_CACHE_DIR) + "/" + name;
    writePpm(picture, path);
    return path;
}
std::string sourceFile() {
    static const std::string path = fileOf(source(), "filterlib-source.ppm");
    return path;
}
std::string secondFile() {
    static const std::string path = fileOf(second(), "filterlib-second.ppm");
    return path;
}

// The time goal of each effect in milliseconds, by family; a few heavy ones have their own.
double goalMs(int number, int16_t v) {
    static const std::vector<int> point = {1, 2, 5, 6, 7, 8, 9, 10, 11, 13, 15, 16, 23, 35, 37, 48, 53, 55};
    if (std::find(point.begin(), point.end(), number) != point.end()) return 30;
    if (number == 38 || number == 68) return 30;
    if (number == 44 || number == 51 || number == 52 || number == 63 || number == 70) return 1500;
    if (number == 59 && v >= 225) return 1500;  // Oil Paint at radius 5
    return 300;
}

// The processor time of the whole process, every thread's, in seconds.
double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The effect on `in` (and `over`); threads 0 is all the row bands' threads. The counters:
// "cpu ms", the processor time of all threads per run, and "cores", that time over the time
// that passed, which on a machine busy with other work shows how many cores the run had.
void runOn(benchmark::State& state, const filterlib::EffectCall& call, int16_t v, const FxPicture& in,
           const FxPicture& over, int threads) {
    sys::setRowBandThreads(threads);
    FxPicture dest(in.width(), in.height());
    const double processorBefore = processSeconds();
    const auto before = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const Outcome outcome = runEffect(call, v, kPicked, in, dest, &over);
        if (!outcome.called || outcome.fxResult != filterlib::kFxOk) {
            state.SkipWithError("the effect failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    const double passed = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    const double processor = processSeconds() - processorBefore;
    state.counters["cores"] = passed > 0 ? processor / passed : 0;
    state.counters["cpu ms"] = state.iterations() > 0 ? processor * 1e3 / double(state.iterations()) : 0;
    sys::setRowBandThreads(0);
    state.counters["Mpix/s"] = benchmark::Counter(double(in.width()) * in.height() * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

// The 1920x1080 table's runs are on one thread, as the goals and references there are.
void runOurs(benchmark::State& state, const filterlib::EffectCall& call, int16_t v) {
    runOn(state, call, v, source(), second(), 1);
}

void runReference(benchmark::State& state, const ReferenceCase& c, bool allThreads) {
    const std::string missing = toolMissing(c.operation.tool);
    if (!missing.empty()) {
        state.SkipWithError(missing.c_str());
        return;
    }
    for (auto _ : state) {
        const std::optional<double> ms =
            timeReference(c.operation, sourceFile(), c.secondPicture ? secondFile() : "", 7, allThreads);
        if (!ms) {
            state.SkipWithError("the reference operation failed");
            return;
        }
        state.SetIterationTime(*ms / 1000);
    }
}

// What the summary needs of each run: milliseconds per iteration by benchmark name.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0) {
                ms[run.run_name.function_name] = run.GetAdjustedRealTime() * 1e3 /
                                                 benchmark::GetTimeUnitMultiplier(run.time_unit);
                counters[run.run_name.function_name] = run.counters;
            }
    }
    std::map<std::string, double> ms;
    std::map<std::string, benchmark::UserCounters> counters;
    // A counter of a run, -1 when there is none.
    double counter(const std::string& name, const char* which) const {
        const auto run = counters.find(name);
        if (run == counters.end()) return -1;
        const auto it = run->second.find(which);
        return it == run->second.end() ? -1 : it->second.value;
    }
};

std::string oursName(const filterlib::EffectCall& call, const char* which) {
    return std::string("BM_") + call.function + "_" + std::to_string(call.number) + "_" + which + "_1920x1080";
}
std::string referenceName(const ReferenceCase& c, bool allThreads = false) {
    return std::string("BM_") + toolName(c.operation.tool) + "_" + c.name + "_1920x1080_" +
           (allThreads ? "threads" : "1thread");
}
std::string likeName(const ReferenceCase& c, bool allThreads = false) {
    return std::string("BM_Fx_") + c.name + "_1920x1080" + (allThreads ? "_threads" : "");
}
std::string largeName(const filterlib::EffectCall& call, bool oneThread) {
    return std::string("BM_") + call.function + "_" + std::to_string(call.number) + "_12MP_" +
           (oneThread ? "1thread" : "threads");
}

// The first line of /proc/loadavg: the run queue averaged over 1, 5 and 15 minutes.
std::string machineLoad() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return in ? one + " " + five + " " + fifteen : "unknown";
}

}  // namespace
}  // namespace fxtest

int main(int argc, char** argv) {
    using namespace fxtest;
    benchmark::Initialize(&argc, argv);
    struct Row {
        const filterlib::EffectCall* call;
        SliderValues values;
    };
    std::vector<Row> rows;
    for (const filterlib::EffectCall& call : filterlib::effectCalls()) {
        if (!findEntryPoint(call.function)) continue;
        const SliderValues values = sliderValues(call, kWidth);
        rows.push_back({&call, values});
        if (call.immediate) {
            benchmark::RegisterBenchmark(oursName(call, "fixed").c_str(), [&call](benchmark::State& s) {
                runOurs(s, call, 0);
            })->Unit(benchmark::kMillisecond);
            continue;
        }
        for (const auto& [which, v] : {std::pair{"start", values.start}, {"max", values.max}})
            benchmark::RegisterBenchmark(oursName(call, which).c_str(), [&call, v = v](benchmark::State& s) {
                runOurs(s, call, v);
            })->Unit(benchmark::kMillisecond);
    }
    std::vector<ReferenceCase> references;
    for (const ReferenceCase& c : allReferenceCases()) {
        const filterlib::EffectCall* call = filterlib::effectCall(c.effect);
        if (c.timed && call && findEntryPoint(call->function)) references.push_back(c);
    }
    for (const ReferenceCase& c : references) {
        const filterlib::EffectCall* call = filterlib::effectCall(c.effect);
        benchmark::RegisterBenchmark(likeName(c).c_str(), [call, v = c.v](benchmark::State& s) {
            runOurs(s, *call, v);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(referenceName(c).c_str(), [c](benchmark::State& s) { runReference(s, c, false); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
    }
    for (const ReferenceCase& c : references) {
        if (c.operation.tool != Tool::OpenCV) continue;
        const filterlib::EffectCall* call = filterlib::effectCall(c.effect);
        benchmark::RegisterBenchmark(likeName(c, true).c_str(), [call, v = c.v](benchmark::State& s) {
            runOn(s, *call, v, source(), second(), 0);
        })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(referenceName(c, true).c_str(), [c](benchmark::State& s) { runReference(s, c, true); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
    }
    // The 12 MP table: each item at its maximum, on all threads (three runs) and on one.
    for (const Row& row : rows) {
        const filterlib::EffectCall& call = *row.call;
        const int16_t v = call.immediate ? 0 : sliderValues(call, kLargeWidth).max;
        for (const bool oneThread : {false, true})
            benchmark::RegisterBenchmark(largeName(call, oneThread).c_str(), [&call, v, oneThread](benchmark::State& s) {
                runOn(s, call, v, largeSource(), largeSecond(), oneThread ? 1 : 0);
            })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(oneThread ? 1 : 3);
    }
    // The pictures and their files are made before any timing starts.
    source();
    second();
    sourceFile();
    secondFile();
    largeSource();
    largeSecond();
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    auto figure = [&](const std::string& name) {
        const auto it = collector.ms.find(name);
        return it == collector.ms.end() ? -1.0 : it->second;
    };
    std::printf("\n%-22s %4s %9s %9s %7s  %s\n", "effect", "no.", "start ms", "max ms", "goal", "");
    for (const Row& row : rows) {
        const bool immediate = row.call->immediate;
        const double start = figure(oursName(*row.call, immediate ? "fixed" : "start"));
        const double max = immediate ? start : figure(oursName(*row.call, "max"));
        const double goal = std::max(goalMs(row.call->number, row.values.start), goalMs(row.call->number, row.values.max));
        const bool met = start >= 0 && max >= 0 && start <= goalMs(row.call->number, row.values.start) &&
                         max <= goalMs(row.call->number, row.values.max);
        std::printf("%-22s %4d %9.2f %9.2f %7.0f  %s\n", row.call->function, row.call->number, start, max, goal,
                    met ? "met" : "MISSED");
    }
    std::printf("\n%-26s %-12s %9s %9s %7s  %s\n", "like for like", "reference", "ours ms", "ref ms", "ratio", "");
    for (const ReferenceCase& c : references) {
        const double ours = figure(likeName(c)), theirs = figure(referenceName(c));
        const bool reportOnly = c.operation.tool == Tool::OpenCV;
        const double ratio = ours >= 0 && theirs > 0 ? ours / theirs : -1;
        std::printf("%-26s %-12s %9.2f %9.2f %7.2f  %s\n", c.name.c_str(), toolName(c.operation.tool), ours, theirs,
                    ratio, theirs < 0 ? "skipped" : reportOnly ? "reported (vectorised)" : ratio <= 3 ? "met" : "MISSED");
    }
    std::printf("\n%-26s %-12s %9s %9s %7s  (all cores: ours on %d threads, OpenCV on its own)\n", "all cores",
                "reference", "ours ms", "ref ms", "ratio", sys::rowBandThreads());
    for (const ReferenceCase& c : references) {
        if (c.operation.tool != Tool::OpenCV) continue;
        const double ours = figure(likeName(c, true)), theirs = figure(referenceName(c, true));
        std::printf("%-26s %-12s %9.2f %9.2f %7.2f  %s\n", c.name.c_str(), toolName(c.operation.tool), ours, theirs,
                    ours >= 0 && theirs > 0 ? ours / theirs : -1, theirs < 0 ? "skipped" : ours <= theirs ? "ahead" : "behind");
    }
    std::printf("\n12 MP (%dx%d), each item at its maximum, %d threads; load %s\n", kLargeWidth, kLargeHeight,
                sys::rowBandThreads(), machineLoad().c_str());
    // "cores": the processor time the run on all threads had over its time, and "cpu ms" that
    // time per run; on a busy machine the cores are fewer than the threads, and so is the
    // speed-up. "1 thread" shows the cores the one-thread run had.
    std::printf("%-22s %4s %11s %6s %11s %6s %8s %8s %7s  %s\n", "effect", "no.", "1 thread ms", "cores",
                "threads ms", "cores", "cpu ms", "speed-up", "goal", "");
    double allOne = 0, allThreads = 0;
    int timed = 0, met = 0;
    for (const Row& row : rows) {
        const double one = figure(largeName(*row.call, true)), threads = figure(largeName(*row.call, false));
        if (threads < 0) continue;
        ++timed;
        allThreads += threads;
        allOne += std::max(one, 0.0);
        met += threads <= kLargeGoalMs;
        const std::string alone = largeName(*row.call, true), shared = largeName(*row.call, false);
        std::printf("%-22s %4d %11.1f %6.2f %11.1f %6.2f %8.1f %8.2f %7.0f  %s\n", row.call->function,
                    row.call->number, one, collector.counter(alone, "cores"), threads, collector.counter(shared, "cores"),
                    collector.counter(shared, "cpu ms"), one > 0 ? one / threads : -1, kLargeGoalMs,
                    threads <= kLargeGoalMs ? "met" : "MISSED");
    }
    if (timed > 0)
        std::printf("%-22s %4d %11.1f %6s %11.1f %6s %8s %8.2f %7.0f  %s (%d of %d items within %.0f ms)\n",
                    "all items", timed, allOne, "", allThreads, "", "", allThreads > 0 ? allOne / allThreads : -1,
                    kLargeAllGoalMs,
                    allThreads <= kLargeAllGoalMs ? "met" : "MISSED", met, timed, kLargeGoalMs);
    benchmark::Shutdown();
    return 0;
}
