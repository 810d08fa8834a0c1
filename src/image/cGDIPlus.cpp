// GDI+ sessions of the bridge.

#include "image/cGDIPlus.h"

#include "image/modParsers.h"
#include "platform/gdiplus/gdiplus.h"

namespace {

bool libraryPresent() { return modParsers::IsDllFunctionAvailable("gdiplus.dll", "GdiplusStartup"); }

}  // namespace

cGDIPlus::~cGDIPlus() { ManageGDIplusToken(ownSessionToken_, true); }

bool cGDIPlus::ManageGDIplusToken(int32_t& token, bool shutDown) {
    if (shutDown) {
        if (token != 0) gdiplus::GdiplusShutdown(gdiplus::Token(token));
        return false;
    }
    try {
        const gdiplus::GdiplusStartupInput input;  // version 1, nothing suppressed
        gdiplus::Token started = 0;
        if (gdiplus::GdiplusStartup(&started, &input, nullptr) != gdiplus::Ok) {
            token = 0;
            return false;
        }
        token = int32_t(started);
        return token != 0;
    } catch (...) {
        token = 0;
        return false;
    }
}

bool cGDIPlus::isGDIplusOk(int32_t& gdiToken, bool KeepToken) {
    if (ownSessionToken_ != 0) return true;
    if (!libraryPresent()) return false;
    const bool started = ManageGDIplusToken(gdiToken, false);
    if (!KeepToken) ManageGDIplusToken(gdiToken, true);
    return started;
}

bool cGDIPlus::isGDIplusOk() {
    int32_t scratch = 0;
    return isGDIplusOk(scratch, false);
}

bool cGDIPlus::UseSession(int32_t GlobalToken, bool checkLibrary) {
    if (GlobalToken != 0 || ownSessionToken_ != 0) return true;
    if (checkLibrary && !libraryPresent()) return false;
    return ManageGDIplusToken(ownSessionToken_, false);
}
