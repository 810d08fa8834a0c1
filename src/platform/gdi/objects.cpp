#include "platform/gdi/objects.h"

#include <sys/mman.h>

#include <cstring>
#include <iterator>

namespace gdi {

namespace detail {

namespace {

std::unique_ptr<Pen> stockPen(UINT style, COLORREF color) {
    auto p = std::make_unique<Pen>();
    p->log = {style, {1, 0}, color};
    p->stock = true;
    return p;
}

std::unique_ptr<Brush> stockBrush(UINT style, COLORREF color) {
    auto b = std::make_unique<Brush>();
    b->log = {style, color, 0};
    b->stock = true;
    return b;
}

// The 20 static colours of the system palette: ten dark and light ones at each end.
std::unique_ptr<Palette> makeDefaultPalette() {
    static const BYTE rgb[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    auto p = std::make_unique<Palette>();
    for (const auto& c : rgb) {
        p->entries.push_back({c[0], c[1], c[2], 0});
        p->colors.push_back({c[2], c[1], c[0], 0});
    }
    p->stock = true;
    return p;
}

// The stock fonts: the platform's system font and its relatives, all a 16-pixel cell of
// the sans-serif face (monospaced ones of the mono face).
std::unique_ptr<Font> stockFont(const char16_t* face, LONG weight) {
    auto f = std::make_unique<Font>();
    f->log.lfHeight = 16;
    f->log.lfWeight = weight;
    for (int i = 0; i < 31 && face[i]; ++i) f->log.lfFaceName[i] = face[i];
    f->stock = true;
    return f;
}

const LOGPEN kDefaultPen{PS_SOLID, {1, 0}, RGB(0, 0, 0)};
const LOGBRUSH kDefaultBrush{BS_SOLID, RGB(255, 255, 255), 0};

}  // namespace

Registry& Registry::instance() {
    static Registry registry;
    return registry;
}

Registry::Registry() {
    stock_[WHITE_BRUSH] = add(stockBrush(BS_SOLID, RGB(255, 255, 255)), OBJ_BRUSH);
    stock_[LTGRAY_BRUSH] = add(stockBrush(BS_SOLID, RGB(192, 192, 192)), OBJ_BRUSH);
    stock_[GRAY_BRUSH] = add(stockBrush(BS_SOLID, RGB(128, 128, 128)), OBJ_BRUSH);
    stock_[DKGRAY_BRUSH] = add(stockBrush(BS_SOLID, RGB(64, 64, 64)), OBJ_BRUSH);
    stock_[BLACK_BRUSH] = add(stockBrush(BS_SOLID, RGB(0, 0, 0)), OBJ_BRUSH);
    stock_[NULL_BRUSH] = add(stockBrush(BS_NULL, 0), OBJ_BRUSH);
    stock_[WHITE_PEN] = add(stockPen(PS_SOLID, RGB(255, 255, 255)), OBJ_PEN);
    stock_[BLACK_PEN] = add(stockPen(PS_SOLID, RGB(0, 0, 0)), OBJ_PEN);
    stock_[NULL_PEN] = add(stockPen(PS_NULL, 0), OBJ_PEN);
    for (int which : {OEM_FIXED_FONT, ANSI_FIXED_FONT, SYSTEM_FIXED_FONT})
        stock_[which] = add(stockFont(u"Courier New", FW_NORMAL), OBJ_FONT);
    stock_[ANSI_VAR_FONT] = add(stockFont(u"Arial", FW_NORMAL), OBJ_FONT);
    stock_[SYSTEM_FONT] = add(stockFont(u"Arial", FW_BOLD), OBJ_FONT);
    stock_[DEVICE_DEFAULT_FONT] = add(stockFont(u"Arial", FW_NORMAL), OBJ_FONT);
    stock_[DEFAULT_GUI_FONT] = add(stockFont(u"Arial", FW_NORMAL), OBJ_FONT);
    auto mono = makeBitmap(1, 1, 1, 2, true);
    mono->stock = true;
    stockBitmap_ = add(std::move(mono), OBJ_BITMAP);
    stock_[DEFAULT_PALETTE] = add(makeDefaultPalette(), OBJ_PAL);
}

HGDIOBJ Registry::add(std::unique_ptr<Object> object, DWORD kind) {
    if (!object || kind == 0 || kind > 15) return 0;
    object->kind = kind;
    constexpr uint32_t kSerialMask = (1u << 28) - 1;
    // After a wrap the counter skips serials still in use.
    for (uint32_t tries = 0; tries <= kSerialMask; ++tries) {
        uint32_t& next = nextSerial_[kind];
        next = (next + 1) & kSerialMask;
        if (next == 0) continue;
        const uint32_t handle = (kind << 28) | next;
        if (objects_.count(handle)) continue;
        objects_.emplace(handle, std::move(object));
        return handle;
    }
    return 0;
}

Object* Registry::find(HGDIOBJ handle) {
    if (handle == 0) return nullptr;
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second.get();
}

bool Registry::erase(HGDIOBJ handle) { return objects_.erase(handle) != 0; }

HGDIOBJ Registry::stock(int which) const {
    return which >= 0 && which < int(std::size(stock_)) ? stock_[which] : 0;
}

Bitmap* dcBitmap(const Dc& dc) { return dc.bitmap ? registry().get<Bitmap>(dc.bitmap) : nullptr; }

Surface* dcSurface(const Dc& dc) {
    Bitmap* b = dcBitmap(dc);
    return b ? &b->surface : nullptr;
}

const LOGPEN& dcPen(const Dc& dc) {
    const Pen* p = registry().get<Pen>(dc.pen);
    return p ? p->log : kDefaultPen;
}

const LOGBRUSH& dcBrush(const Dc& dc) {
    const Brush* b = registry().get<Brush>(dc.brush);
    return b ? b->log : kDefaultBrush;
}

const LOGFONTW& dcFont(const Dc& dc) {
    const Font* f = registry().get<Font>(dc.font);
    if (!f) f = registry().get<Font>(registry().stock(SYSTEM_FONT));
    return f->log;
}

namespace {

// A large bitmap is touched page by page when it is first drawn; on a virtual machine each
// fault of a 4 KB page costs microseconds, so a 48 MB canvas made per call spends most of
// its time faulting. Asking for 2 MB pages over the aligned middle of the block takes that
// to a few faults; the kernel may refuse, which changes nothing else.
void adviseHugePages(void* memory, int64_t bytes) {
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    if (bytes < int64_t(2 * kHugePage)) return;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(memory) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + uintptr_t(bytes)) & ~(kHugePage - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace

std::unique_ptr<Bitmap> makeBitmap(int width, int height, int bpp, int alignBytes, bool topDown) {
    if (width <= 0 || height <= 0) return nullptr;
    const int64_t stride = rowBytes(width, bpp, alignBytes);
    if (stride > kMaxImageBytes / height) return nullptr;
    const int64_t bytes = stride * height;
    if (bytes > kMaxImageBytes) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    // calloc leaves large blocks to the kernel's zero pages: cheap for big bitmaps.
    bitmap->memory.reset(static_cast<uint8_t*>(std::calloc(size_t(bytes), 1)));
    if (!bitmap->memory) return nullptr;
    adviseHugePages(bitmap->memory.get(), bytes);
    Surface& s = bitmap->surface;
    s.width = width;
    s.height = height;
    s.bpp = bpp;
    s.stride = stride;
    attachMemory(s, bitmap->memory.get(), topDown);
    if (bpp == 1) s.colors = blackWhiteTable();
    updateMono(s);
    return bitmap;
}

std::unique_ptr<Bitmap> copyBitmap(const Bitmap& source) {
    const Surface& s = source.surface;
    const bool topDown = s.top == s.base;
    const int align = rowBytes(s.width, s.bpp, 4) == s.stride ? 4 : 2;
    auto copy = makeBitmap(s.width, s.height, s.bpp, align, topDown);
    if (!copy) return nullptr;
    std::memcpy(copy->memory.get(), s.base, size_t(s.stride) * size_t(s.height));
    copy->surface.colors = s.colors;
    copy->surface.masks = s.masks;
    copy->surface.mono = s.mono;
    copy->dibSection = source.dibSection;
    copy->header = source.header;
    std::memcpy(copy->bitfields, source.bitfields, sizeof(copy->bitfields));
    return copy;
}

size_t liveObjectCount() { return registry().size(); }

}  // namespace detail

using namespace detail;

BOOL DeleteObject(HGDIOBJ object) {
    Object* o = registry().find(object);
    if (!o || Dc::accepts(o->kind) || Icon::accepts(o->kind) || Metafile::accepts(o->kind))
        return FALSE;
    if (o->stock) return TRUE;
    if (auto* b = registry().get<Bitmap>(object); b && b->selectedIn) return FALSE;
    return registry().erase(object) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ object) {
    const Object* o = registry().find(object);
    return o && !Icon::accepts(o->kind) ? o->kind : 0;
}

int GetObject(HGDIOBJ object, int size, void* out) {
    Object* o = registry().find(object);
    if (!o) return 0;
    if (auto* b = registry().get<Bitmap>(object)) {
        const int full = b->dibSection ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
        if (!out) return full;
        if (size < int(sizeof(BITMAP))) return 0;
        const Surface& s = b->surface;
        DIBSECTION ds{};
        ds.dsBm.bmType = 0;
        ds.dsBm.bmWidth = s.width;
        ds.dsBm.bmHeight = s.height;
        ds.dsBm.bmWidthBytes = LONG(s.stride);
        ds.dsBm.bmPlanes = 1;
        ds.dsBm.bmBitsPixel = WORD(s.bpp);
        ds.dsBm.bmBits = b->dibSection ? s.base : nullptr;
        if (b->dibSection && size >= int(sizeof(DIBSECTION))) {
            ds.dsBmih = b->header;
            ds.dsBmih.biSizeImage = DWORD(s.stride * s.height);
            std::memcpy(ds.dsBitfields, b->bitfields, sizeof(ds.dsBitfields));
            std::memcpy(out, &ds, sizeof(DIBSECTION));
            return int(sizeof(DIBSECTION));
        }
        std::memcpy(out, &ds.dsBm, sizeof(BITMAP));
        return int(sizeof(BITMAP));
    }
    if (auto* p = registry().get<Pen>(object)) {
        if (!out) return int(sizeof(LOGPEN));
        if (size < int(sizeof(LOGPEN))) return 0;
        std::memcpy(out, &p->log, sizeof(LOGPEN));
        return int(sizeof(LOGPEN));
    }
    if (auto* pal = registry().get<Palette>(object)) {
        if (!out) return int(sizeof(WORD));
        if (size < int(sizeof(WORD))) return 0;
        const WORD count = WORD(pal->entries.size());
        std::memcpy(out, &count, sizeof(WORD));
        return int(sizeof(WORD));
    }
    if (auto* f = registry().get<Font>(object)) {
        if (!out) return int(sizeof(LOGFONTW));
        if (size < int(sizeof(LOGFONTW))) return 0;
        std::memcpy(out, &f->log, sizeof(LOGFONTW));
        return int(sizeof(LOGFONTW));
    }
    if (auto* br = registry().get<Brush>(object)) {
        if (!out) return int(sizeof(LOGBRUSH));
        if (size < int(sizeof(LOGBRUSH))) return 0;
        std::memcpy(out, &br->log, sizeof(LOGBRUSH));
        return int(sizeof(LOGBRUSH));
    }
    return 0;
}

HGDIOBJ GetStockObject(int which) { return registry().stock(which); }

BOOL GdiFlush() { return TRUE; }

}  // namespace gdi
