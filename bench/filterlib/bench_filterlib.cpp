// Every registered effect of the library at its start and maximum (an immediate effect with
// its fixed arguments) on a 1920x1080 picture, one core; beside it, in the same run, the
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

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "filterlib/effect_calls.h"
#include "reference/reference_cases.h"
#include "support/corpus_photo.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr gdi::COLORREF kPicked = 0x00E0E0E0;

const FxPicture& source() {
    static const FxPicture picture =
        corpusPhoto(std::string(QM_CORPORA_DIR) + "/photos/IMG0003.jpg", kWidth, kHeight);
    return picture;
}
const FxPicture& second() {
    static const FxPicture picture = makeFixture(Fixture::Rings, kWidth, kHeight);
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

void runOurs(benchmark::State& state, const filterlib::EffectCall& call, int16_t v) {
    FxPicture dest(kWidth, kHeight);
    for (auto _ : state) {
        const Outcome outcome = runEffect(call, v, kPicked, source(), dest, &second());
        if (!outcome.called || outcome.fxResult != filterlib::kFxOk) {
            state.SkipWithError("the effect failed");
            return;
        }
        benchmark::ClobberMemory();
    }
    state.counters["Mpix/s"] =
        benchmark::Counter(double(kWidth) * kHeight * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void runReference(benchmark::State& state, const ReferenceCase& c) {
    const std::string missing = toolMissing(c.operation.tool);
    if (!missing.empty()) {
        state.SkipWithError(missing.c_str());
        return;
    }
    for (auto _ : state) {
        const std::optional<double> ms =
            timeReference(c.operation, sourceFile(), c.secondPicture ? secondFile() : "", 7);
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
            if (!run.error_occurred && run.iterations > 0)
                ms[run.run_name.function_name] = run.GetAdjustedRealTime() * 1e3 /
                                           benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    std::map<std::string, double> ms;
};

std::string oursName(const filterlib::EffectCall& call, const char* which) {
    return std::string("BM_") + call.function + "_" + std::to_string(call.number) + "_" + which + "_1920x1080";
}
std::string referenceName(const ReferenceCase& c) {
    return std::string("BM_") + toolName(c.operation.tool) + "_" + c.name + "_1920x1080_1thread";
}
std::string likeName(const ReferenceCase& c) { return std::string("BM_Fx_") + c.name + "_1920x1080"; }

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
        benchmark::RegisterBenchmark(referenceName(c).c_str(), [c](benchmark::State& s) { runReference(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
    }
    // The pictures and their files are made before any timing starts.
    source();
    second();
    sourceFile();
    secondFile();
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
    benchmark::Shutdown();
    return 0;
}
