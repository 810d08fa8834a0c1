#pragma once
// Tests stop a compaction after one of its steps, as a power failure would, and check
// what the next start finds; or make a step fail.

namespace Module1::testing {

// Thrown where the compaction stops; nothing of the program catches it.
struct CompactionStopped {
    int step;
};

// 1: after the compacted copy is complete; 2: after it replaced the catalogue; 0: never.
void stopCompactionAfter(int step);
// Fails the compaction after a step (numbered as above) with an error that is not the
// runtime's own (std::bad_alloc), as a library below may raise; 0: never.
void failCompactionAfter(int step);

}  // namespace Module1::testing
