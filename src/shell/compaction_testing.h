#pragma once
// Tests stop a compaction after one of its steps, as a power failure would, and check
// what the next start finds.

namespace Module1::testing {

// Thrown where the compaction stops; nothing of the program catches it.
struct CompactionStopped {
    int step;
};

// 1: after the compacted copy is complete; 2: after it replaced the catalogue; 0: never.
void stopCompactionAfter(int step);

}  // namespace Module1::testing
