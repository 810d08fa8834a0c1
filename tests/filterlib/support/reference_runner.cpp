#include "reference_runner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace fxtest {

namespace {

const char* const kPython = "/usr/bin/python3";
const char* const kConvert = "/usr/bin/convert";
const char* const kGegl = "/usr/bin/gegl";

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command; its standard output (and error output with `both`), or nothing
// when it failed.
std::optional<std::string> run(const std::string& command, bool both = false) {
    FILE* pipe = popen((command + (both ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

// A folder of its own for one run, removed afterwards.
class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm-fx-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    bool valid() const { return !path_.empty(); }

private:
    std::string path_;
};

// The operation's text with {second} replaced by the second picture's file.
std::string withSecond(const std::string& text, const std::string& second) {
    std::string out = text;
    const std::string mark = "{second}";
    for (size_t at; (at = out.find(mark)) != std::string::npos;) out.replace(at, mark.size(), shellQuoted(second));
    return out;
}

std::string command(const Operation& operation, const std::string& input, const std::string& second,
                    const std::string& output) {
    switch (operation.tool) {
        case Tool::Pillow:
        case Tool::OpenCV:
            return std::string(kPython) + " " + shellQuoted(QM_FX_REFERENCE_SCRIPT) + " " +
                   (operation.tool == Tool::Pillow ? "pillow " : "opencv ") + shellQuoted(operation.text) + " " +
                   shellQuoted(input) + " " + shellQuoted(output) + (second.empty() ? "" : " --second " + shellQuoted(second));
        case Tool::Magick:
            return std::string("MAGICK_THREAD_LIMIT=1 ") + kConvert + " " + shellQuoted(input) + " " +
                   withSecond(operation.text, second) + " -depth 8 " + shellQuoted("ppm:" + output);
        case Tool::Gegl:
            return std::string("GEGL_THREADS=1 ") + kGegl + " " + shellQuoted(input) + " -o " + shellQuoted(output) +
                   " -- " + withSecond(operation.text, second);
    }
    return "false";
}

// The centre width x height of a larger picture.
Rgb centred(const Rgb& in, int width, int height) {
    Rgb out;
    out.width = width;
    out.height = height;
    const int left = (in.width - width) / 2, top = (in.height - height) / 2;
    for (int y = 0; y < height; ++y) {
        const auto from = in.bytes.begin() + ptrdiff_t((size_t(y + top) * size_t(in.width) + size_t(left)) * 3);
        out.bytes.insert(out.bytes.end(), from, from + ptrdiff_t(width) * 3);
    }
    return out;
}

double secondsOf(const std::string& shell) {
    const auto start = std::chrono::steady_clock::now();
    if (!run(shell)) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

const char* toolName(Tool tool) {
    switch (tool) {
        case Tool::Pillow: return "Pillow";
        case Tool::OpenCV: return "OpenCV";
        case Tool::Magick: return "ImageMagick";
        case Tool::Gegl: return "GEGL";
    }
    return "?";
}

std::string toolMissing(Tool tool) {
    static const bool python = access(kPython, X_OK) == 0;
    switch (tool) {
        case Tool::Pillow: {
            static const bool pil = python && run(std::string(kPython) + " -c 'import PIL, numpy'").has_value();
            return pil ? "" : "Pillow is not installed for /usr/bin/python3 (package python3-pil)";
        }
        case Tool::OpenCV: {
            static const bool cv = python && run(std::string(kPython) + " -c 'import cv2'").has_value();
            return cv ? "" : "OpenCV is not installed for /usr/bin/python3 (package python3-opencv)";
        }
        case Tool::Magick:
            return access(kConvert, X_OK) == 0 ? "" : "ImageMagick's /usr/bin/convert is missing (package imagemagick)";
        case Tool::Gegl:
            return access(kGegl, X_OK) == 0 ? "" : "/usr/bin/gegl is missing (package gegl)";
    }
    return "unknown tool";
}

std::optional<Rgb> runReference(const Operation& operation, const FxPicture& input, const FxPicture* second,
                                std::string* error) {
    auto fail = [error](const std::string& why) -> std::optional<Rgb> {
        if (error) *error = why;
        return std::nullopt;
    };
    Scratch scratch;
    if (!scratch.valid()) return fail("no scratch folder");
    const std::string in = scratch.file("in.ppm"), out = scratch.file("out.ppm");
    const std::string other = second ? scratch.file("second.ppm") : "";
    if (!writePpm(input, in) || (second && !writePpm(*second, other))) return fail("cannot write the inputs");
    const std::string shell = command(operation, in, other, out);
    if (!run(shell)) return fail("failed: " + shell);
    std::optional<Rgb> rgb = readPpm(out);
    if (!rgb) return fail("unreadable output of: " + shell);
    if (rgb->width == input.width() && rgb->height == input.height()) return rgb;
    if (rgb->width < input.width() || rgb->height < input.height())
        return fail("output smaller than the input: " + shell);
    return centred(*rgb, input.width(), input.height());
}

std::optional<double> timeReference(const Operation& operation, const std::string& inputPpm,
                                    const std::string& secondPpm, int repeats, bool allThreads) {
    repeats = std::max(repeats, 1);
    const std::string folder = std::filesystem::path(inputPpm).parent_path().string();
    if (operation.tool == Tool::Pillow || operation.tool == Tool::OpenCV) {
        const std::optional<std::string> out =
            run(command(operation, inputPpm, secondPpm, folder + "/reference-out.ppm") + " --time " +
                std::to_string(repeats) + (allThreads ? " --all-threads" : ""));
        if (!out) return std::nullopt;
        return std::atof(out->c_str());
    }
    if (operation.tool == Tool::Magick) {
        // ImageMagick repeats the command in one process and reports iterations per second
        // on one thread; reading the memory-mapped cache file and writing nowhere is the
        // same command without the operation, whose time is taken off.
        const std::string input = folder + "/reference-in.mpc";
        if (!std::filesystem::exists(input) &&
            !run(std::string(kConvert) + " " + shellQuoted(inputPpm) + " " + shellQuoted(input)))
            return std::nullopt;
        auto perRun = [&](const std::string& text) -> std::optional<double> {
            const std::optional<std::string> out =
                run(std::string("OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 ") + kConvert + " -bench " +
                        std::to_string(repeats) + " " + shellQuoted(input) + " " +
                        withSecond(text, secondPpm) + " null:",
                    true);
            const size_t at = out ? out->find("Performance[1]:") : std::string::npos;
            if (at == std::string::npos) return std::nullopt;
            const size_t i = out->find("i ", at);
            const double perSecond = i == std::string::npos ? 0 : std::atof(out->c_str() + i + 2);
            if (!(perSecond > 0)) return std::nullopt;
            return 1000 / perSecond;
        };
        const std::optional<double> with = perRun(operation.text), without = perRun("");
        if (!with || !without) return std::nullopt;
        return std::max(*with - *without, 0.0);
    }
    // GEGL reads and writes files; its time for the same files with no operation (the same
    // start-up, reading and writing) is taken off.
    const std::string output = folder + "/reference-out.ppm";
    const std::string nothing = std::string("GEGL_THREADS=1 ") + kGegl + " " + shellQuoted(inputPpm) + " -o " +
                                shellQuoted(output) + " -- gegl:nop";
    const std::string with = command(operation, inputPpm, secondPpm, output);
    std::vector<double> plain, timed;
    for (int i = 0; i < repeats; ++i) {
        const double a = secondsOf(nothing), b = secondsOf(with);
        if (a < 0 || b < 0) return std::nullopt;
        plain.push_back(a);
        timed.push_back(b);
    }
    return std::max(median(timed) - median(plain), 0.0) * 1000;
}

Difference differenceOf(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    if (a.size() != b.size() || a.empty()) return {256, 256};
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int diff = std::abs(int(a[i]) - int(b[i]));
        d.largest = std::max(d.largest, diff);
        sum += diff;
    }
    d.mean = sum / double(a.size());
    return d;
}

}  // namespace fxtest
