#pragma once
// The platform version record the image class reads its feature flags from. This
// system answers as a current NT-family platform; tests put older ones in its place.

#include <cstdint>
#include <optional>
#include <string>

namespace sys {

enum PlatformId : uint32_t { kPlatformWin32s = 0, kPlatformWindows9x = 1, kPlatformNT = 2 };

struct VersionRecord {
    uint32_t majorVersion = 6;
    uint32_t minorVersion = 1;
    uint32_t buildNumber = 7601;
    uint32_t platformId = kPlatformNT;
    std::string servicePackText = "Service Pack 1";
    uint16_t servicePackMajor = 1;  // only in the extended record
    uint16_t servicePackMinor = 0;
};

// The extended record (with service-pack numbers); empty when that call fails.
std::optional<VersionRecord> GetVersionExtended();
// The plain record; its service-pack numbers read as 0.
VersionRecord GetVersionPlain();

namespace testing {
// Replaces the record (nullopt restores this system's); extendedFails makes the
// extended call fail so callers fall back to the plain one.
void overrideVersion(std::optional<VersionRecord> record, bool extendedFails = false);
}  // namespace testing

}  // namespace sys
