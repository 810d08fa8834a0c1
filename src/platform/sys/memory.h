#pragma once
// How the process keeps memory it frees.

namespace sys {

// Pictures come and go in blocks of megabytes. By default the C library hands such blocks
// straight back to the system (or trims them off the heap once a few are free), so each
// next picture pays again for the system zeroing and mapping its pages. Keeping up to
// 64 MiB of freed memory for the next picture avoids that. Called once, at start.
void keepFreedPictureMemory();

}  // namespace sys
