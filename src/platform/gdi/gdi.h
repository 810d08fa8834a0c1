#pragma once
// The drawing platform the windows and the image class draw with: bitmaps, device
// contexts and the raster operations between them, on plain pixel buffers.
//
// Handles are non-zero 32-bit ids (0 = none); the kind of object is encoded in the id,
// so GetObjectType and SelectObject know what they are given. A stale handle or one of
// the wrong kind makes a call fail (0 / FALSE), never crash. One thread only.
// The screen is a fixed virtual one: 1920x1080, 32 bits per pixel, 96 DPI; it keeps no
// pixels, so drawing on the screen DC succeeds and changes nothing.
//
// Supported: DIB sections of 1, 4, 8, 16 (5-5-5, or BI_BITFIELDS masks of up to 8 bits
// each), 24 and 32 bpp, bottom-up and top-down, up to 2^31 - 1 bytes; device bitmaps of
// 1 and 32 bpp (and of the format of a DC's bitmap through CreateCompatibleBitmap); all
// 256 ternary raster operations; all 16 draw modes; pens solid, dashed, null, inside-frame
// and wide; solid, null and hatch brushes; icons and cursors (AND mask + XOR image, or
// 32 bpp with alpha); logical palettes for colour look-ups; filled shapes (rectangles,
// rounded rectangles, ellipses, chords, pies, polygons in both fill modes) and curves
// (arcs, Bezier curves) in device coordinates, clipped by the DC's clip rectangles;
// fonts from a LOGFONT and text rasterised through Qt. Not supported: RLE-compressed
// DIBs, DIB_PAL_COLORS colour tables, file-mapped DIB sections, palette realisation,
// mapping modes (every DC is MM_TEXT: logical = device; the metafile player maps
// coordinates itself).
//
// Alpha-byte rule on 32-bpp surfaces: FillRect, PatBlt, SetPixel, SetDIBitsToDevice
// from <= 24 bpp, BitBlt from a <= 24-bpp source, the fills of the shapes and text
// write the colour and 0 into the alpha byte of each pixel they touch; BitBlt 32 to 32 copies all four bytes (other
// raster operations combine all 32 bits); 32 to 24 drops alpha. Pens (LineTo, Rectangle)
// combine the colour bytes in the draw mode and leave the alpha byte alone. Only
// AlphaBlend interprets alpha.
//
// Speed (4000x3000 at 32 bpp, Release build, bench/gdi): BitBlt SRCCOPY runs at memcpy
// speed (row-wise memmove); AlphaBlend with per-pixel alpha takes about twice as long as
// memcpy of the same bytes (SSE2, four pixels at a time).

#include <cstdint>

namespace gdi {

using BOOL = int;
constexpr BOOL FALSE = 0, TRUE = 1;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using COLORREF = uint32_t;  // 0x00BBGGRR

using HGDIOBJ = uint32_t;
using HBITMAP = uint32_t;
using HBRUSH = uint32_t;
using HPEN = uint32_t;
using HFONT = uint32_t;
using HRGN = uint32_t;
using HPALETTE = uint32_t;
using HDC = uint32_t;
using HICON = uint32_t;
using HWND = uint32_t;
using HMETAFILE = uint32_t;
using HENHMETAFILE = uint32_t;
using INT = int32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

#pragma pack(push, 1)
struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

struct BITMAPINFOHEADER {
    DWORD biSize;  // 40
    LONG biWidth;
    LONG biHeight;  // negative: top-down rows
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
static_assert(sizeof(BITMAPFILEHEADER) == 14);
#pragma pack(pop)

// A header followed by the colour table; callers with up to 8 bpp fill bmiColors.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};

struct BITMAP {
    LONG bmType;  // 0
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;  // bytes per row, rounded up to an even count (DWORD for DIB sections)
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;  // set only for DIB sections
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    uint32_t dshSection;
    DWORD dsOffset;
};

struct POINT {
    LONG x, y;
};
struct SIZE {
    LONG cx, cy;
};
struct RECT {
    LONG left, top, right, bottom;
};

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;  // x is the width
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    uintptr_t lbHatch;
};

struct ICONINFO {
    BOOL fIcon;  // TRUE icon, FALSE cursor
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;   // 1 bpp AND mask; twice the icon's height when hbmColor is 0
    HBITMAP hbmColor;  // 0 for a monochrome icon
};

// Face names are UTF-16; lfHeight < 0 is the character height (em) in pixels, > 0 the
// cell height (ascent + descent), 0 a default of 16 pixels.
struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;  // tenths of a degree, counter-clockwise
    LONG lfOrientation;
    LONG lfWeight;      // 0 = 400
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char16_t lfFaceName[32];
};

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    char16_t tmFirstChar, tmLastChar, tmDefaultChar, tmBreakChar;
    BYTE tmItalic, tmUnderlined, tmStruckOut, tmPitchAndFamily, tmCharSet;
};

struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};

// Callers allocate room for palNumEntries entries, as for BITMAPINFO.
struct LOGPALETTE {
    WORD palVersion;  // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct BLENDFUNCTION {
    BYTE BlendOp;      // AC_SRC_OVER
    BYTE BlendFlags;   // 0
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;  // 0 or AC_SRC_ALPHA
};

// Compression
constexpr DWORD BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
// Colour table use
constexpr UINT DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1;
// CreateDIBitmap
constexpr DWORD CBM_INIT = 4;

// Object types (GetObjectType)
constexpr DWORD OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_DC = 3, OBJ_PAL = 5, OBJ_FONT = 6,
                OBJ_BITMAP = 7, OBJ_REGION = 8, OBJ_METAFILE = 9, OBJ_MEMDC = 10,
                OBJ_ENHMETAFILE = 13;

// Raster operations (ternary codes)
constexpr DWORD SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6,
                SRCINVERT = 0x00660046, SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008,
                NOTSRCERASE = 0x001100A6, MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226,
                PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09, PATINVERT = 0x005A0049,
                DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062;

// Draw modes (SetROP2)
constexpr int R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4,
              R2_MASKPENNOT = 5, R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9,
              R2_NOTXORPEN = 10, R2_NOP = 11, R2_MERGENOTPEN = 12, R2_COPYPEN = 13,
              R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16;

// Pen styles
constexpr UINT PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4,
               PS_NULL = 5, PS_INSIDEFRAME = 6;
// Brush styles
constexpr UINT BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2;
// Hatch styles: one-pixel lines in 8x8 cells anchored at the surface origin
constexpr int HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3,
              HS_CROSS = 4, HS_DIAGCROSS = 5;

// Background modes
constexpr int TRANSPARENT = 1, OPAQUE = 2;
// Stretch modes
constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4;

// Stock objects
constexpr int WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3,
              BLACK_BRUSH = 4, NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
              OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13,
              DEVICE_DEFAULT_FONT = 14, DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16,
              DEFAULT_GUI_FONT = 17;

// Polygon fill modes
constexpr int ALTERNATE = 1, WINDING = 2;
// Text alignment (SetTextAlign): one horizontal and one vertical choice, ORed
constexpr UINT TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6,
               TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;
// ExtTextOut options
constexpr UINT ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000;
// Font weights
constexpr LONG FW_NORMAL = 400, FW_BOLD = 700;

// Device capabilities
constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, LOGPIXELSX = 88,
              LOGPIXELSY = 90;

// AlphaBlend
constexpr BYTE AC_SRC_OVER = 0, AC_SRC_ALPHA = 1;

// DrawIconEx
constexpr UINT DI_MASK = 1, DI_IMAGE = 2, DI_NORMAL = 3, DI_COMPAT = 4, DI_DEFAULTSIZE = 8;
// The platform's default icon size (SM_CXICON, SM_CYICON).
constexpr int kDefaultIconSize = 32;

constexpr int kScreenDpi = 96;
constexpr int kTwipsPerPixel = 15;

// ---- objects --------------------------------------------------------------------
BOOL DeleteObject(HGDIOBJ object);  // fails while a bitmap is selected into a DC
DWORD GetObjectType(HGDIOBJ object);
// Fills a BITMAP, DIBSECTION, LOGPEN or LOGBRUSH; returns the bytes written, 0 on failure;
// with out == nullptr returns the size the object needs.
int GetObject(HGDIOBJ object, int size, void* out);
HGDIOBJ GetStockObject(int which);

// An object the holder deletes when it goes (a handle of 0 holds nothing).
struct OwnedObject {
    HGDIOBJ handle = 0;
    OwnedObject() = default;
    explicit OwnedObject(HGDIOBJ h) : handle(h) {}
    ~OwnedObject() {
        if (handle) DeleteObject(handle);
    }
    OwnedObject(const OwnedObject&) = delete;
    OwnedObject& operator=(const OwnedObject&) = delete;
};

// ---- bitmaps ----------------------------------------------------------------------
// 1, 4, 8, 24 and 32 bpp, BI_RGB (and BI_BITFIELDS for 16/32); zero-filled. Fails
// (returns 0, *bits = nullptr) for width <= 0, height 0, or more than 2^31-1 bytes.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         void* section, DWORD offset);
// A device-dependent bitmap in the format of the DC's bitmap (32 bpp for the screen).
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);

// What a caller must hand in with a DIB. The functions below take raw pointers and trust
// them: the BITMAPINFO must hold DibInfoBytes bytes (header, then colour table or the
// three BI_BITFIELDS masks) and the bits DibImageBytes bytes (or, for a band of scan
// lines, that many rows of the stride). Both return 0 / -1 for a header the functions
// would refuse anyway.
int64_t DibInfoBytes(const BITMAPINFOHEADER& header, UINT usage);
int64_t DibImageBytes(const BITMAPINFOHEADER& header);

// With bits == nullptr and info->bmiHeader.biBitCount == 0: fills in the header (size
// query). Otherwise copies the rows into bits in the requested format (1 or 32 bpp as the
// program asks, and the other depths) and returns the number of lines copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits,
              BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, const void* bits,
              const BITMAPINFO* info, UINT usage);
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                      int ySrc, UINT startScan, UINT scanLines, const void* bits,
                      const BITMAPINFO* info, UINT usage);
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT usage, DWORD rop);

// ---- device contexts ---------------------------------------------------------------
HDC GetDC(HWND window);  // 0: the screen
int ReleaseDC(HWND window, HDC dc);
// A memory DC holding the 1x1 monochrome stock bitmap.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Returns the previously selected object of that kind, 0 on failure (a bitmap can be
// selected into one DC at a time).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT objectType);
int GetDeviceCaps(HDC dc, int index);

int SetStretchBltMode(HDC dc, int mode);  // returns the previous mode
int GetStretchBltMode(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);  // 3 counts as transparent
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL GetCurrentPositionEx(HDC dc, POINT* position);

// ---- pens, brushes, lines, fills ------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);  // BS_SOLID, BS_NULL, BS_HATCHED
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// Draws from the current position up to, not including, the end point, with the
// selected pen in the DC's draw mode; the end point becomes the current position.
BOOL LineTo(HDC dc, int x, int y);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);  // CLR_INVALID outside the surface
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// ---- shapes and curves (device coordinates) -------------------------------------------
// Outlines take the selected pen in the DC's draw mode; fills take the selected brush in
// the draw mode, pixels whose centres lie inside the outline, and alpha 0 on 32 bpp.
// Curves are flattened into line segments; nothing is antialiased. Like Rectangle, the
// bounding boxes of Ellipse, RoundRect, Arc, Chord and Pie include left/top and exclude
// right/bottom. Arcs run counter-clockwise from the radial through (xStart, yStart) to
// the one through (xEnd, yEnd).
int SetPolyFillMode(HDC dc, int mode);  // ALTERNATE or WINDING; returns the previous mode
int GetPolyFillMode(HDC dc);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
           int yEnd);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
BOOL Polygon(HDC dc, const POINT* points, int count);           // at least 2 points
BOOL Polyline(HDC dc, const POINT* points, int count);          // at least 2 points
BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygons);
BOOL PolyBezier(HDC dc, const POINT* points, DWORD count);      // 1 + 3n points

// ---- clipping -------------------------------------------------------------------------
// A DC clips the shapes, curves and text drawn on it to its clip rectangles (none: the
// whole surface). Results: NULLREGION, SIMPLEREGION, COMPLEXREGION, or 0 (ERROR).
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
// The region's rectangles become the clip; region 0 removes clipping.
int SelectClipRgn(HDC dc, HRGN region);
// The DC's clip copied into `region` (a region already): 1; 0 when the DC has no clip,
// -1 for a stale handle.
int GetClipRgn(HDC dc, HRGN region);

// ---- fonts and text ---------------------------------------------------------------------
// A font keeps its LOGFONT; the face is resolved when text is drawn or measured: Arial
// (and Helvetica, MS Sans Serif) to Liberation Sans, Times New Roman (and Times) to
// Liberation Serif, Courier New to Liberation Mono, others through fontconfig, which
// falls back to DejaVu. Fonts are GDI objects (OBJ_FONT, GetObject gives the LOGFONTW,
// DeleteObject ends them); a DC starts with the stock SYSTEM_FONT selected.
HFONT CreateFontIndirectW(const LOGFONTW* font);
inline HFONT CreateFontIndirect(const LOGFONTW* font) { return CreateFontIndirectW(font); }
UINT SetTextAlign(HDC dc, UINT align);  // returns the previous alignment
UINT GetTextAlign(HDC dc);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
BOOL GetTextExtentPoint32W(HDC dc, const char16_t* text, int count, SIZE* size);
// Glyphs are rasterised through Qt with grey antialiasing into coverage; each pixel they
// touch becomes text colour x coverage + its old colour x (1 - coverage), alpha 0. With
// the OPAQUE background mode the text's cell is filled with the background colour first.
// The reference point is (x, y) as the DC's text alignment places it; the escapement
// turns the line about it. TA_UPDATECP draws from and advances the current position.
BOOL TextOutW(HDC dc, int x, int y, const char16_t* text, int count);
// As TextOutW, with ETO_OPAQUE (fill `rect` with the background colour first), ETO_CLIPPED
// (clip the text to `rect`) and `dx`, the advance of each character in pixels (with
// ETO_PDY pairs of x and y advances).
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const char16_t* text,
                 UINT count, const INT* dx);

// ---- metafile handles ----------------------------------------------------------------
// Metafiles are kept as their records (a WMF without its placeable header, an EMF whole);
// the picture layer plays them. GetObjectType gives OBJ_METAFILE / OBJ_ENHMETAFILE, and
// neither GetObject nor GetDIBits nor SelectObject accepts them.
HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data);
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// With data == nullptr the size; otherwise copies up to `size` bytes, returns the bytes.
UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, void* data);
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data);
BOOL DeleteMetaFile(HMETAFILE metafile);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// ---- blits ------------------------------------------------------------------------------
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
            DWORD rop);
BOOL StretchBlt(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src, int xSrc,
                int ySrc, int srcWidth, int srcHeight, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
BOOL AlphaBlend(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src, int xSrc,
                int ySrc, int srcWidth, int srcHeight, BLENDFUNCTION blend);
BOOL GdiFlush();

// ---- icons and cursors ----------------------------------------------------------------
// An icon keeps copies of the bitmaps it is made from; the caller still owns (and
// deletes) those. Its size is the colour bitmap's, or the mask's width by half its
// height for a monochrome icon. Icons are no GDI objects: GetObjectType gives 0 and
// DeleteObject refuses them; DestroyIcon ends them.
HICON CreateIconIndirect(const ICONINFO* info);
// Fills in new copies of the mask and colour bitmaps, which the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
BOOL DestroyIcon(HICON icon);
// Draws at the icon's own size (the platform draws at the default icon size here, but
// every icon the program draws this way is of its own size anyway).
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// cx, cy of 0: the icon's own size, or kDefaultIconSize with DI_DEFAULTSIZE; stretching is
// nearest-neighbour. A 32-bpp colour bitmap with any alpha byte not 0 is blended by its
// straight alpha as AlphaBlend does (DI_IMAGE); otherwise DI_MASK ANDs the mask into the
// destination and DI_IMAGE XORs (with DI_MASK) or copies (without it) the image. Pixels
// under a set mask bit and a black image are left alone, alpha byte included; pixels
// drawn get alpha 0. With a flicker brush the rectangle is filled with it first. `step`
// (animated cursors) is ignored.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flickerBrush,
                UINT flags);

// ---- palettes -------------------------------------------------------------------------
// A logical palette of 1 to 65535 entries; GetObject on it gives its entry count (a WORD).
// GetStockObject(DEFAULT_PALETTE) is the 20 static colours of the system palette.
HPALETTE CreatePalette(const LOGPALETTE* palette);
// The entry nearest to the colour (squared RGB distance, lowest index on a tie);
// CLR_INVALID for a bad handle.
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
// With entries == nullptr: the palette's entry count. Otherwise copies up to `count`
// entries from `start` and returns how many.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

namespace testing {
// AlphaBlend calls made so far, whatever their outcome, so that a test sees which
// painter drew.
uint64_t alphaBlendCalls();
}  // namespace testing

}  // namespace gdi
