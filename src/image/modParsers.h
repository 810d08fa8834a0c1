#pragma once
// modParsers: the procedures the image object, the GDI+ bridge and the codecs share.
// None keeps state between calls.
//
// Pixel arrays are two-dimensional views indexed (byte within the row, row), rows in
// memory order: a view over an image (OverlayDIBBits) has row 0 at the image's bottom.
// Colours are &HBBGGRR (red in the low byte).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/arrays.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

class cImage32;
namespace sys {
class FileWriter;
}

namespace modParsers {

// ---- alpha and colour ------------------------------------------------------------------

// Decides whether 32-bpp pixels carry no alpha, straight alpha or premultiplied alpha,
// sets imageType to ImageTypeBitmap (1), ImageTypeBitmapARGB (6) or ImageTypeBitmapPARGB
// (7) and alphaKind to an AlphaType; with bPremultiply brings them into pARGB form:
// - all alpha bytes 0, or all 255, or imageType -1 on entry (no scan): opaque; with
//   bPremultiply every alpha byte becomes 255, colours untouched;
// - straight when a colour exceeds its partial alpha, or a pixel of alpha 0 has colour
//   and a pixel of alpha above 0 follows it in the scan; with bPremultiply each pixel
//   becomes colour x alpha \ 255 (alpha 0: all four bytes 0);
// - premultiplied otherwise: pixels left alone.
// The scan stops as soon as straight alpha is decided. Raises Subscript out of range (9)
// when the rows are not whole pixels (a row length not a multiple of 4).
void ValidateAlphaChannel(const ByteView2D& pixels, bool bPremultiply, int32_t& alphaKind,
                          int32_t& imageType);

struct GrayScaleWeights {
    float red, green, blue;
};
// Formula -1: 1, 1, 1 (no grayscale); 1: 0.213, 0.715, 0.072; 2: 0.333, 0.334, 0.333;
// 3 to 7: one or two dominant channels; 0 and every other value 0.299, 0.587, 0.114.
GrayScaleWeights GetGrayScaleWeights(int32_t Formula);

// The host's premultiplied pixels over an opaque colour, rows in memory order (bottom
// first): as24bpp -> (DWordAlignedScanWidth(24, Width), Height) in blue, green, red with
// zero-padded rows, else (scanWidth, Height) with every alpha byte 255. A pixel of alpha
// a between 0 and 255 gives c + bg x (255 - a) \ 255 per channel. Without image pixels
// is left not dimensioned.
void BlendToBackgroundColor(const cImage32& host, int32_t BackgroundColor, ByteArray& pixels,
                            bool as24bpp);
// One row of `width` premultiplied pixels over the opaque colour, by the same rule, into
// 3 (as24bpp) or 4 bytes a pixel; for writers that blend a band of rows at a time.
void BlendRowToBackgroundColor(const uint8_t* source, uint8_t* out, int32_t width, int32_t BackgroundColor,
                               bool as24bpp);

// ---- numbers -----------------------------------------------------------------------------

// Bytes of a row of `width` pixels of bitCount bits, padded to a multiple of 4. Raises
// Overflow (6) when bitCount x width exceeds 2,147,483,616.
int32_t DWordAlignedScanWidth(uint8_t bitCount, int32_t width);

// The four bytes in reverse order (big-endian fields to little-endian and back).
int32_t SwapLongBytes(int32_t value);

// Binary search in the ascending values[1..count] (values[0] is not read, as the callers
// keep their tables from 1). Found: its index, notFound False. Otherwise notFound True
// and the index where the value would be inserted: 1 for count 0. Raises Subscript out
// of range (9) when values has no element count.
int32_t FindInSortedLongArray(std::span<const int32_t> values, int32_t value, int32_t count,
                              bool& notFound);

// ---- views over foreign memory -----------------------------------------------------------
// The caller's memory must outlive the view; a null address gives an empty view.

std::span<uint8_t> OverlayByteArray(uint8_t* dataAddress, size_t countA);
// countB bytes per row, countA rows.
ByteView2D OverlayByteArray(uint8_t* dataAddress, size_t countA, size_t countB);
std::span<int32_t> OverlayLongArray(void* dataAddress, size_t countA);
LongView2D OverlayLongArray(void* dataAddress, size_t countA, size_t countB);
// (scanWidth, Height) over the host's pixels, row 0 the bottom row; empty without image.
ByteView2D OverlayDIBBits(const cImage32& host);

// ---- files -------------------------------------------------------------------------------
// File names are UTF-8 paths. bUnicode chose between the platform's wide and narrow file
// functions; here there is one kind of name, so it changes nothing.

// An open file as OpenImageFileHandle gives it, or none (INVALID_HANDLE_VALUE) when
// opening failed. Reading is plain. Writing goes to a temporary file beside the target,
// which replaces the target when the handle is closed: a program that dies half-way
// leaves the old file, and Abandon() keeps it on purpose. The handle closes itself when
// it goes.
class FileHandle {
public:
    FileHandle();
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;

    bool valid() const { return fd_ >= 0 || writer_ != nullptr; }
    explicit operator bool() const { return valid(); }
    bool forWriting() const { return writer_ != nullptr; }

    // Bytes in the file (reading) or written so far (writing); -1 when not open.
    int64_t Size() const;
    // Moves the file pointer to `offset` from the start. Writes are sequential: a file
    // open for writing moves only to where it already is.
    bool Seek(int64_t offset);
    // Reads up to buffer.size() bytes at the file pointer: the count read, fewer at the
    // end of the file, -1 on failure.
    int64_t Read(std::span<uint8_t> buffer);
    // True when every byte was written. After a failed write the target stays as it was.
    bool Write(std::span<const uint8_t> bytes);
    // A written file replaces the target now, with the target's former mode bits; False
    // when that failed (the target then stays as it was). Reading: closes.
    bool Close();
    // Closes a written file without touching the target.
    void Abandon();

private:
    friend FileHandle OpenImageFileHandle(const std::string&, bool, bool);
    int fd_ = -1;
    std::unique_ptr<sys::FileWriter> writer_;
    bool writeFailed_ = false;
    unsigned keepMode_ = 0;
    bool hasKeepMode_ = false;
};

// bOpen True: an existing regular file for reading. False: the file for writing, created
// or replaced; an existing file keeps its mode bits (the platform's attributes), and a
// read-only one cannot be opened. An invalid handle when the file cannot be opened;
// nothing is raised.
FileHandle OpenImageFileHandle(const std::string& FileName, bool bOpen, bool bUnicode = false);
// True when the file was there and is deleted (a folder is not deleted). Its mode bits do
// not matter here, so there is no read-only flag to clear first.
bool DeleteImageFile(const std::string& FileName, bool bUnicode = false);
// True when the name is there, a folder included.
bool ImageFileExists(const std::string& FileName, bool bUnicode = false);

// ---- libraries ---------------------------------------------------------------------------

// Loads the library by name, looks the function up and frees the library again; asked
// anew on every call.
bool IsDllFunctionAvailable(const std::string& DllName, const std::string& FunctionName);

// ---- picture objects ----------------------------------------------------------------------

// A picture loaded by the platform picture loader from bytes[offset .. offset + size - 1];
// no picture when size is not above 0 or the loader does not read the data. Raises
// Subscript out of range (9) when the range does not lie within the array.
picture::Picture ArrayToStdPicture(std::span<const uint8_t> bytes, int64_t offset, int64_t size);

// A picture object that owns the handle and deletes it when its last copy goes
// (pictureType 1 bitmap, 2 metafile, 4 enhanced metafile). Raises Invalid picture (481)
// for a handle that is not of that type.
picture::Picture HandleToStdPicture(uint32_t handle, int32_t pictureType);

// ---- regions -----------------------------------------------------------------------------
// The region builders of cImage32::CreateRegion. Rectangle lists keep elements 0 and 1
// free: the 32-byte region data header is written there, in front of the rectangles,
// so one buffer serves the platform call. Rectangles are stored from element 2 on, in
// row order from the top.

constexpr size_t kRegionBatch = 2000;

// Region of the host's visible pixels by Style (see cImage32::CreateRegion); 0 when
// nothing is visible, without image, for another Style, or on any failure.
gdi::HRGN CreateShapedRegion(const cImage32& host, int32_t Style);
// One region from rects[first..last] (the header goes into the two elements in front of
// first); bounding box from xOffset to xOffset + width. 0 when the platform refuses it
// or the indexes do not fit the list.
gdi::HRGN CreateRegionFromRects(std::vector<gdi::RECT>& rects, size_t first, size_t last,
                                int32_t xOffset, int32_t width);
// The same in batches of kRegionBatch + 1 rectangles, neighbouring batches sharing their
// boundary rectangle, joined by OR; 0 when any batch fails.
gdi::HRGN CreateRegionInBatches(std::vector<gdi::RECT>& rects, size_t last, int32_t xOffset,
                                int32_t width);

}  // namespace modParsers
