#include "support/fixed_clock.h"

namespace testsupport {

namespace {

FixedClock& standardClock() {
    static FixedClock clock(standardTestMoment());
    return clock;
}

}  // namespace

runtime::DateTime standardTestMoment() { return *runtime::DateTime::FromParts(2030, 1, 2, 3, 4, 5); }

void installStandardClock() { runtime::setClockService(&standardClock()); }

ScopedClock::ScopedClock(int year, int month, int day, int hour, int minute, int second)
    : clock_(*runtime::DateTime::FromParts(year, month, day, hour, minute, second)) {
    runtime::setClockService(&clock_);
}

ScopedClock::~ScopedClock() { installStandardClock(); }

}  // namespace testsupport
