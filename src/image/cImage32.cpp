// cImage32: construction with the platform's feature flags, properties, the kept
// original-format bytes and GDI+ session tokens.

#include "image/cImage32.h"

#include <limits>

#include "codecs/cPNGwriter.h"
#include "image/cGDIPlus.h"
#include "image/modParsers.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/runtime/error.h"
#include "platform/sys/version.h"

namespace {

// Feature flags of a platform version: AlphaBlend from NT 5 on (and on 98/ME, where it
// is off by default), no GDI+ on 95 nor on NT 4 before Service Pack 6.
uint32_t platformFlags(const sys::VersionRecord& v) {
    if (v.platformId == sys::kPlatformWindows9x)
        return v.minorVersion == 0 ? cImage32::PlatformNoGDIplus : cImage32::PlatformWin98ME;
    uint32_t flags = 0;
    if (v.majorVersion > 4) flags = cImage32::PlatformNT5 | cImage32::FeatureAlphaBlend;
    else if (v.servicePackMajor < 6) flags = cImage32::PlatformNoGDIplus;
    return flags | cImage32::PlatformNT;
}

}  // namespace

cGDIPlus& cImage32::useBridge(std::unique_ptr<cGDIPlus>& scratch) {
    if (cachedBridge_) return *cachedBridge_;
    scratch = std::make_unique<cGDIPlus>();
    return *scratch;
}

void cImage32::releaseBridge() { cachedBridge_.reset(); }

cImage32::cImage32() {
    // Without the extended record the plain one serves; its service pack reads as 0.
    const auto extended = sys::GetVersionExtended();
    flags_ = platformFlags(extended ? *extended : sys::GetVersionPlain());
    isGDIplusEnabled(true);
    if (isGDIplusEnabled()) HighQualityInterpolation(true);
}

cImage32::~cImage32() {
    DestroyDIB();
    releaseBridge();
}

void cImage32::isAlphaBlendFriendly(bool Enabled) {
    if (!Enabled) flags_ &= ~uint32_t(FeatureAlphaBlend);
    else if (flags_ & (PlatformNT5 | PlatformWin98ME)) flags_ |= FeatureAlphaBlend;
}

void cImage32::isGDIplusEnabled(bool Enabled) {
    if (Enabled == isGDIplusEnabled()) return;
    flags_ &= ~uint32_t(FeatureGDIplus);
    if (!Enabled || (flags_ & PlatformNoGDIplus)) return;
    std::unique_ptr<cGDIPlus> scratch;
    if (useBridge(scratch).isGDIplusOk()) flags_ |= FeatureGDIplus;
}

void cImage32::KeepGDIplusActive(bool keepActive) {
    keepGDIplusActive_ = keepActive && isGDIplusEnabled();
    if (!keepGDIplusActive_) releaseBridge();
}

void cImage32::gdiToken(int32_t token) {
    // A kept bridge may hold a session of its own; from now on the lent one serves.
    if (keepGDIplusActive_) releaseBridge();
    gdiToken_ = token;
}

int32_t cImage32::scanWidth() const {
    const int64_t scan = int64_t{width_} * 4;
    if (scan > std::numeric_limits<int32_t>::max() || scan < std::numeric_limits<int32_t>::min())
        runtime::raise(runtime::kErrOverflow);
    return int32_t(scan);
}

bool cImage32::isZlibEnabled() const {
    return modParsers::IsDllFunctionAvailable("zlib1.dll", "crc32") ||
           modParsers::IsDllFunctionAvailable("zlib.dll", "crc32");
}

bool cImage32::GetOriginalFormat(std::vector<uint8_t>& outStream) const {
    outStream = originalFormat_;
    return !outStream.empty();
}

void cImage32::SetDIBOriginalFormat(std::span<const uint8_t> bytes) {
    originalFormat_.assign(bytes.begin(), bytes.end());
}

int32_t cImage32::CreateGDIplusToken() {
    std::unique_ptr<cGDIPlus> scratch;
    int32_t token = 0;
    return useBridge(scratch).isGDIplusOk(token, true) ? token : 0;
}

bool cImage32::DestroyGDIplusToken(int32_t token) {
    if (token == 0) return false;
    std::unique_ptr<cGDIPlus> scratch;
    // The bridge's shut-down answers False whatever happens; callers rely on learning
    // whether the session ended.
    const bool wasOpen = gdiplus::isSessionOpen(gdiplus::Token(token));
    useBridge(scratch).ManageGDIplusToken(token, true);
    return wasOpen && !gdiplus::isSessionOpen(gdiplus::Token(token));
}
