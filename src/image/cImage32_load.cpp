// cImage32: loading from files, bytes, picture objects and handles, all through one reader
// chain, and what the kept original-format bytes tell about an icon's source.
//
// Built with the codecs as one link group (qm_imaging): the chain drives the readers, and
// the readers fill this class.

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "codecs/cBMPparser.h"
#include "codecs/cGIFparser.h"
#include "codecs/cICOparser.h"
#include "codecs/cPNGparser.h"
#include "codecs/cTGAparser.h"
#include "image/cGDIPlus.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/error.h"

namespace {

// A file must be longer than this to be worth a reader: no image format this program
// reads fits in fewer bytes, and the PNG reader's file mode relies on it.
constexpr int32_t kSmallestImageFile = 56;
// Fewer bytes than this are no image in any format.
constexpr int64_t kSmallestImageStream = 20;


// Sizes are read as a 32-bit Long holds them: the low 32 bits, signed. A file of 2 GB or
// more (in the low bits) thus reads as negative, i.e. too small, and is never read whole.
int32_t lowLong(int64_t size) { return static_cast<int32_t>(static_cast<uint32_t>(size)); }

// The whole file from its start into bytes; False when it cannot be read.
bool readWholeFile(modParsers::FileHandle& file, int64_t size, std::vector<uint8_t>& bytes) {
    if (size <= 0 || !file.Seek(0)) return false;
    bytes.resize(static_cast<size_t>(size));
    const int64_t got = file.Read(bytes);
    if (got < 0) {
        bytes.clear();
        return false;
    }
    bytes.resize(static_cast<size_t>(got));
    return true;
}

bool isIconKind(int32_t imageType) {
    switch (imageType) {
        case cImage32::ImageTypeIcon:
        case cImage32::ImageTypeCursor:
        case cImage32::ImageTypeAlphaIcon:
        case cImage32::ImageTypePNGInIcon:
        case cImage32::ImageTypeAlphaCursor:
            return true;
        default:
            return false;
    }
}

// The number of colours of a depth; -1 stands for "true colour with alpha".
int32_t colourCount(int32_t bitDepth) {
    if (bitDepth > 24) return -1;
    if (bitDepth < 1) return 0;  // the directory did not say
    return int32_t{1} << bitDepth;
}

}  // namespace

bool cImage32::LoadPictureAnyFormat(modParsers::FileHandle* file, const std::string& FileName,
                                    std::vector<uint8_t>& bytes, int32_t iconCx, int32_t iconCy,
                                    int64_t streamStart, int64_t streamLength, bool SaveFormat,
                                    int32_t iconBitDepth) {
    DestroyDIB();
    if (iconCx < 0) iconCx = 0;
    if (iconCy < 0) iconCy = 0;
    if (iconBitDepth < 0 || iconBitDepth > 32) iconBitDepth = 32;

    // A reader's True means it recognised the data, not that an image came of it; it ends
    // the search among the readers either way.
    bool answered = file ? codecs::cPNGparser().LoadFile(*file, FileName, *this, gdiToken_)
                         : codecs::cPNGparser().LoadStream(bytes, *this, streamStart, streamLength,
                                                           gdiToken_);
    if (!answered) {
        if (file) {
            const int64_t size = file->Size();
            streamStart = 0;
            streamLength = lowLong(size);
            if (streamLength > 0) readWholeFile(*file, streamLength, bytes);
            streamLength = static_cast<int64_t>(bytes.size());
        }
        answered = codecs::cGIFparser().LoadStream(bytes, *this, streamStart, streamLength);
        if (!answered)
            answered = codecs::cICOparser().LoadStream(bytes, iconCx, iconCy, this, streamStart,
                                                       streamLength, iconBitDepth, gdiToken_);
        if (!answered)
            answered = codecs::cBMPparser().LoadStream(bytes, *this, streamStart, streamLength);
    }

    if (!dib_) {
        if (isGDIplusEnabled()) {
            // Step one's DestroyDIB has ended any kept bridge (its image lay over the old
            // pixels), so a bridge of this call serves.
            cGDIPlus bridge;
            if (bridge.LoadPictureWithGDIplus(FileName, bytes, *this, gdiToken_)) {
                // Whatever GDI+ decoded is kept as PNG, the one format every reader here
                // can take back.
                if (SaveFormat) bridge.SaveToPNG("", bytes, *this, gdiToken_);
                imageType_ = ImageTypePNG;
                answered = true;
            }
        }
        // TGA has no signature: it is tried only on data nobody else recognised.
        if (!answered) codecs::cTGAparser().LoadStream(bytes, *this, streamStart, streamLength);
    }

    if (!dib_) return false;
    if (SaveFormat) {
        if (bytes.empty() && file) {
            // The PNG reader read straight from the file.
            const int64_t size = streamLength ? streamLength : lowLong(file->Size());
            readWholeFile(*file, size, bytes);
        }
        originalFormat_ = bytes;
    }
    return true;
}

bool cImage32::LoadPicture_File(const std::string& FileName, int32_t iconCx, int32_t iconCy,
                                bool SaveFormat, int32_t iconBitDepth) {
    modParsers::FileHandle file =
        modParsers::OpenImageFileHandle(FileName, true, (flags_ & PlatformNT) != 0);
    if (!file) return false;
    if (lowLong(file.Size()) <= kSmallestImageFile) return false;
    bool loaded = false;
    try {
        std::vector<uint8_t> bytes;
        loaded = LoadPictureAnyFormat(&file, FileName, bytes, iconCx, iconCy, 0, 0, SaveFormat,
                                      iconBitDepth);
    } catch (const std::exception&) {
        // A reader that raised may have left a partial image; False must mean no image.
        DestroyDIB();
        loaded = false;
    }
    file.Close();
    return loaded;
}

bool cImage32::LoadPicture_Stream(std::span<const uint8_t> inStream, int32_t iconCx,
                                  int32_t iconCy, int64_t streamStart, int64_t streamLength,
                                  bool SaveFormat, int32_t iconBitDepth) {
    // A span is always one-dimensional: the shape check comes down to "has elements".
    if (inStream.empty()) return false;
    const int64_t upper = static_cast<int64_t>(inStream.size()) - 1;
    if (streamStart < 0) streamStart = 0;
    if (streamLength == 0) streamLength = upper - streamStart + 1;
    if (streamStart > upper || streamLength < 0 || streamLength > upper - streamStart + 1)
        return false;
    if (streamLength < kSmallestImageStream) return false;

    // The readers may rewrite the data (the icon reader patches the header it decodes, GDI+
    // replaces it by PNG), and what they leave is what is kept: they work on a copy.
    std::vector<uint8_t> bytes(inStream.begin(), inStream.end());
    return LoadPictureAnyFormat(nullptr, "", bytes, iconCx, iconCy, streamStart, streamLength,
                                SaveFormat, iconBitDepth);
}

bool cImage32::LoadPicture_StdPicture(const picture::Picture& Picture) {
    DestroyDIB();
    if (!Picture) return false;
    switch (Picture.Type()) {
        case picture::kPicTypeNone:
            break;
        case picture::kPicTypeIcon:
            codecs::cICOparser().ConvertstdPicTo32bpp(Picture.Handle(), *this);
            break;
        case picture::kPicTypeBitmap:
            codecs::cBMPparser().ConvertstdPicTo32bpp(picture::Picture(), Picture.Handle(), *this,
                                                      0);
            break;
        default:  // metafiles are drawn through the picture object
            codecs::cBMPparser().ConvertstdPicTo32bpp(Picture, 0, *this, 0);
            break;
    }
    return dib_ != 0;
}

bool cImage32::LoadPicture_ByHandle(uint32_t Handle) {
    DestroyDIB();
    if (!Handle) return false;
    switch (gdi::GetObjectType(Handle)) {
        case gdi::OBJ_BITMAP:
            return codecs::cBMPparser().ConvertstdPicTo32bpp(picture::Picture(), Handle, *this, 0);
        case gdi::OBJ_METAFILE:
            // A bare WMF handle carries no placeable header, so no size to draw it at.
            return false;
        case gdi::OBJ_ENHMETAFILE:
            // Drawn at its frame's size through a picture object that leaves the handle to
            // the caller.
            return LoadPicture_StdPicture(picture::CreatePicture(picture::kPicTypeEnhMetafile, Handle, false));
        default:
            break;
    }
    gdi::ICONINFO info{};
    if (!gdi::GetIconInfo(Handle, &info)) return false;
    // Only asked to learn that it is an icon; the copies it hands out are ours to delete.
    if (info.hbmMask) gdi::DeleteObject(info.hbmMask);
    if (info.hbmColor) gdi::DeleteObject(info.hbmColor);
    return codecs::cICOparser().ConvertstdPicTo32bpp(Handle, *this);
}

bool cImage32::LoadPicture_FromOriginalFormat(int32_t iconCx, int32_t iconCy,
                                              int32_t iconBitDepth) {
    if (originalFormat_.empty()) return false;
    // The load drops the kept bytes before it reads them again.
    const std::vector<uint8_t> kept = originalFormat_;
    return LoadPicture_Stream(kept, iconCx, iconCy, 0, 0, true, iconBitDepth);
}

int32_t cImage32::SourceIconSizes(LongArray& sizeArray) const {
    if (!dib_ || !isIconKind(imageType_)) return 0;
    if (originalFormat_.empty()) {
        sizeArray = LongArray::twoDim(4, 1);
        sizeArray(0, 0) = width_;
        sizeArray(1, 0) = height_;
        sizeArray(2, 0) = 32;
        sizeArray(3, 0) = -1;
        return 1;
    }

    // The reader takes writable bytes; the kept ones stay as they are.
    std::vector<uint8_t> bytes = originalFormat_;
    codecs::cICOparser directory;
    int64_t offset = 0;
    int64_t length = static_cast<int64_t>(bytes.size());
    int32_t depth = 32;
    if (!directory.LoadStream(bytes, 32, 32, nullptr, offset, length, depth)) return 0;

    const int32_t n = directory.IconCount();
    if (n <= 0) return 0;
    LongArray sizes = LongArray::twoDim(4, static_cast<size_t>(n));
    for (int32_t i = 1; i <= n; ++i) {
        const size_t column = static_cast<size_t>(i) - 1;
        sizes(0, column) = directory.Width(i);
        sizes(1, column) = directory.Height(i);
        sizes(2, column) = directory.bitDepth(i);
        sizes(3, column) = colourCount(directory.bitDepth(i));
    }
    sizeArray = std::move(sizes);
    return n;
}
