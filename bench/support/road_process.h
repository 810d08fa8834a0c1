#pragma once
// One road of the program measured in a process of its own, so that no earlier case's
// memory hides its peak. The benchmark runs this program again with "--road" and its
// arguments; the child resets the kernel's high-water mark, runs the road and prints
// "<peak kB above its base> <seconds> <shown> <page faults>", which the parent turns into
// counters:
//   peak_MB     the most memory resident at once on the road, above what the process held
//               before it
//   picture_MB  the picture at 4 bytes a pixel
//   copies      peak_MB / picture_MB
//   shown       1 when the road ended with the picture (or the reference decoded it)
//   faults_k    thousands of page faults on the road: memory touched for the first time.
//               Each costs about a microsecond on bare hardware and tens in some virtual
//               machines, where they dominate the time of a road over big pictures.
// The time is the road's own, measured inside the child.

#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace benchsupport {

// In the child: resets the high-water mark and starts the clock at construction.
class RoadMeter {
public:
    RoadMeter();
    // Prints the figures and ends the process at once.
    [[noreturn]] void finish(bool shown) const;

private:
    int64_t baseKb_;
    int64_t startNs_;
    int64_t startFaults_;
};

// In the parent: runs "<this program> <arguments...>" and reads the child's figures;
// false when it failed.
struct RoadFigures {
    long long peakKb = 0;
    double seconds = 0;
    int shown = 0;
    long long faults = 0;
};
bool runRoadProcess(const std::vector<std::string>& arguments, RoadFigures& figures);

// Each iteration runs "<this program> --road <arguments...>" and takes its time as the
// iteration's (register with UseManualTime). A failed child skips the case.
void measureRoad(benchmark::State& state, const std::vector<std::string>& arguments, double pictureMb);

// True when argv holds "--road"; the road's arguments follow it.
bool isRoadProcess(int argc, char** argv);

}  // namespace benchsupport
