#pragma once
// The clock as the layers below the windows see it (the TGA writer's date stamp). The
// windows' services install their clock here, so tests that fake the one fake the other;
// before any is installed the system's local time answers.

#include "platform/runtime/date_time.h"

namespace runtime {

class ClockService {
public:
    virtual ~ClockService() = default;
    // The local date and time now, to the second.
    virtual DateTime Now() = 0;
};

ClockService& clock();
// Installs a clock (not owned); nullptr restores the system's.
void setClockService(ClockService* service);

}  // namespace runtime
