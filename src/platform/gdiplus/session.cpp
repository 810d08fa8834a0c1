// Sessions of the imaging library: a set of open tokens.

#include <set>

#include "platform/gdiplus/objects.h"
#include "platform/gdiplus/session.h"
#include "platform/sys/libraries.h"

namespace gdiplus {

namespace {

constexpr Token kLastToken = 0x7FFFFFFF;

struct Sessions {
    std::set<Token> open;
    Token last = 0;
    Status failWith = Ok;
};

Sessions& sessions() {
    static Sessions s;
    return s;
}

// The program is its own "gdiplus.dll": an empty system name loads the program itself,
// whose exported flat functions the probe then finds.
const bool g_libraryMapped = (sys::mapLibraryName("gdiplus.dll", ""), true);

Token nextToken() {
    Sessions& s = sessions();
    for (;;) {
        s.last = s.last >= kLastToken ? 1 : s.last + 1;
        if (!s.open.count(s.last)) return s.last;
    }
}

}  // namespace

namespace detail {

bool sessionOpen() { return !sessions().open.empty(); }

Status requireSession() { return sessionOpen() ? Ok : GdiplusNotInitialized; }

}  // namespace detail

extern "C" Status GdiplusStartup(Token* token, const GdiplusStartupInput* input,
                                 GdiplusStartupOutput* output) {
    (void)g_libraryMapped;
    if (!token) return InvalidParameter;
    *token = 0;
    if (!input) return InvalidParameter;
    if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
    if (sessions().failWith != Ok) return sessions().failWith;
    if (output) *output = GdiplusStartupOutput{};
    const Token t = nextToken();
    sessions().open.insert(t);
    *token = t;
    return Ok;
}

extern "C" void GdiplusShutdown(Token token) {
    if (sessions().open.erase(token) && sessions().open.empty()) detail::releaseAllObjects();
}

bool isSessionOpen(Token token) { return token != 0 && sessions().open.count(token) > 0; }

namespace testing {

void failStartup(Status status) { sessions().failWith = status; }

int openSessionCount() { return int(sessions().open.size()); }

}  // namespace testing

}  // namespace gdiplus
