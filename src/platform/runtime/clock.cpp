#include "platform/runtime/clock.h"

#include <algorithm>
#include <ctime>

namespace runtime {

namespace {

class SystemClock : public ClockService {
public:
    DateTime Now() override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (!localtime_r(&now, &local)) return {};
        return DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                   local.tm_min, std::min(local.tm_sec, 59))
            .value_or(DateTime{});
    }
};

SystemClock g_system;
ClockService* g_clock = nullptr;

}  // namespace

ClockService& clock() { return g_clock ? *g_clock : g_system; }

void setClockService(ClockService* service) { g_clock = service; }

}  // namespace runtime
