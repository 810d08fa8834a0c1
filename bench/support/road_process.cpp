#include "road_process.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace benchsupport {

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
int64_t statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size()));
    return -1;
}

int64_t pageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_minflt) + int64_t(usage.ru_majflt);
}

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool runRoadProcess(const std::vector<std::string>& arguments, RoadFigures& figures) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> args = {self};
    args.insert(args.end(), arguments.begin(), arguments.end());
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
    std::istringstream line(out);
    return bool(line >> figures.peakKb >> figures.seconds >> figures.shown >> figures.faults);
}

RoadMeter::RoadMeter() {
    std::ofstream("/proc/self/clear_refs") << "5";  // the high-water mark starts again here
    baseKb_ = statusKb("VmRSS");
    startFaults_ = pageFaults();
    startNs_ = nowNs();
}

void RoadMeter::finish(bool shown) const {
    const double seconds = double(nowNs() - startNs_) / 1e9;
    const int64_t faults = pageFaults() - startFaults_;
    const int64_t peak = statusKb("VmHWM") - baseKb_;
    std::printf("%lld %.6f %d %lld\n", static_cast<long long>(peak), seconds, shown ? 1 : 0,
                static_cast<long long>(faults));
    std::fflush(stdout);
    std::_Exit(0);
}

void measureRoad(benchmark::State& state, const std::vector<std::string>& arguments, double pictureMb) {
    std::vector<std::string> args = {"--road"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    RoadFigures figures;
    for (auto _ : state) {
        if (!runRoadProcess(args, figures)) {
            state.SkipWithError("the road's process failed");
            return;
        }
        state.SetIterationTime(figures.seconds);
    }
    const double peakMb = double(figures.peakKb) * 1024 / 1e6;
    state.counters["peak_MB"] = peakMb;
    state.counters["picture_MB"] = pictureMb;
    state.counters["copies"] = peakMb / pictureMb;
    state.counters["shown"] = figures.shown;
    state.counters["faults_k"] = double(figures.faults) / 1e3;
}

bool isRoadProcess(int argc, char** argv) { return argc > 1 && std::string(argv[1]) == "--road"; }

}  // namespace benchsupport
