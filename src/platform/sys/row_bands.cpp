#include "platform/sys/row_bands.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace sys {

namespace {

// More threads than this gain nothing on the memory-bound kernels.
constexpr int kMostThreads = 8;
std::atomic<int> threadsChosen{0};  // 0: the hardware's
constexpr int64_t kBandPixels = int64_t{1} << 16;
std::atomic<int64_t> bandPixelsChosen{0};  // 0: kBandPixels
thread_local bool runningBand = false;

// Helper threads kept for the life of the program: a blend of a few milliseconds cannot
// afford to start threads (their stacks mapped and unmapped) on every call. One set of bands
// at a time; a call that finds them taken, or comes from inside a band, runs on its own thread.
// Waking a sleeping thread costs tens of microseconds, so a helper watches for the next set
// for a short while before it sleeps (callers often come in runs), and so does the caller for
// the end of its set.
class BandThreads {
public:
    ~BandThreads() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& helper : helpers_) helper.join();
    }

    // Runs band(0) to band(bands - 1), on the helpers and this thread; false when the helpers
    // are taken, and nothing has run.
    bool run(int64_t bands, const std::function<void(int64_t)>& band) {
        std::unique_lock<std::mutex> taken(inUse_, std::try_to_lock);
        if (!taken.owns_lock()) return false;
        startHelpers(bands - 1);
        bool sleepers;
        uint64_t generation;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            band_ = &band;
            bands_ = bands;
            next_ = 0;
            finished_.store(0, std::memory_order_relaxed);
            generation = generation_.load(std::memory_order_relaxed) + 1;
            generation_.store(generation, std::memory_order_release);
            sleepers = sleepers_ > 0;
        }
        if (sleepers) wake_.notify_all();
        work(generation);
        if (!watch(kCallerWatch, [&] { return finished_.load(std::memory_order_acquire) == bands; })) {
            std::unique_lock<std::mutex> lock(mutex_);
            callerWaiting_ = true;
            done_.wait(lock, [&] { return finished_.load(std::memory_order_acquire) == bands; });
            callerWaiting_ = false;
        }
        return true;
    }

private:
    static constexpr std::chrono::microseconds kHelperWatch{300}, kCallerWatch{2000};

    // Spins until ready() or the time is up; true when ready.
    template <class Ready>
    static bool watch(std::chrono::microseconds time, Ready ready) {
        const auto until = std::chrono::steady_clock::now() + time;
        for (int round = 0;; ++round) {
            for (int spin = 0; spin < 64; ++spin) {
                if (ready()) return true;
#if defined(__x86_64__) || defined(__i386__)
                __builtin_ia32_pause();
#endif
            }
            if (std::chrono::steady_clock::now() >= until) return ready();
            if (round % 16 == 15) std::this_thread::yield();  // a loaded machine needs the core more
        }
    }

    void startHelpers(int64_t wanted) {
        // A helper that cannot be started leaves its bands to the others and this thread.
        while (int64_t(helpers_.size()) < wanted) {
            try {
                helpers_.emplace_back([this] { serve(); });
            } catch (const std::exception&) {  // no thread to be had, or no memory to note it
                return;
            }
        }
    }

    // Takes bands of the given generation until none is left; a helper that wakes after its
    // set of bands is done takes nothing from the next.
    void work(uint64_t generation) {
        runningBand = true;
        for (;;) {
            int64_t index, bands;
            const std::function<void(int64_t)>* band;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (generation_.load(std::memory_order_relaxed) != generation || next_ >= bands_) break;
                index = next_++;
                band = band_;
                bands = bands_;
            }
            (*band)(index);
            if (finished_.fetch_add(1, std::memory_order_acq_rel) + 1 == bands) {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (callerWaiting_) done_.notify_one();
            }
        }
        runningBand = false;
    }

    void serve() {
        uint64_t seen = 0;
        for (;;) {
            const auto news = [&] {
                return stopping_.load(std::memory_order_acquire) || generation_.load(std::memory_order_acquire) != seen;
            };
            if (!watch(kHelperWatch, news)) {
                std::unique_lock<std::mutex> lock(mutex_);
                ++sleepers_;
                wake_.wait(lock, news);
                --sleepers_;
            }
            if (stopping_.load(std::memory_order_acquire)) return;
            seen = generation_.load(std::memory_order_acquire);
            work(seen);
        }
    }

    std::mutex inUse_;
    std::mutex mutex_;  // guards the set of bands, the claims and the sleepers
    std::condition_variable wake_, done_;
    std::vector<std::thread> helpers_;
    const std::function<void(int64_t)>* band_ = nullptr;
    int64_t bands_ = 0, next_ = 0;
    std::atomic<int64_t> finished_{0};
    std::atomic<uint64_t> generation_{0};
    std::atomic<bool> stopping_{false};
    int sleepers_ = 0;
    bool callerWaiting_ = false;
};

BandThreads& bandThreads() {
    static BandThreads threads;
    return threads;
}

}  // namespace

int rowBandThreads() {
    const int chosen = threadsChosen.load(std::memory_order_relaxed);
    const int threads = chosen > 0 ? chosen : int(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(threads, 1, kMostThreads);
}

int64_t minimumBandRows(int64_t rowPixels) {
    const int64_t chosen = bandPixelsChosen.load(std::memory_order_relaxed);
    return std::max<int64_t>(1, (chosen > 0 ? chosen : kBandPixels) / std::max<int64_t>(1, rowPixels));
}

void setMinimumBandPixels(int64_t pixels) {
    bandPixelsChosen.store(std::max<int64_t>(0, pixels), std::memory_order_relaxed);
}

void setRowBandThreads(int threads) { threadsChosen.store(std::max(0, threads), std::memory_order_relaxed); }

void forEachRowBand(int64_t rows, int64_t minimumBandRows, const std::function<void(int64_t, int64_t)>& work) {
    forEachRowBand(rows, minimumBandRows, 1, work);
}

void forEachRowBand(int64_t rows, int64_t minimumBandRows, int bandsPerThread,
                    const std::function<void(int64_t, int64_t)>& work) {
    if (rows < 1) return;
    const int64_t threads = rowBandThreads();
    const int64_t most = threads == 1 ? 1 : threads * std::max(1, bandsPerThread);
    const int64_t bands = std::clamp<int64_t>(rows / std::max<int64_t>(1, minimumBandRows), 1, most);
    if (bands == 1) {
        work(0, rows);
        return;
    }
    // Rows shared out evenly, the first bands one row longer where they do not divide.
    const int64_t each = rows / bands, longer = rows % bands;
    auto firstRow = [&](int64_t band) { return band * each + std::min(band, longer); };
    std::vector<std::exception_ptr> failures(static_cast<size_t>(bands));
    const std::function<void(int64_t)> runBand = [&](int64_t band) {
        try {
            work(firstRow(band), firstRow(band + 1) - firstRow(band));
        } catch (...) {
            failures[size_t(band)] = std::current_exception();
        }
    };
    if (runningBand || !bandThreads().run(bands, runBand))
        for (int64_t band = 0; band < bands; ++band) runBand(band);
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace sys
