#pragma once
// The handle table and the objects behind the handles.
//
// A handle is (kind << 28) | serial: the kind nibble is the OBJ_* type, so the handle
// says what it is, and handles of different kinds never collide. Serials count up per
// kind and are not reused until the 28-bit counter wraps, so a stale handle does not
// reach a newer object of the same kind.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/gdi/clip.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace gdi::detail {

constexpr DWORD handleKind(uint32_t handle) { return handle >> 28; }

struct Object {
    virtual ~Object() = default;
    DWORD kind = 0;
    bool stock = false;
};

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

struct Bitmap : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_BITMAP; }
    Surface surface;
    std::unique_ptr<uint8_t, FreeDeleter> memory;
    bool dibSection = false;
    BITMAPINFOHEADER header{};  // as created, for GetObject(DIBSECTION)
    DWORD bitfields[3] = {0, 0, 0};
    HDC selectedIn = 0;  // never set for the shared stock bitmap
};

// Icons live in the same table under a kind of their own that no OBJ_* value uses.
constexpr DWORD kIconKind = 15;

struct Icon : Object {
    static bool accepts(DWORD kind) { return kind == kIconKind; }
    bool isIcon = true;
    DWORD hotX = 0, hotY = 0;
    int width = 0, height = 0;
    std::unique_ptr<Bitmap> mask;   // as handed in: 1 bpp, double height when monochrome
    std::unique_ptr<Bitmap> color;  // nullptr for a monochrome icon
    // Drawing forms, 32 bpp at the icon's size: the AND form is 0 or all ones per pixel,
    // the XOR form the image with alpha 0; with `alpha` the image premultiplied instead.
    std::unique_ptr<Bitmap> andForm, xorForm;
    bool alpha = false;
};

struct Palette : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_PAL; }
    std::vector<RGBQUAD> colors;  // the entries' colours, for nearestIndex
    std::vector<PALETTEENTRY> entries;
};

struct Pen : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_PEN; }
    LOGPEN log{};
};

struct Brush : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_BRUSH; }
    LOGBRUSH log{};
};

struct Font : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_FONT; }
    LOGFONTW log{};
};

// A region keeps a band set that it shares with the clips made from it.
struct Region : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_REGION; }
    std::shared_ptr<const Bands> bands = std::make_shared<const Bands>();
};

// A metafile's records: OBJ_METAFILE (WMF without its placeable header) or
// OBJ_ENHMETAFILE (EMF).
struct Metafile : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_METAFILE || kind == OBJ_ENHMETAFILE; }
    std::vector<uint8_t> bytes;
};

struct Dc : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_DC || kind == OBJ_MEMDC; }
    bool memory() const { return kind == OBJ_MEMDC; }
    HBITMAP bitmap = 0;  // 0 for the screen
    HPEN pen = 0;
    HBRUSH brush = 0;
    HFONT font = 0;
    int stretchMode = BLACKONWHITE;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    POINT position{0, 0};
    int penPhase = 0;  // pixels into the pen's dash pattern
    UINT textAlign = TA_LEFT | TA_TOP;
    int polyFillMode = ALTERNATE;
    Clip clip;
    bool strokesClearAlpha = false;  // set for metafile playback
    bool opaque() const { return bkMode == OPAQUE; }
};

class Registry {
public:
    static Registry& instance();

    HGDIOBJ add(std::unique_ptr<Object> object, DWORD kind);
    Object* find(HGDIOBJ handle);
    bool erase(HGDIOBJ handle);
    size_t size() const { return objects_.size(); }

    template <class T>
    T* get(HGDIOBJ handle) {
        Object* o = find(handle);
        return o && T::accepts(o->kind) ? static_cast<T*>(o) : nullptr;
    }

    HGDIOBJ stock(int which) const;
    HBITMAP stockBitmap() const { return stockBitmap_; }

private:
    Registry();
    std::unordered_map<uint32_t, std::unique_ptr<Object>> objects_;
    uint32_t nextSerial_[16] = {};
    HGDIOBJ stock_[DEFAULT_GUI_FONT + 1] = {};
    HBITMAP stockBitmap_ = 0;
};

inline Registry& registry() { return Registry::instance(); }

// The surface a DC draws on, nullptr for the screen.
Surface* dcSurface(const Dc& dc);
Bitmap* dcBitmap(const Dc& dc);
// The selected pen and brush; one deleted behind the DC's back reads as the default.
const LOGPEN& dcPen(const Dc& dc);
const LOGBRUSH& dcBrush(const Dc& dc);
const LOGFONTW& dcFont(const Dc& dc);

// A bitmap with zeroed memory; nullptr when the size is out of range or memory is short.
std::unique_ptr<Bitmap> makeBitmap(int width, int height, int bpp, int alignBytes, bool topDown);
// A copy of a bitmap's pixels and format (layout, colour table, masks); not registered.
std::unique_ptr<Bitmap> copyBitmap(const Bitmap& source);

// Objects alive, the stock objects included; for leak checks in tests.
size_t liveObjectCount();

}  // namespace gdi::detail
