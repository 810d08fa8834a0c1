#pragma once
// The imaging library the image class, the save dialog and the resize window reach
// through its flat functions, standing in for the platform's GDI+ ("gdiplus.dll").
//
// Sessions: GdiplusStartup hands out a token and GdiplusShutdown ends that session; any
// number of sessions may be open at once (the image class lends one to its images while a
// bridge object may hold one of its own). Every other flat function fails with
// GdiplusNotInitialized (18) while no session is open. When the last session ends, every
// image, graphics and attributes object still alive goes with it; a pointer to one is
// then refused (InvalidParameter), never followed.
//
// The flat functions have C linkage and are exported from the program's dynamic symbol
// table (exports.list); linking this library maps the library name "gdiplus.dll" to the
// program itself, so probing it by name (sys::LoadLibrary, GetProcAddress) finds the very
// functions the program calls, and sys::setLibraryAbsent("gdiplus.dll", true) hides it.
//
// What is here:
//  - Bitmaps over the caller's memory (GdipCreateBitmapFromScan0: 32bppPARGB, ARGB or
//    RGB; never a copy, so later changes of that memory show), and copies made from a
//    gdi bitmap or icon. GdipImageRotateFlip only changes how a bitmap's memory is read.
//  - Decoding from a file or a Stream, the format sniffed from the content: BMP, JPEG,
//    GIF (first frame, its transparent index as alpha 0) and ICO/CUR through the platform
//    picture loader, TIFF (first page) through libtiff. PNG is refused as
//    UnknownImageFormat unless testing::acceptPng switches it on, so that the program's
//    own PNG reader is the PNG road; everything else (TGA, text, metafiles) is
//    UnknownImageFormat. Damaged data of a known format: InvalidParameter.
//  - Drawing onto a gdi device context: 32-bpp targets get premultiplied source-over with
//    alpha written; 24-bpp and other targets colour only. NearestNeighbor and
//    HighQualityBicubic interpolation (every other mode draws as HighQualityBicubic);
//    a colour matrix applied to straight colour; world rotation and translation;
//    negative destination or source sizes mirror.
//  - Encoders found by MIME type: image/bmp, image/jpeg (EncoderQuality 0..100, default
//    75), image/gif, image/tiff, image/png, written to a file or a Stream.
// Not here: decoders
// listed as codecs, frames and properties, clipping, pens, brushes and text.
//
// Speed (Release, one thread, bench/resize): HighQualityBicubic from a 3000x2000 bitmap
// over caller memory onto a 32-bpp DIB section takes 15-21 ms to 25% and 140-150 ms to
// 200%, compositing included; libvips' cubic resize on one thread took 120-140 ms and
// 1.6-1.9 s in the same runs (net of process start and file I/O): well within the goal
// of 2x of vips.
// One thread only.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gdi/gdi.h"

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

using BOOL = int;
using BYTE = uint8_t;
using INT = int32_t;
using UINT = uint32_t;
using REAL = float;
using ARGB = uint32_t;  // 0xAARRGGBB, straight alpha
using WCHAR = char16_t;

using PixelFormat = int32_t;
constexpr PixelFormat PixelFormatIndexed = 0x00010000;
constexpr PixelFormat PixelFormatAlpha = 0x00040000;
constexpr PixelFormat PixelFormatPAlpha = 0x00080000;
constexpr PixelFormat PixelFormat1bppIndexed = 0x00030101;
constexpr PixelFormat PixelFormat4bppIndexed = 0x00030402;
constexpr PixelFormat PixelFormat8bppIndexed = 0x00030803;
constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

// Rotation (clockwise, in quarter turns) and then, from 4 on, a left-right mirror.
enum RotateFlipType : int {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,  // = a top-bottom mirror
    Rotate270FlipX = 7,
};

enum InterpolationMode : int {
    InterpolationModeInvalid = -1,
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality = 1,
    InterpolationModeHighQuality = 2,
    InterpolationModeBilinear = 3,
    InterpolationModeBicubic = 4,
    InterpolationModeNearestNeighbor = 5,
    InterpolationModeHighQualityBilinear = 6,
    InterpolationModeHighQualityBicubic = 7,
};

enum Unit : int { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2 };
enum MatrixOrder : int { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
enum ColorAdjustType : int {
    ColorAdjustTypeDefault = 0,
    ColorAdjustTypeBitmap = 1,
    ColorAdjustTypeBrush = 2,
    ColorAdjustTypePen = 3,
    ColorAdjustTypeText = 4,
};
enum ColorMatrixFlags : int {
    ColorMatrixFlagsDefault = 0,
    ColorMatrixFlagsSkipGrays = 1,
    ColorMatrixFlagsAltGray = 2,
};

// Rows: input red, green, blue, alpha and the constant 1; columns: output red, green,
// blue, alpha and 1. Colours count from 0 to 1.
struct ColorMatrix {
    REAL m[5][5];
};

struct GpRectF {
    REAL X, Y, Width, Height;
};

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};
using CLSID = GUID;

// An encoder record as GdipGetImageEncoders lays it out; the strings live in the same
// buffer, after the records.
struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    uint32_t Flags;
    uint32_t Version;
    uint32_t SigCount;
    uint32_t SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};

constexpr uint32_t EncoderParameterValueTypeLong = 4;

struct EncoderParameter {
    GUID Guid;
    uint32_t NumberOfValues;
    uint32_t Type;
    void* Value;
};

struct EncoderParameters {
    uint32_t Count;
    EncoderParameter Parameter[1];
};

// {1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}: JPEG quality, one Long value from 0 to 100.
constexpr GUID EncoderQuality = {0x1D5BE4B5, 0xFA4A, 0x452D,
                                 {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};

// The header the resize window hands in with a metafile handle.
#pragma pack(push, 2)
struct WmfPlaceableFileHeader {
    uint32_t Key;
    int16_t Hmf;
    int16_t BoundingBoxLeft, BoundingBoxTop, BoundingBoxRight, BoundingBoxBottom;
    int16_t Inch;
    uint32_t Reserved;
    int16_t Checksum;
};
#pragma pack(pop)
static_assert(sizeof(WmfPlaceableFileHeader) == 22);

// Opaque objects of the library.
struct GpImage;
using GpBitmap = GpImage;
using GpMetafile = GpImage;
struct GpGraphics;
struct GpImageAttributes;

using DrawImageAbort = BOOL (*)(void* data);

// The byte stream that images load from and save to (what the platform's streams on
// global memory are to the callers): a growable buffer with a read/write position.
class Stream {
public:
    Stream() = default;
    explicit Stream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t position() const { return position_; }
    void seek(size_t position) { position_ = position; }
    // What is left from the position on; the position moves to the end.
    std::span<const uint8_t> readRest();
    // Writes at the position, growing the buffer as needed.
    void write(std::span<const uint8_t> data);

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

extern "C" {

// ---- sessions ------------------------------------------------------------------------
// Opens a session and writes its token. InvalidParameter without token or input;
// UnsupportedGdiplusVersion for a version other than 1. On failure *token is 0.
Status GdiplusStartup(Token* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output);
// Ends the session of the token; a token that is 0, unknown or already ended is ignored.
void GdiplusShutdown(Token token);

// ---- images ----------------------------------------------------------------------------
// A bitmap over width x height pixels at scan0, rows `stride` bytes apart (negative for
// bottom-up memory), of a 32-bit format (PARGB, ARGB or RGB). The memory stays the
// caller's and must outlive the bitmap. scan0 nullptr: the library allocates zeroed
// memory (stride ignored).
Status GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format,
                                 BYTE* scan0, GpBitmap** bitmap);
// A copy of a gdi bitmap of any depth; the palette argument is ignored (a bitmap's own
// colour table speaks for it). Opaque: the fourth byte of 32-bpp pixels is not alpha.
Status GdipCreateBitmapFromHBITMAP(gdi::HBITMAP hbm, gdi::HPALETTE palette, GpBitmap** bitmap);
// A copy of an icon with its transparency (mask or alpha); 32bppARGB.
Status GdipCreateBitmapFromHICON(gdi::HICON icon, GpBitmap** bitmap);
// Metafile images from a gdi metafile handle (a WMF with the placeable header handed in,
// its box at 96 DPI giving the size; an EMF sized by its frame), played by the picture
// layer's player: their pixels are the picture at that size, and drawing plays them again
// at the size drawn. InvalidParameter for a handle of another kind or a bad header.
Status GdipCreateMetafileFromWmf(uint32_t hWmf, BOOL deleteWmf,
                                 const WmfPlaceableFileHeader* header, GpMetafile** metafile);
Status GdipCreateMetafileFromEmf(uint32_t hEmf, BOOL deleteEmf, GpMetafile** metafile);

// Decodes the file (UTF-16 name) or the stream's bytes from its position on.
// FileNotFound when the file cannot be read; UnknownImageFormat for content of no
// decoded format; InvalidParameter for damaged data; OutOfMemory beyond 2^28 pixels.
Status GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
Status GdipLoadImageFromStream(Stream* stream, GpImage** image);
Status GdipDisposeImage(GpImage* image);

// (0, 0, width, height) in UnitPixel, after any rotation.
Status GdipGetImageBounds(GpImage* image, GpRectF* rect, Unit* unit);
Status GdipGetImageWidth(GpImage* image, UINT* width);
Status GdipGetImageHeight(GpImage* image, UINT* height);
// The format the image was made or decoded with (pixels are kept premultiplied anyway).
Status GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
// Turns or mirrors the image in place. On a bitmap over caller memory only the way the
// memory is read changes: the caller's bytes stay as they are.
Status GdipImageRotateFlip(GpImage* image, RotateFlipType type);
// The pixel at (x, y) as straight 0xAARRGGBB.
Status GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color);

// ---- encoders ----------------------------------------------------------------------------
Status GdipGetImageEncodersSize(UINT* numEncoders, UINT* size);
// Fills `size` bytes: numEncoders records, then their strings. Both numbers must be
// those GdipGetImageEncodersSize gave (InvalidParameter otherwise).
Status GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders);
// Encodes with the encoder of that class identifier (FileNotFound for none). The file is
// written whole or not at all; the stream receives the bytes at its position.
Status GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* clsidEncoder,
                           const EncoderParameters* params);
Status GdipSaveImageToStream(GpImage* image, Stream* stream, const CLSID* clsidEncoder,
                             const EncoderParameters* params);

// ---- graphics ------------------------------------------------------------------------------
// A drawing surface on the device context: whatever bitmap the DC holds when a draw runs
// (the screen DC takes every draw and keeps nothing). InvalidParameter for a handle that
// is no DC.
Status GdipCreateFromHDC(gdi::HDC hdc, GpGraphics** graphics);
Status GdipDeleteGraphics(GpGraphics* graphics);
Status GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode);
Status GdipGetInterpolationMode(GpGraphics* graphics, InterpolationMode* mode);
// Degrees, clockwise on the screen for a positive angle, about the origin.
Status GdipRotateWorldTransform(GpGraphics* graphics, REAL angle, MatrixOrder order);
Status GdipTranslateWorldTransform(GpGraphics* graphics, REAL dx, REAL dy, MatrixOrder order);
Status GdipResetWorldTransform(GpGraphics* graphics);
// Draws the source rectangle (pixels of the image; UnitPixel only) into the destination
// rectangle (world coordinates). A negative width or height on either side mirrors; a
// source rectangle reaching past the image draws only the part within it. The callback
// is never called.
Status GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, INT dstx, INT dsty,
                              INT dstwidth, INT dstheight, INT srcx, INT srcy, INT srcwidth,
                              INT srcheight, Unit srcUnit, const GpImageAttributes* attributes,
                              DrawImageAbort callback, void* callbackData);
// The whole image into the rectangle.
Status GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width,
                          INT height);

// ---- image attributes ------------------------------------------------------------------------
Status GdipCreateImageAttributes(GpImageAttributes** attributes);
Status GdipDisposeImageAttributes(GpImageAttributes* attributes);
// The colour matrix drawn bitmaps go through (types Default and Bitmap; the others are
// accepted and do not concern bitmaps). enableFlag false removes it. The grey matrix
// matters only with ColorMatrixFlagsAltGray, which is not here (NotImplemented), as is
// SkipGrays.
Status GdipSetImageAttributesColorMatrix(GpImageAttributes* attributes, ColorAdjustType type,
                                         BOOL enableFlag, const ColorMatrix* colorMatrix,
                                         const ColorMatrix* grayMatrix, ColorMatrixFlags flags);

}  // extern "C"

// Not one of the flat functions: whether the token names an open session, for callers
// that must report whether a shut-down ended one.
bool isSessionOpen(Token token);

namespace testing {
// Makes every GdiplusStartup fail with this status until it is set back to Ok.
void failStartup(Status status);
// Sessions open now, for checks that nothing was left open.
int openSessionCount();
// Lets the decoders take PNG (off by default), to exercise the GDI+-first PNG road.
void acceptPng(bool accept);
// Images, graphics and attributes alive now, for leak checks.
int liveObjectCount();
// GdipDrawImageRectRectI calls made so far (GdipDrawImageRectI among them), whatever
// their outcome, so that a test sees which painter drew.
uint64_t drawImageCalls();
// GdipSaveImageToFile and GdipSaveImageToStream calls made so far, whatever their outcome,
// so that a test sees which writer saved.
uint64_t saveImageCalls();
}  // namespace testing

}  // namespace gdiplus
