#include "platform/sys/version.h"

namespace sys {

namespace {
std::optional<VersionRecord> g_override;
bool g_extendedFails = false;

VersionRecord current() { return g_override.value_or(VersionRecord{}); }
}  // namespace

std::optional<VersionRecord> GetVersionExtended() {
    if (g_extendedFails) return std::nullopt;
    return current();
}

VersionRecord GetVersionPlain() {
    VersionRecord record = current();
    record.servicePackMajor = 0;
    record.servicePackMinor = 0;
    return record;
}

namespace testing {
void overrideVersion(std::optional<VersionRecord> record, bool extendedFails) {
    g_override = std::move(record);
    g_extendedFails = extendedFails;
}
}  // namespace testing

}  // namespace sys
