#pragma once
// Runs work on horizontal bands of rows side by side on several threads. Every band gets
// its own disjoint range of rows, so a caller whose work writes only the rows it is given
// and reads only shared constant data produces the same bytes however the rows are split.

#include <cstdint>
#include <functional>

namespace sys {

// Calls work(first, count) for consecutive bands covering rows 0 to rows - 1, at least
// minimumBandRows rows each (the last band excepted), as many bands as there are threads to
// run them; with one band the work runs on the calling thread. Returns when every band is
// done; the first exception a band threw is then thrown again.
void forEachRowBand(int64_t rows, int64_t minimumBandRows, const std::function<void(int64_t, int64_t)>& work);

// The same with up to bandsPerThread bands for each thread, taken by the threads as they come
// free: for work whose rows cost unevenly, or a machine busy with other work, where a thread
// that is held up would otherwise keep all the others waiting for its one band.
void forEachRowBand(int64_t rows, int64_t minimumBandRows, int bandsPerThread,
                    const std::function<void(int64_t, int64_t)>& work);

// The fewest rows of rowPixels pixels each that are worth a band, and a thread, of their own:
// some 64K pixels, at least one row.
int64_t minimumBandRows(int64_t rowPixels);

// The pixels a band is worth: some 64K, unless a test set a number (0 returns to 64K), so
// that a small picture too is cut into bands of a row or a few.
void setMinimumBandPixels(int64_t pixels);

// The most threads forEachRowBand uses: the processor's hardware threads, unless a test set
// a number (0 returns to the hardware's; 1 keeps everything on the calling thread).
int rowBandThreads();
void setRowBandThreads(int threads);

}  // namespace sys
