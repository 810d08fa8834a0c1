#include "image/parallelRows.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace compositing {

namespace {

// More threads than this gain nothing on the memory-bound kernels and cost start-up time.
constexpr int kMostThreads = 8;
std::atomic<int> threadsChosen{0};  // 0: the hardware's

}  // namespace

int rowBandThreads() {
    const int chosen = threadsChosen.load(std::memory_order_relaxed);
    const int threads = chosen > 0 ? chosen : int(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(threads, 1, kMostThreads);
}

void setRowBandThreads(int threads) { threadsChosen.store(std::max(0, threads), std::memory_order_relaxed); }

void forEachRowBand(int64_t rows, int64_t minimumBandRows, const std::function<void(int64_t, int64_t)>& work) {
    if (rows < 1) return;
    const int64_t bands = std::clamp<int64_t>(rows / std::max<int64_t>(1, minimumBandRows), 1, rowBandThreads());
    if (bands == 1) {
        work(0, rows);
        return;
    }
    // Rows shared out evenly, the first bands one row longer where they do not divide.
    const int64_t each = rows / bands, longer = rows % bands;
    auto firstRow = [&](int64_t band) { return band * each + std::min(band, longer); };
    std::vector<std::exception_ptr> failures(static_cast<size_t>(bands));
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(bands - 1));
    auto runBand = [&](int64_t band) {
        try {
            work(firstRow(band), firstRow(band + 1) - firstRow(band));
        } catch (...) {
            failures[size_t(band)] = std::current_exception();
        }
    };
    // Band 0 runs here; a thread that cannot be started leaves its band to this one too.
    std::vector<int64_t> leftOver;
    for (int64_t band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(runBand, band);
        } catch (const std::system_error&) {
            leftOver.push_back(band);
        }
    }
    runBand(0);
    for (const int64_t band : leftOver) runBand(band);
    for (std::thread& helper : helpers) helper.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace compositing
