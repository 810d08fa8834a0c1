// Device contexts: the screen DC (a fixed 32-bpp virtual screen that keeps no pixels)
// and memory DCs over bitmaps, with their selected objects and drawing attributes.

#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kScreenBpp = 32;

HDC addDc(DWORD kind) {
    auto dc = std::make_unique<Dc>();
    dc->pen = GetStockObject(BLACK_PEN);
    dc->brush = GetStockObject(WHITE_BRUSH);
    dc->font = GetStockObject(SYSTEM_FONT);
    if (kind == OBJ_MEMDC) dc->bitmap = registry().stockBitmap();
    return registry().add(std::move(dc), kind);
}

void releaseBitmap(Dc& dc) {
    if (Bitmap* b = dcBitmap(dc); b && b->selectedIn) b->selectedIn = 0;
    dc.bitmap = 0;
}

}  // namespace

HDC GetDC(HWND window) { return window == 0 ? addDc(OBJ_DC) : 0; }

int ReleaseDC(HWND window, HDC dc) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || d->memory()) return 0;
    registry().erase(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC dc) {
    if (dc != 0 && !registry().get<Dc>(dc)) return 0;
    return addDc(OBJ_MEMDC);
}

BOOL DeleteDC(HDC dc) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    releaseBitmap(*d);
    registry().erase(dc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Dc* d = registry().get<Dc>(dc);
    Object* o = registry().find(object);
    if (!d || !o) return 0;
    switch (o->kind) {
    case OBJ_BITMAP: {
        if (!d->memory()) return 0;
        auto* b = static_cast<Bitmap*>(o);
        const HBITMAP previous = d->bitmap;
        if (previous == object) return previous;
        if (b->selectedIn) return 0;  // a bitmap lives in one DC at a time
        releaseBitmap(*d);
        d->bitmap = object;
        if (!b->stock) b->selectedIn = dc;
        return previous;
    }
    case OBJ_PEN: {
        const HPEN previous = d->pen;
        d->pen = object;
        d->penPhase = 0;
        return previous;
    }
    case OBJ_BRUSH: {
        const HBRUSH previous = d->brush;
        d->brush = object;
        return previous;
    }
    case OBJ_FONT: {
        const HFONT previous = d->font;
        d->font = object;
        return previous;
    }
    default: return 0;
    }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT objectType) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d) return 0;
    switch (objectType) {
    case OBJ_BITMAP: return d->bitmap;
    case OBJ_PEN: return d->pen;
    case OBJ_BRUSH: return d->brush;
    case OBJ_FONT: return d->font;
    default: return 0;
    }
}

int GetDeviceCaps(HDC dc, int index) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d) return 0;
    switch (index) {
    case HORZRES: return kScreenWidth;
    case VERTRES: return kScreenHeight;
    case BITSPIXEL: {
        // A memory DC reports the depth of the bitmap it holds.
        const Surface* s = dcSurface(*d);
        return s ? s->bpp : kScreenBpp;
    }
    case PLANES: return 1;
    case LOGPIXELSX:
    case LOGPIXELSY: return kScreenDpi;
    default: return 0;
    }
}

int SetStretchBltMode(HDC dc, int mode) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    const int previous = d->stretchMode;
    d->stretchMode = mode;
    return previous;
}

int GetStretchBltMode(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->stretchMode : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return CLR_INVALID;
    const COLORREF previous = d->textColor;
    d->textColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF GetTextColor(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return CLR_INVALID;
    const COLORREF previous = d->bkColor;
    d->bkColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF GetBkColor(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->bkColor : CLR_INVALID;
}

// Mode 3 is accepted and behaves as TRANSPARENT, as old callers pass it.
int SetBkMode(HDC dc, int mode) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE && mode != 3)) return 0;
    const int previous = d->bkMode;
    d->bkMode = mode;
    return previous;
}

int GetBkMode(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->bkMode : 0;
}

int SetROP2(HDC dc, int mode) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || mode < R2_BLACK || mode > R2_WHITE) return 0;
    const int previous = d->rop2;
    d->rop2 = mode;
    return previous;
}

int GetROP2(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->rop2 : 0;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    if (previous) *previous = d->position;
    d->position = {x, y};
    d->penPhase = 0;  // a new figure starts its dash pattern afresh
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* position) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d || !position) return FALSE;
    *position = d->position;
    return TRUE;
}

}  // namespace gdi
