#pragma once
// cGDIPlus: the image object's bridge to the imaging library (platform/gdiplus), reached
// only through its flat functions. This much is its session handling: whether the library
// can run at all, starting and ending sessions, and the rule by which each imaging
// operation of the bridge gets a session. The imaging operations themselves (encoding,
// loading, drawing) join this class in files of their own, with the cached image over the
// host's pixels and its orientation; ManageGDIplusToken's shut-down will then dispose of
// that image before it ends the session.
//
// Tokens are signed 32-bit values as the image object keeps them; 0 means no session.

#include <cstdint>

class cGDIPlus {
public:
    cGDIPlus() = default;
    // Class_Terminate: ends the session this instance started for itself, if any.
    ~cGDIPlus();
    cGDIPlus(const cGDIPlus&) = delete;
    cGDIPlus& operator=(const cGDIPlus&) = delete;

    // True when the imaging library can run. With an own session: True at once, gdiToken
    // untouched. Otherwise "gdiplus.dll" must export "GdiplusStartup" and a session must
    // start into gdiToken; with KeepToken False it is shut down again at once (gdiToken
    // keeps the stale value), with KeepToken True it stays open and is the caller's.
    bool isGDIplusOk(int32_t& gdiToken, bool KeepToken = false);
    bool isGDIplusOk();  // a probe with a scratch token

    // Restricted to the program's own classes. With shutDown: ends the session of a
    // non-zero token (the token variable keeps its value) and returns False. Otherwise
    // starts a session into token: True when one started, else False with token 0.
    bool ManageGDIplusToken(int32_t& token, bool shutDown);

    // The session rule of every imaging operation: the caller's GlobalToken when it is not
    // 0, else this instance's own session, else a new own session (first checking that the
    // library exports "GdiplusStartup" when checkLibrary). False when no session can be had.
    // The own session stays open until the instance ends.
    bool UseSession(int32_t GlobalToken, bool checkLibrary);

private:
    int32_t ownSessionToken_ = 0;
};
