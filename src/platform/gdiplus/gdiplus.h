#pragma once
// The imaging library the image class reaches through its flat functions, standing in
// for the platform's GDI+ ("gdiplus.dll").
//
// Sessions: GdiplusStartup hands out a token and GdiplusShutdown ends that session; any
// number of sessions may be open at once (the image class lends one to its images while a
// bridge object may hold one of its own). Every other flat function fails with
// GdiplusNotInitialized (18) while no session is open.
//
// The flat functions have C linkage and are exported from the program's dynamic symbol
// table (exports.list); linking this library maps the library name "gdiplus.dll" to the
// program itself, so probing it by name (sys::LoadLibrary, GetProcAddress) finds the very
// functions the program calls, and sys::setLibraryAbsent("gdiplus.dll", true) hides it.
//
// Here so far: sessions and the status codes. Images, graphics and the codecs follow in
// files of their own beside session.cpp (images.cpp, graphics.cpp, codecs.cpp), each
// flat function starting with detail::requireSession() (session.h).
// One thread only.

#include <cstdint>

namespace gdiplus {

enum Status : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

// A session token: an opaque non-zero value below 2^31, so a signed 32-bit field holds it.
using Token = uint32_t;

using DebugEventProc = void (*)(int level, char* message);

struct GdiplusStartupInput {
    uint32_t GdiplusVersion = 1;  // the only version there is here
    DebugEventProc DebugEventCallback = nullptr;  // never called: nothing is logged
    int SuppressBackgroundThread = 0;
    int SuppressExternalCodecs = 0;
};

// There is no background thread to hook, so both hooks come back empty.
struct GdiplusStartupOutput {
    void* NotificationHook = nullptr;
    void* NotificationUnhook = nullptr;
};

extern "C" {

// Opens a session and writes its token. InvalidParameter without token or input;
// UnsupportedGdiplusVersion for a version other than 1. On failure *token is 0.
Status GdiplusStartup(Token* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output);

// Ends the session of the token; a token that is 0, unknown or already ended is ignored.
void GdiplusShutdown(Token token);

}  // extern "C"

namespace testing {
// Makes every GdiplusStartup fail with this status until it is set back to Ok.
void failStartup(Status status);
// Sessions open now, for checks that nothing was left open.
int openSessionCount();
}  // namespace testing

}  // namespace gdiplus
