#pragma once
// cImage32: one image as a 32-bpp DIB section, with the settings that decide how it is
// drawn and, on request, the encoded bytes it was loaded from.
//
// Pixels ("pARGB"): 4 bytes per pixel in the order blue, green, red, alpha, the colours
// premultiplied by alpha and never above it (premultiplied = straight x alpha \ 255,
// straight = premultiplied x 255 \ alpha, both truncating). Rows are stored bottom-up:
// BitsPointer() is the first byte of the bottom row. Each row is exactly scanWidth() =
// Width x 4 bytes, without padding. Every member that takes coordinates counts y = 0 as
// the top row. An image holds at most 2^31 - 1 bytes of pixels.
//
// Without an image: Width, Height, BitsPointer and Handle are 0, Alpha is AlphaOpaque and
// ImageType is ImageTypeNone. A blank image (InitializeDIB, EraseDIB) is all zero bytes,
// ImageTypeBlank, AlphaBinary.
//
// Host contract. A codec (or the GDI+ bridge) that fills or reads an image relies on
// these members and on nothing else of the class:
//  1. InitializeDIB(W, H) -> true gives a blank W x H image; any previous image, and its
//     kept original-format bytes, are gone. A reader calls it once it knows the size.
//  2. BitsPointer(), scanWidth(), Width(), Height() describe the pixel memory, which the
//     codec reads and writes in place as pARGB, memory row 0 being the bottom image row
//     (modParsers::OverlayDIBBits gives a two-dimensional view of it). Handle() != 0 is
//     the test for whether an image exists.
//  3. LoadDIBinDC(true) gives a memory DC with the image selected, for drawing into the
//     pixels with gdi; LoadDIBinDC(false) releases it. Calls come in pairs.
//  4. DestroyDIB() leaves no image: a reader that fails after InitializeDIB calls it, so
//     the loader can go on with the next reader.
//  5. Once the pixels are complete the reader sets Alpha(kind) to the AlphaType it found
//     (as a rule modParsers::ValidateAlphaChannel's) and ImageType(code) to its format.
//  6. A writer reads Alpha() to learn whether it must carry transparency; GetDIBbits
//     gives it converted copies of the pixels.
//  7. A reader that reports AlphaOpaque leaves every alpha byte at 255; colours never
//     exceed their alpha.
//
// The members of later steps slot in beside these, each group in a file of its own
// (cImage32_<group>.cpp): loading (LoadPicture_*), Render and ScaleImage, saving
// (SaveToFile_*, SaveToStream_*, PNG properties with their property holder), copies,
// resizing and effects, text. Whatever needs GDI+ uses the cached bridge when
// KeepGDIplusActive keeps one, else a bridge for the length of its call, and passes
// gdiToken as the session to use.
//
// One thread: an object and the images it swaps with stay on the thread that made them.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/arrays.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "platform/runtime/variant.h"

class cGDIPlus;
struct StdFont;
namespace modParsers {
class FileHandle;
}
namespace codecs {
class cPNGwriter;
}
namespace ui {
class DataObject;
}
namespace sys {
class ResourceService;
}

class cImage32 {
public:
    // The Alpha property: what the alpha bytes hold.
    enum AlphaType : int32_t {
        AlphaOpaque = 0,   // every alpha byte 255 (also: no image)
        AlphaBinary = 1,   // alpha bytes only 0 and 255
        AlphaPartial = 2,  // some pixels partly transparent
    };

    // The ImageType property: where the image came from.
    enum ImageTypeCode : int32_t {
        ImageTypeNone = -1,
        ImageTypeBlank = 0,
        ImageTypeBitmap = 1,
        ImageTypeWindowsMetafile = 2,
        ImageTypeIcon = 3,
        ImageTypeEnhancedMetafile = 4,
        ImageTypeCursor = 5,
        ImageTypeBitmapARGB = 6,   // straight alpha, premultiplied on loading
        ImageTypeBitmapPARGB = 7,  // already premultiplied
        ImageTypeAlphaIcon = 8,
        ImageTypeGIF = 9,
        ImageTypePNG = 10,  // also every image decoded through GDI+
        ImageTypePNGInIcon = 11,
        ImageTypeAlphaCursor = 12,
        ImageTypeCheckerBoard = 64,
        ImageTypeTGA = 128,
    };

    // Platform capabilities and drawing choices (bit 0x04 is not used).
    enum FeatureFlag : uint32_t {
        FeatureAlphaBlend = 0x01,  // Render may draw with AlphaBlend
        FeatureGDIplus = 0x02,     // members with a GDI+ path use it
        PlatformNT5 = 0x08,        // NT family 5 or later: AlphaBlend available
        PlatformWin98ME = 0x10,    // AlphaBlend available but off by default
        PlatformNoGDIplus = 0x20,  // GDI+ is never attempted
        PlatformNT = 0x40,         // NT family
    };

    // Reads the platform version record for the flags, then switches GDI+ on (which
    // probes it) and with it HighQualityInterpolation.
    cImage32();
    ~cImage32();
    cImage32(const cImage32&) = delete;
    cImage32& operator=(const cImage32&) = delete;

    // ---- properties ---------------------------------------------------------------------
    int32_t Alpha() const { return alpha_; }
    void Alpha(int32_t AlphaType) { alpha_ = AlphaType; }  // stored unchecked
    bool HighQualityInterpolation() const { return highQualityInterpolation_; }
    void HighQualityInterpolation(bool Value) { highQualityInterpolation_ = Value; }
    int32_t ImageType() const { return imageType_; }
    // Restricted: the readers, the GDI+ bridge, this class and the program's windows.
    void ImageType(int32_t value) { imageType_ = value; }
    bool ManageOwnDC() const { return manageOwnDC_; }
    // True keeps the own DC for the object's whole life (made once an image exists);
    // False deletes it now, putting back the bitmap it held first.
    void ManageOwnDC(bool bManage);
    bool isAlphaBlendFriendly() const { return flags_ & FeatureAlphaBlend; }
    // Only where the platform has AlphaBlend (PlatformNT5, PlatformWin98ME).
    void isAlphaBlendFriendly(bool Enabled);
    bool isGDIplusEnabled() const { return flags_ & FeatureGDIplus; }
    // Switching on probes GDI+ (never on PlatformNoGDIplus) and stays off when it fails.
    void isGDIplusEnabled(bool Enabled);
    int32_t gdiToken() const { return gdiToken_; }
    // A session token lent by the caller, who also ends that session; 0 = none.
    void gdiToken(int32_t token);
    // The caller's own value. A std::shared_ptr in it is kept as a shared reference, any
    // other value as a copy.
    const std::any& Tag() const { return tag_; }
    void Tag(std::any vValue) { tag_ = std::move(vValue); }
    bool KeepGDIplusActive() const { return keepGDIplusActive_; }
    // Keep one bridge, and its session, between calls; stays False while GDI+ is off.
    void KeepGDIplusActive(bool keepActive);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint8_t* BitsPointer() const { return bits_; }
    int32_t scanWidth() const;  // Width x 4; raises Overflow (6) beyond 32 bits
    gdi::HBITMAP Handle() const { return dib_; }

    // zlib is there: "zlib1.dll", else "zlib.dll", exports "crc32"; asked anew each time.
    bool isZlibEnabled() const;

    // All feature flags, platform bits included.
    uint32_t featureFlags() const { return flags_; }

    // ---- pixel, array and region access -------------------------------------------------
    // Rectangles: x, y from the top left; a width or height of 0 means the image's; a
    // rectangle reaching past the right or bottom edge is cut there. No image, a negative
    // x, y, width or height, or a rectangle that starts at or beyond an edge: False.

    // Colour &HBBGGRR, -1 outside the image. *AlphaValue receives the alpha (0 outside).
    // Straight colour unless asPreMultiplied (pixels of alpha 0 or 255 as stored).
    int32_t GetPixel(int32_t x, int32_t y, int32_t* AlphaValue = nullptr,
                     bool asPreMultiplied = false) const;

    // Copies the rectangle into outStream: (row length, height) with as2dArray, else one
    // dimension. Row length: width x 4 with as32bpp; width x 3 otherwise, padded with zeros
    // to a multiple of 4 when asWordAligned. Rows from the bottom up with asBottomUp.
    // Straight colour unless asPreMultiplied (transparent pixels all 0).
    bool GetDIBbits(ByteArray& outStream, bool as2dArray = true, bool asBGRformat = true,
                    bool as32bpp = true, bool asWordAligned = true, bool asBottomUp = true,
                    int32_t x = 0, int32_t y = 0, int32_t width = 0, int32_t height = 0,
                    bool asPreMultiplied = true) const;

    // Writes one pixel: Color &HBBGGRR straight, or premultiplied with isPreMultiplied
    // (a channel above the alpha is then premultiplied anyway). Alpha 0 writes 0,0,0,0.
    // Any alpha but 255 makes Alpha() AlphaPartial. Returns the pixel's address, or
    // nullptr (nothing written) without image, outside it or for an alpha outside 0..255.
    uint8_t* SetPixel(int32_t x, int32_t y, int32_t Color, int32_t AlphaValue = 255,
                      bool isPreMultiplied = false);

    // Writes inStream (laid out as GetDIBbits hands it out) into the rectangle; False when
    // it holds fewer bytes than the rectangle needs. 24-bit input leaves the alpha bytes.
    // The written rectangle is then classified and premultiplied where it holds straight
    // colour (modParsers::ValidateAlphaChannel), and Alpha() set from the whole image.
    // ImageType() is not changed.
    bool SetDIBbits(std::span<const uint8_t> inStream, bool isBGRformat = true,
                    bool is32bpp = true, bool isWordAligned = true, bool isBottomUp = true,
                    int32_t dstx = 0, int32_t dsty = 0, int32_t dstwidth = 0,
                    int32_t dstheight = 0);

    // The rectangle's alpha bytes, one per pixel, rows padded to a multiple of 4 with
    // asWordAligned; shape and row order as GetDIBbits.
    bool GetAlphaMask(ByteArray& outStream, bool as2dArray = true, bool asWordAligned = true,
                      bool asBottomUp = true, int32_t x = 0, int32_t y = 0, int32_t width = 0,
                      int32_t height = 0) const;

    // A region of the visible pixels (alpha not 0): Style 0 their bounding box, 1 one
    // rectangle per row from the leftmost to the rightmost, 2 one rectangle per run. An
    // opaque image (Alpha() 0) gives the whole rectangle. Moved by the offsets. 0 when
    // nothing is visible, for another Style, or when the move leaves the 32-bit range.
    // The caller owns the region and deletes it.
    gdi::HRGN CreateRegion(int32_t Style = 0, int32_t xOffset = 0, int32_t yOffset = 0) const;

    // ---- loading ------------------------------------------------------------------------
    // (cImage32_load.cpp.) Every load offers the data to the readers in a fixed order, PNG
    // (through GDI+ first), GIF, icon, BMP (with the platform picture loader behind it),
    // then GDI+ itself, and TGA last, only when no reader recognised the data. Whether an
    // image came of it is Handle() != 0, which is also what the loads return. A load that
    // reaches the readers drops the current image first, whatever its outcome.
    //
    // iconCx, iconCy: the wanted size when the data is an icon or cursor file (negative
    // reads as 0, which the icon reader takes as 32); iconBitDepth: the wanted depth (below
    // 0 or above 32 reads as 32). SaveFormat keeps the encoded bytes (GetOriginalFormat):
    // the whole data as the readers left it, or a PNG encoding when GDI+ decoded it.

    // A file: False, the current image kept, when it cannot be opened or holds 56 bytes or
    // fewer. Errors raised by a reader are absorbed (False, no image).
    bool LoadPicture_File(const std::string& FileName, int32_t iconCx = 32, int32_t iconCy = 32,
                          bool SaveFormat = false, int32_t iconBitDepth = 32);
    // The streamLength bytes at inStream[streamStart] (a start below 0 reads as 0, a length
    // of 0 as the rest of the array). False, the current image kept, for an empty array, a
    // range outside it or fewer than 20 bytes. Errors raised by a reader go to the caller.
    bool LoadPicture_Stream(std::span<const uint8_t> inStream, int32_t iconCx = 32,
                            int32_t iconCy = 32, int64_t streamStart = 0, int64_t streamLength = 0,
                            bool SaveFormat = false, int32_t iconBitDepth = 32);
    // A picture object: icon, bitmap or metafile; no picture or type 0 gives False.
    bool LoadPicture_StdPicture(const picture::Picture& Picture);
    // A gdi bitmap, icon or enhanced-metafile handle, which the caller keeps; an EMF comes
    // out as a metafile picture does (its frame's size, undrawn pixels transparent,
    // ImageType 4). A bare WMF handle has no placeable header and so no size: False.
    bool LoadPicture_ByHandle(uint32_t Handle);
    // (cImage32_load_resource.cpp.) A resource the program carries (VBglobal, when given,
    // carries them instead; else sys::programResources()). ResSection a text: the custom
    // resource of that type and id ResIndex (a number reads as its text), loaded as a byte
    // load over [streamStart, streamLength]. Otherwise ResSection is the picture kind (0
    // bitmap, 1 icon, 2 cursor) and the resource must hold a picture of that kind. True
    // when the load made an image; a missing resource, a short one, bytes no reader takes
    // and any error give False.
    bool LoadPicture_Resource(const runtime::Variant& ResIndex, const runtime::Variant& ResSection,
                              sys::ResourceService* VBglobal = nullptr, int32_t iconCx = 32,
                              int32_t iconCy = 32, int64_t streamStart = 0, int64_t streamLength = 0,
                              int32_t iconBitDepth = 32);
    // (cImage32_load_desktop.cpp.) The picture on the clipboard (picture::clipboard(), which
    // the windows' services install): False when none is offered; errors give False.
    bool LoadPicture_ClipBoard();
    // File FileIndex (from 1) of the files copied to the clipboard; FileCount receives
    // their number. FileIndex 0 only counts (True); above FileCount: False.
    bool LoadPicture_PastedFiles(int32_t FileIndex, int32_t iconCx, int32_t iconCy,
                                 bool SaveFormat, int32_t iconBitDepth, int32_t& FileCount);
    // The names of the files copied to the clipboard, from index 0; their number. 0, the
    // list untouched, when the clipboard holds no files.
    int32_t GetPastedFileNames(std::vector<std::string>& ListOfFiles);
    // File FileIndex (from 1) of a drop's file list, after GetDroppedFileNames; False when
    // that fails or the list is shorter.
    bool LoadPicture_DroppedFiles(ui::DataObject* DragDrop_DataObject, int32_t FileIndex = 1,
                                  int32_t iconCx = 32, int32_t iconCy = 32, bool SaveFormat = false,
                                  int32_t iconBitDepth = 32);
    // Reads the drop's file list again from its file-list block: when the block holds wide
    // names, as many as the list holds replace it, in order (fewer when the block ends
    // first). False without data object, without the file-list format, or for a block too
    // short for its header or whose names would start outside it.
    bool GetDroppedFileNames(ui::DataObject* OLEDragDrop_DataObject);
    // Reloads from the kept bytes, which are kept again. False, the current image kept,
    // when there are none.
    bool LoadPicture_FromOriginalFormat(int32_t iconCx = 32, int32_t iconCy = 32,
                                        int32_t iconBitDepth = 32);
    // For an icon or cursor image: its source's entries as sizeArray(0 to 3, 0 to n - 1),
    // per entry width, height, bit depth and colour count (2^depth up to 24 bits, -1 above,
    // 0 when unknown); the result is n. Without kept bytes one row (Width, Height, 32, -1).
    // 0, sizeArray untouched, for no image, another ImageType or kept bytes that are no
    // icon directory.
    int32_t SourceIconSizes(LongArray& sizeArray) const;

    // ---- saving as a bitmap --------------------------------------------------------------
    // (cImage32_save.cpp, built with the codecs: the BMP writer does the work.)
    // A BMP file of the image: 24 bpp, or 32 bpp premultiplied as held when the pixels carry
    // transparency and KeepPreMultipliedPixels is set; transparency written as 24 bpp is
    // composited over TransparentFillColor (&HBBGGRR). An existing file is replaced
    // without a question (PromptOverwrite has no effect) and keeps its mode bits; a write
    // that fails keeps the old file, as does a read-only file (False). Without an image or
    // a FileName: False, and nothing is written.
    bool SaveToFile_Bitmap(const std::string& FileName, bool KeepPreMultipliedPixels = false,
                           int32_t TransparentFillColor = 0, bool PromptOverwrite = true) const;
    // The same BMP file as bytes, from index 0. False without an image.
    bool SaveToStream_Bitmap(std::vector<uint8_t>& outStream, bool KeepPreMultipliedPixels = false,
                             int32_t TransparentFillColor = 0) const;

    // ---- saving in other formats ----------------------------------------------------------
    // (cImage32_save_formats.cpp.) A file save first confirms (ConfirmOverwrite): no name or
    // no image gives False, and an existing file is replaced only after "Overwrite existing
    // file?" was answered Yes (asked only with PromptOverwrite). The writers write a
    // temporary file and rename it over the target, so a refused or failed save leaves an
    // existing file as it was. An array save gives False without an image.
    //
    // PNG: through GDI+ first and the own writer when that fails, unless PNG properties are
    // held (PngPropertySet), when the own writer, which writes them, comes first and GDI+
    // second. JPEG file: GDI+ (Quality clamped to 30..100), then the own writer, whose
    // Quality must be 0..255 (else Overflow (6) is raised and nothing is written). JPEG
    // array: GDI+ only. GIF and TGA: the own writers. GDI+ is tried only while
    // isGDIplusEnabled.
    bool SaveToFile_PNG(const std::string& FileName, bool PromptOverwrite = true);
    bool SaveToFile_JPG(const std::string& FileName, int32_t Quality = 70, int32_t TransparentFillColor = 0,
                        bool PromptOverwrite = true);
    bool SaveToFile_GIF(const std::string& FileName, bool UseAdaptivePalette = true,
                        uint8_t OpaquenessTolerance = 128, bool PromptOverwrite = true);
    bool SaveToFile_TGA(const std::string& FileName, bool Compress = false, bool ReduceBitDepth = false,
                        bool AllowPreMultipliedPixels = false, bool PromptOverwrite = true);
    bool SaveToStream_PNG(std::vector<uint8_t>& outStream);
    bool SaveToStream_JPG(std::vector<uint8_t>& outStream, int32_t Quality = 70);
    // PromptOverwrite is accepted and has no effect.
    bool SaveToStream_GIF(std::vector<uint8_t>& outStream, bool UseAdaptivePalette = true,
                          uint8_t OpaquenessTolerance = 128, bool PromptOverwrite = true) const;
    bool SaveToStream_TGA(std::vector<uint8_t>& outStream, bool Compress = false, bool ReduceBitDepth = false,
                          bool AllowPreMultipliedPixels = false, bool PromptOverwrite = true) const;

    // PNG properties (codecs::PngPropertyStore) kept for every later PNG save. PropertyID -1
    // drops them all (True). Without a value the property is deleted (False when none are
    // held). With one, the holder is made when needed and the store's answer returned.
    bool PngPropertySet(int32_t PropertyID, const std::optional<runtime::Variant>& PropertyValue = std::nullopt,
                        const std::string& Caption_Misc = "");
    // The held value; without a holder the empty value of the property's kind: the zero
    // date for 2048, -1 for 4096, "" for any other.
    runtime::Variant PngPropertyGet(int32_t PropertyID, const std::string& Caption_Misc = "") const;

    // ---- kept original-format bytes -----------------------------------------------------
    // A copy of the kept bytes (empty when none); True when there are any.
    bool GetOriginalFormat(std::vector<uint8_t>& outStream) const;
    // Restricted (copies and resizing): replaces the kept bytes by a copy; empty empties.
    void SetDIBOriginalFormat(std::span<const uint8_t> bytes);

    // ---- pixel store and own DC ---------------------------------------------------------
    // True: the own DC with the image selected (made when there is none); 0 without
    // image. False: puts the DC's first bitmap back and, unless ManageOwnDC, deletes the
    // DC; returns 0.
    gdi::HDC LoadDIBinDC(bool bLoad);
    // A blank image of Width x |Height|, always stored bottom-up. False, and no image, for
    // a width of 0 or less, a height of 0, or more than 2^31 - 1 bytes of pixels.
    bool InitializeDIB(int32_t Width, int32_t Height);
    // No image afterwards; the kept bytes go with the image. Settings, flags, gdiToken,
    // ManageOwnDC and Tag stay.
    void DestroyDIB();
    // All pixels 0, ImageTypeBlank, AlphaBinary; nothing without image.
    void EraseDIB();

    // ---- drawing ------------------------------------------------------------------------
    // (cImage32_render.cpp.) The size at which the image fits a DestWidth x DestHeight box:
    // ScaleMode 0 the largest of the image's proportions, 1 the same but never larger
    // than the image, 2 the box itself, any other the image's own size. Without an image
    // newWidth and newHeight keep their values.
    void ScaleImage(int32_t DestWidth, int32_t DestHeight, int32_t& newWidth, int32_t& newHeight,
                    int32_t ScaleMode = 1) const;

    // Draws the source rectangle (srcx, srcy from the top left; a size of 0 the image's,
    // a negative size a mirror like a negative destination size; cut at the image's right
    // and bottom edges) into DestX, DestY, DestWidth x DestHeight (0 the image's size,
    // negative mirrored left-right or top-bottom; DestX, DestY the centre with
    // CenterOnDestXY) on destinationDC, or into destHostDIB when one is given. Opacity
    // in percent (above 100 the remainder of 100, 200 counting as 100; below 1 draws
    // nothing and answers whether an image exists); grayScale a formula of
    // modParsers::GetGrayScaleWeights (-1 none); LightAdjustment -100..100 percent
    // (outside: none); Angle in degrees, clockwise, about the destination's centre.
    // Blend has no effect. SetHalfTone stretches with HALFTONE when AlphaBlend paints on
    // an NT platform. The painter is AlphaBlend where it can do the work, GDI+ where it is
    // on, else the image's own pipeline. False when nothing could be drawn: no image, no
    // destination, a source rectangle starting at or beyond the right or bottom edge, or
    // a painter that failed. A destination image's own DC is left loaded or not as found.
    bool Render(gdi::HDC destinationDC, int32_t DestX = 0, int32_t DestY = 0, int32_t DestWidth = 0,
                int32_t DestHeight = 0, int32_t srcx = 0, int32_t srcy = 0, int32_t srcwidth = 0,
                int32_t srcheight = 0, int32_t Opacity = 100, bool Blend = true,
                bool SetHalfTone = true, cImage32* destHostDIB = nullptr, int32_t grayScale = -1,
                float LightAdjustment = 0, float Angle = 0, bool CenterOnDestXY = false);

    // ---- copies, resizing, trimming and tiling -------------------------------------------
    // (cImage32_copy.cpp, cImage32_tile.cpp.) Sizes: 0 the image's, negative a mirror of the
    // absolute size (left-right for a width, top-bottom for a height). The members that make
    // an image (CopyImageTo, Resize, TrimImage) raise Out of memory (7) when it cannot be
    // made; this image is then left as it was.

    // Copies the image, scaled or mirrored, into cDIBclass at |newWidth| x |newHeight|. An
    // empty cDIBclass receives a new object with this image's gdiToken, GDI+ setting and
    // HighQualityInterpolation; an existing one keeps its settings but takes gdiToken, and
    // is made anew when its size differs. The target takes Alpha and ImageType, and with
    // CopyOriginalFormat a copy of the kept bytes. Painted by GDI+ when it is on, else by
    // the own mirror and resampler. Nothing happens without an image.
    void CopyImageTo(std::unique_ptr<cImage32>& cDIBclass, int32_t newWidth = 0,
                     int32_t newHeight = 0, bool CopyOriginalFormat = false);
    // Resamples the image in place to |newWidth| x |newHeight|, keeping ImageType, Alpha,
    // the kept bytes, settings and Tag. The current size: True, nothing done. False
    // without an image.
    bool Resize(int32_t newWidth, int32_t newHeight);
    // The bounding box of the visible pixels (alpha not 0) along the edges that Method
    // names: 1 left, 2 top, 4 right, 8 bottom, 0 all four; an edge not named stays at the
    // image's edge. False, and all four outputs 0, when nothing visible is found; False for
    // a negative Method or no image. With UpdateDIB the image is cropped to a smaller box,
    // and x = y = 0.
    bool TrimImage(bool UpdateDIB, int32_t Method, int32_t& x, int32_t& y, int32_t& Width,
                   int32_t& Height);
    // Fills DestX, DestY, DestWidth x DestHeight of destinationDC with tiles of the image at
    // |TileWidth| x |TileHeight| (0: the image's size; negative: mirrored), spaced by the
    // absolute gaps; StaggerRows starts every second row of tiles half a tile over, the
    // flips mirror every second tile of a row. A destination smaller than a tile both ways
    // gets the whole image scaled into it. Opacity, grayScale and LightAdjustment as for
    // Render. False for no DC, no image, a size of 0 or less, or when the canvas cannot be
    // made. HighQualityInterpolation is the same afterwards.
    bool TileImage(gdi::HDC destinationDC, int32_t DestX, int32_t DestY, int32_t DestWidth,
                   int32_t DestHeight, int32_t TileWidth = 0, int32_t TileHeight = 0,
                   int32_t ColumnGap = 0, int32_t RowGap = 0, bool StaggerRows = false,
                   bool FlipAlternateTilesX = false, bool FlipAlternateTilesY = false,
                   int32_t Opacity = 100, int32_t grayScale = -1, float LightAdjustment = 0);

    // ---- pixel effects and drop shadow --------------------------------------------------
    // (cImage32_effects.cpp, cImage32_shadow.cpp.) In place, over the whole image; False
    // (or nullptr) without an image. Colours are &HBBGGRR.

    // Paints squares of CheckerSize pixels from the top left, alternating FirstColor and
    // SecondColor along a row and from one row of squares to the next; the image becomes
    // opaque, ImageTypeCheckerBoard. False, nothing changed, for a size of 0 or less.
    bool CreateCheckerBoard(int32_t CheckerSize = 12, int32_t FirstColor = 0xFFFFFF,
                            int32_t SecondColor = 0xC0C0C0);
    // Each visible pixel's colours become its gray value under the weights of Formula
    // (modParsers::GetGrayScaleWeights); -1: False.
    bool MakeGrayScale(int32_t Formula);
    // Each colour c of a visible pixel of alpha a becomes a - c.
    bool MakeImageInverse();
    // Every opaque pixel of TransparentColor becomes 0, 0, 0, 0 (Alpha at least
    // AlphaBinary afterwards when any did, ImageTypeBitmap becoming ImageTypeBitmapPARGB);
    // with Revert every 0, 0, 0, 0 pixel becomes that opaque colour, and Alpha is found
    // anew (an opaque result turns ImageTypeBitmapARGB or PARGB back into Bitmap).
    bool MakeTransparent(int32_t TransparentColor, bool Revert = false);
    // Mirrors left-right (MirrorAxisX) and/or top-bottom (MirrorAxisY); neither: False.
    bool MirrorImage(bool MirrorAxisX, bool MirrorAxisY);
    // A new image, blurDepth (clamped to 0..10) pixels larger on every side, whose alpha is
    // this image's alpha box-blurred over a window of 2 x blurDepth + 1 pixels each way
    // (exactly: the window's sum divided by its area, truncated) and whose colour is Color
    // premultiplied; AlphaPartial, ImageTypeBitmapPARGB. Drawn blurDepth pixels left of and
    // above the image, it lies centred under it.
    std::unique_ptr<cImage32> CreateDropShadow(int32_t blurDepth = 4, int32_t Color = 0xC0C0C0);
    // Renders CreateDropShadow(blurDepth, Color) at x, y at its own size with Opacity and
    // LightAdjustment, onto hdc or into destHostDIB; Render's result.
    bool RenderDropShadowDirect(gdi::HDC hdc, int32_t x, int32_t y, int32_t blurDepth = 4,
                                int32_t Color = 0xC0C0C0, int32_t Opacity = 50,
                                float LightAdjustment = 0, cImage32* destHostDIB = nullptr);
    // Lightens (Percent > 0) or darkens every visible pixel by a percentage of full
    // intensity, as Render's LightAdjustment. Percent outside -100..100 counts as 0; 0: False.
    bool MakeLighterDarker(float Percent);
    // Tints every visible pixel towards BlendColor by BlendOpacity percent (above 100:
    // 100): colour c of a pixel of alpha a becomes (a x o x C + 255 x c x (100 - o)) \ 25500,
    // so an opaque pixel at 100 is exactly BlendColor and every pixel stays premultiplied.
    // BlendOpacity 0 or less: True, nothing changed.
    bool BlendToColor(int32_t BlendColor, int32_t BlendOpacity = 33);

    // ---- text -------------------------------------------------------------------------
    // (cImage32_text.cpp.) Draws theText, split into lines at every CR LF (a lone CR or LF
    // stays inside its line; a closing CR LF adds an empty line), first into a text image
    // as wide as the widest line plus the font's overhang and as high as the number of
    // lines x the tallest line: on BackColor (&HBBGGRR, 0 or more), opaque and
    // ImageTypeBitmap; or, for a negative BackColor, as Forecolor premultiplied by the
    // glyphs' grey coverage, ImageTypeBitmapPARGB (Alpha as a new image has it). Alignment
    // holds gdi text-alignment flags: TA_CENTER centres every line on half the widest line,
    // TA_RIGHT ends it at the widest line's width; vertical flags go to gdi as they are,
    // with line i's reference point at y = i x the line height.
    // An image with pixels then receives the text image through Render (DestX ..
    // CenterOnDestXY as there, LightAdjustment 0) as source-over into its own pixels, which
    // stay premultiplied; its own DC is left loaded or not as found. An image without
    // pixels becomes the text image, whatever the position, size, opacity, grayscale or
    // angle say. False, the image unchanged, for no font, an empty text, a font that cannot
    // be made or selected, or a text image that cannot be made. Raises Overflow (6), the
    // image unchanged, when the text image's height or width has no 32-bit value.

    // The font as theFont describes it (LogFontOf), made for this call only.
    bool DrawText_stdFont(const StdFont* theFont, std::u16string_view theText, int32_t Alignment = 0,
                          int32_t DestX = 0, int32_t DestY = 0, int32_t DestWidth = 0, int32_t DestHeight = 0,
                          int32_t Forecolor = 0, int32_t BackColor = -1, int32_t Opacity = 100,
                          int32_t grayScale = -1, float Angle = 0, bool CenterOnDestXY = false);
    // theFontHandle: a gdi font that the caller owns and keeps. A turned font (escapement
    // or orientation not 0) is drawn unturned, through a copy made for this call: turns
    // come from Angle alone. 0, or a handle that is no font: False.
    bool DrawText_hFont(gdi::HFONT theFontHandle, std::u16string_view theText, int32_t Alignment = 0,
                        int32_t DestX = 0, int32_t DestY = 0, int32_t DestWidth = 0, int32_t DestHeight = 0,
                        int32_t Forecolor = 0, int32_t BackColor = -1, int32_t Opacity = 100,
                        int32_t grayScale = -1, float Angle = 0, bool CenterOnDestXY = false);
    // Whether the last few text images drawn onto images are kept, so that the same text
    // drawn again is only rendered (on unless a test says otherwise); switching forgets them.
    static void KeepTextImages(bool keep);

    // ---- GDI+ sessions ------------------------------------------------------------------
    // A new session that stays open until DestroyGDIplusToken; 0 when none started (also
    // while a kept bridge holds a session of its own).
    int32_t CreateGDIplusToken();
    // Ends the session of the token: True when it did; False for 0 (which calls nothing)
    // or a token of no open session.
    bool DestroyGDIplusToken(int32_t token);

    // Exchanges the images of two objects: pixel store, size, ImageType, Alpha and kept
    // bytes. Settings, flags, DCs, tokens and Tag stay; an object whose own DC held its
    // image holds the new image in it afterwards. nullptr changes nothing.
    void SwapDIBs(cImage32* SwapFromDIB);

private:
    friend struct cImage32PrivateAccess;  // the tests of private members

    // The reader chain of every load from data: file mode with an open file (bytes empty,
    // filled here when the PNG reader declines), byte mode with file nullptr. bytes may be
    // changed by the readers and is what SaveFormat keeps.
    bool LoadPictureAnyFormat(modParsers::FileHandle* file, const std::string& FileName,
                              std::vector<uint8_t>& bytes, int32_t iconCx, int32_t iconCy,
                              int64_t streamStart, int64_t streamLength, bool SaveFormat,
                              int32_t iconBitDepth);

    // Before a save in another format: True when there is an image and a name, and either
    // no file of that name, or a file that may be replaced: PromptOverwrite False, or
    // "Overwrite existing file?" answered Yes. The file is left in place for the writer to
    // replace whole, its read-only attribute cleared; a No, or a name that is a folder,
    // gives False.
    bool ConfirmOverwrite(const std::string& FileName, bool PromptOverwrite) const;
    // The PNG writers in their order, to FileName or, when it is "", into outStream.
    bool SaveWithPNGWriters(const std::string& FileName, std::vector<uint8_t>& outStream);

    // ---- own compositing pipeline (cImage32_pipeline.cpp) ----------------------------------
    // Pixels handed from one step to the next: (byte column, row), rows bottom-up, 4 bytes
    // per pixel as the image holds them. Not dimensioned: no block, the step reads the
    // image's own pixels. Every step dimensions its output anew (transparent), and a step
    // that consumes a block empties it. A non-zero LightAdjustment is applied by the first
    // step that produces pixels, which returns it as 0.
    using PixelBlock = ByteArray;

    // A copy of the source rectangle (0 sizes: the image's) mirrored as the signs of
    // DestWidth and DestHeight say, into outBlock, or into destDIB when given (which must
    // be exactly the rectangle's size). DestHeight >= 0: left-right, the rectangle turned
    // over in place; DestHeight < 0: top-bottom (and with DestWidth <= 0 also left-right),
    // the rectangle as it lies in the mirrored image. Afterwards srcX = srcY = 0 and the
    // sizes are positive. False, nothing changed, unless DestWidth or DestHeight is 0 or
    // less, or when the rectangle or destination does not fit.
    bool MirrorDIBRegion(int32_t& srcX, int32_t& srcY, int32_t srcWidth, int32_t srcHeight,
                         int32_t& DestWidth, int32_t& DestHeight, PixelBlock& outBlock,
                         cImage32* destDIB, float& LightAdjustment);
    // Scales the source rectangle (of srcBlock when dimensioned, else of the image; 0 sizes
    // the image's) to |DestWidth| x |DestHeight| into outBlock, leaving out what falls left
    // of or above a negative DestX, DestY; or to the whole of destDIB. Nearest neighbour,
    // or interpolating with HighQualityInterpolation. DestWidth, DestHeight receive the size
    // produced. False when that is under one pixel or memory is short.
    bool ResampleDIBRegion(PixelBlock& outBlock, PixelBlock& srcBlock, cImage32* destDIB,
                           int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                           int32_t DestX, int32_t DestY, int32_t& DestWidth, int32_t& DestHeight,
                           float& LightAdjustment);
    // Brightens (LightAdjustment > 0) or darkens premultiplied pixels by a percentage of
    // full intensity: with sourceImage (this image) block becomes the adjusted rectangle x,
    // y, width, height of it; without, block is adjusted in place. x and y become 0.
    void AdjustDIBLightness(const cImage32* sourceImage, float LightAdjustment, PixelBlock& block,
                            int32_t& x, int32_t& y, int32_t& width, int32_t& height);
    // Source-over of DestWidth x DestHeight pixels (srcBlock, else the image's rectangle at
    // srcX, srcY) onto destinationDC at DestX, DestY through a 24-bit buffer, or straight
    // into destHostDIB, with Opacity 0..255 and a grayscale formula (-1 none). Cut at the
    // destination's left and top edges, and at a destination image's size. False when
    // nothing remains or the buffer cannot be made.
    bool BlendDIBOntoDestination(gdi::HDC destinationDC, PixelBlock& srcBlock, int32_t srcX,
                                 int32_t srcY, int32_t DestX, int32_t DestY, int32_t DestWidth,
                                 int32_t DestHeight, int32_t Opacity, cImage32* destHostDIB,
                                 int32_t grayScale, float LightAdjustment);
    // ResampleDIBRegion into a block and BlendDIBOntoDestination of it, with the same
    // result, made a row at a time as the blend takes the rows.
    bool ResampleAndBlend(gdi::HDC destinationDC, PixelBlock& srcBlock, int32_t srcX, int32_t srcY,
                          int32_t srcWidth, int32_t srcHeight, int32_t DestX, int32_t DestY,
                          int32_t DestWidth, int32_t DestHeight, int32_t Opacity,
                          cImage32* destHostDIB, int32_t grayScale, float LightAdjustment);
    // The part of a picture of columns x rows pixels at DestX, DestY that lands on the
    // destination (destHostDIB, else the device's bitmap, or the screen): the picture's
    // first column and row (from the top) that land there, where they land, and how many
    // (0 when the picture lies beyond the destination's right or bottom edge). False when
    // there is no destination, or nothing of the picture lies right of and below its origin.
    struct Visible {
        int64_t column = 0, row = 0, x = 0, y = 0, columns = 0, rows = 0;
    };
    static bool VisiblePart(gdi::HDC destinationDC, const cImage32* destHostDIB, int64_t DestX, int64_t DestY,
                            int64_t columns, int64_t rows, Visible& visible);
    // The pixels drawing reaches on that destination; false when there is none.
    static bool DestinationSize(gdi::HDC destinationDC, const cImage32* destHostDIB, int64_t& width,
                                int64_t& height);
    // BlendDIBOntoDestination of the visible part of a picture (at least one pixel of it), its
    // rows made on demand: for a rowAt = newRowAt(), rowAt(k) gives the visible part's row k
    // from the top (its first visible pixel), valid until its next call. Bands of at least
    // minimumBandRows rows are blended side by side, each through a rowAt of its own that may
    // share no mutable state.
    using RowAt = std::function<const uint8_t*(int64_t)>;
    bool BlendRowsOntoDestination(gdi::HDC destinationDC, const Visible& visible, int32_t Opacity,
                                  cImage32* destHostDIB, int32_t grayScale, const std::function<RowAt()>& newRowAt,
                                  int64_t minimumBandRows);
    // The image's rectangle copied into a new block, rows bottom-up; false when it does not
    // lie within the image or memory is short.
    bool CopyRegionToBlock(PixelBlock& block, int32_t x, int32_t y, int32_t width,
                           int32_t height) const;

    // ---- rendering (cImage32_render.cpp) ---------------------------------------------------
    // The turned drawing of Render, with the rectangles as Render normalised them and
    // Opacity in percent: GDI+ when it is on and succeeds, else the own backward mapping
    // into a square of the destination's diagonal centred on the destination, blended.
    bool RenderDIBRotated(gdi::HDC destinationDC, float Angle, int32_t DestX, int32_t DestY,
                          int32_t DestWidth, int32_t DestHeight, int32_t srcx, int32_t srcy,
                          int32_t srcwidth, int32_t srcheight, int32_t Opacity,
                          cImage32* destHostDIB, int32_t grayScale, float LightAdjustment);
    // The three painters of Render.
    bool RenderWithAlphaBlend(gdi::HDC destinationDC, int32_t DestX, int32_t DestY,
                              int32_t DestWidth, int32_t DestHeight, int32_t srcx, int32_t srcy,
                              int32_t srcwidth, int32_t srcheight, uint8_t opacityByte,
                              bool SetHalfTone);
    bool RenderThroughBridge(gdi::HDC destinationDC, float Angle, int32_t Opacity, int32_t DestX,
                             int32_t DestY, int32_t DestWidth, int32_t DestHeight, int32_t srcx,
                             int32_t srcy, int32_t srcwidth, int32_t srcheight, int32_t grayScale,
                             float LightAdjustment, bool keepNewBridge);
    bool RenderWithPipeline(gdi::HDC destinationDC, int32_t DestX, int32_t DestY,
                            int32_t DestWidth, int32_t DestHeight, int32_t srcx, int32_t srcy,
                            int32_t srcwidth, int32_t srcheight, int32_t opacityByte,
                            cImage32* destHostDIB, int32_t grayScale, float LightAdjustment);

    // ---- copies (cImage32_copy.cpp) --------------------------------------------------------
    // A new object of |width| x |height| with this image's gdiToken, ImageType, Alpha and
    // kept bytes. Raises Out of memory (7) when it cannot be made.
    std::unique_ptr<cImage32> newImageLikeThis(int64_t width, int64_t height) const;
    // The whole image drawn by GDI+ into target at newWidth x newHeight (signs mirror),
    // smoothly; False when GDI+ drew nothing.
    bool drawIntoWithGDIplus(cImage32& target, int32_t newWidth, int32_t newHeight);
    // The whole image into all of target: mirrored as the signs of newWidth and newHeight
    // say, and resampled when target's size is not the image's. Raises Out of memory (7)
    // when a block cannot be made.
    void copyIntoWithPipeline(cImage32& target, int32_t newWidth, int32_t newHeight);

    // ---- text (cImage32_text.cpp) ------------------------------------------------------------
    // The work of both DrawText members with a font handle that stays the caller's.
    bool DrawTextToDIB(gdi::HFONT theFont, std::u16string_view theText, int32_t Alignment, int32_t DestX,
                       int32_t DestY, int32_t DestWidth, int32_t DestHeight, int32_t Forecolor, int32_t BackColor,
                       int32_t Opacity, int32_t grayScale, float Angle, bool CenterOnDestXY);

    // The image selected into its own DC for the length of a call; the DC is then put back
    // as it was found (ScopedImageDC in cImage32_render.cpp).
    friend class ScopedImageDC;

    // The kept bridge, or else a new one held in `scratch` for the length of the call.
    cGDIPlus& useBridge(std::unique_ptr<cGDIPlus>& scratch);
    void releaseBridge();

    std::any tag_;
    bool highQualityInterpolation_ = false;
    gdi::HBITMAP dib_ = 0;
    uint8_t* bits_ = nullptr;
    int32_t height_ = 0;
    int32_t width_ = 0;
    gdi::HDC ownDC_ = 0;
    gdi::HGDIOBJ previousBitmap_ = 0;  // non-zero exactly while the image is in ownDC_
    uint32_t flags_ = 0;
    int32_t imageType_ = ImageTypeNone;
    bool manageOwnDC_ = false;
    int32_t alpha_ = AlphaOpaque;
    int32_t gdiToken_ = 0;
    std::vector<uint8_t> originalFormat_;
    std::unique_ptr<cGDIPlus> cachedBridge_;
    bool keepGDIplusActive_ = false;
    std::unique_ptr<codecs::cPNGwriter> pngPropertyHolder_;
};
