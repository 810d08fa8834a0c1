#include "platform/sys/row_bands.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Counts how often each row was given to a band.
std::vector<int> rowsVisited(int64_t rows, int64_t minimumBandRows) {
    std::vector<std::atomic<int>> visits(size_t(std::max<int64_t>(rows, 0)));
    sys::forEachRowBand(rows, minimumBandRows, [&](int64_t first, int64_t count) {
        EXPECT_GE(count, 1);
        for (int64_t row = first; row < first + count; ++row) ++visits.at(size_t(row));
    });
    return std::vector<int>(visits.begin(), visits.end());
}

class RowBands : public ::testing::Test {
protected:
    void TearDown() override {
        sys::setRowBandThreads(0);
        sys::setMinimumBandPixels(0);
    }
};

TEST_F(RowBands, SeveralBandsForEachThreadWhenAsked) {
    struct Case {
        int threads, bandsPerThread;
        int64_t rows, minimumBandRows, bands;
    };
    for (const Case c : {Case{2, 4, 100, 1, 8}, Case{2, 4, 100, 30, 3}, Case{3, 1, 100, 1, 3}, Case{1, 4, 100, 1, 1},
                         Case{4, 0, 100, 1, 4}, Case{8, 4, 5, 1, 5}}) {
        sys::setRowBandThreads(c.threads);
        std::atomic<int64_t> bands{0}, rows{0};
        sys::forEachRowBand(c.rows, c.minimumBandRows, c.bandsPerThread, [&](int64_t, int64_t count) {
            ++bands;
            rows += count;
        });
        EXPECT_EQ(bands.load(), c.bands) << c.threads << " threads, " << c.bandsPerThread << " bands each";
        EXPECT_EQ(rows.load(), c.rows);
    }
}

TEST_F(RowBands, ABandIsWorthSome64KPixelsUnlessATestAsksForLess) {
    struct Case {
        int64_t bandPixels, rowPixels, rows;
    };
    for (const Case c : {Case{0, 1000, 65}, Case{0, 1 << 20, 1}, Case{0, 0, 65536}, Case{1, 1000, 1},
                         Case{5000, 1000, 5}, Case{0, 1000, 65}}) {
        sys::setMinimumBandPixels(c.bandPixels);
        EXPECT_EQ(sys::minimumBandRows(c.rowPixels), c.rows) << c.bandPixels << " pixels, rows of " << c.rowPixels;
    }
}

TEST_F(RowBands, EveryRowOnceWhateverTheThreadsAndBandSizes) {
    struct Case {
        int64_t rows, minimumBandRows;
    };
    for (int threads : {1, 2, 3, 8}) {
        sys::setRowBandThreads(threads);
        for (const Case c : {Case{0, 1}, Case{1, 1}, Case{7, 1}, Case{7, 0}, Case{100, 30}, Case{1001, 1},
                             Case{5, 100}}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, " << c.rows << " rows, bands of "
                                            << c.minimumBandRows);
            EXPECT_EQ(rowsVisited(c.rows, c.minimumBandRows), std::vector<int>(size_t(c.rows), 1));
        }
    }
}

// A band that asks for bands of its own, and callers on several threads at once, each get
// their rows (run on their own thread when the helpers are taken) and nothing waits forever.
TEST_F(RowBands, NestedAndSimultaneousCallsAllFinish) {
    sys::setRowBandThreads(4);
    std::atomic<int64_t> inner{0};
    sys::forEachRowBand(40, 1, [&](int64_t, int64_t count) {
        for (int64_t k = 0; k < count; ++k)
            sys::forEachRowBand(10, 1, [&](int64_t, int64_t rows) { inner += rows; });
    });
    EXPECT_EQ(inner.load(), 400);

    std::vector<std::thread> callers;
    std::atomic<int> correct{0};
    for (int caller = 0; caller < 6; ++caller)
        callers.emplace_back([&, caller] {
            for (int round = 0; round < 50; ++round)
                if (rowsVisited(97 + caller, 3) == std::vector<int>(size_t(97 + caller), 1)) ++correct;
        });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(correct.load(), 300);
}

TEST_F(RowBands, AnExceptionInABandReachesTheCallerAfterEveryBandIsDone) {
    sys::setRowBandThreads(4);
    std::atomic<int64_t> done{0};
    EXPECT_THROW(sys::forEachRowBand(400, 1,
                                     [&](int64_t first, int64_t count) {
                                         if (first == 0) throw std::runtime_error("band");
                                         done += count;
                                     }),
                 std::runtime_error);
    EXPECT_EQ(done.load(), 300);
    EXPECT_EQ(rowsVisited(400, 1), std::vector<int>(400, 1)) << "the helpers serve the next call";
}

}  // namespace
