#pragma once
// A clock that stands still, so that a save's date stamp (the TGA extension area's) is the
// same in every run. Every test program's main installs one for all its tests; a test that
// checks the stamp itself sets its own moment with ScopedClock.

#include "platform/runtime/clock.h"
#include "platform/runtime/date_time.h"

namespace testsupport {

class FixedClock : public runtime::ClockService {
public:
    explicit FixedClock(runtime::DateTime now) : now_(now) {}
    runtime::DateTime Now() override { return now_; }

private:
    runtime::DateTime now_;
};

// The moment the test programs' clock stands at.
runtime::DateTime standardTestMoment();
// Installs the standing clock of the test programs.
void installStandardClock();

// Stands the clock at another moment for one scope, then back at the standard one.
class ScopedClock {
public:
    ScopedClock(int year, int month, int day, int hour, int minute, int second);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    FixedClock clock_;
};

}  // namespace testsupport
