// cGDIPlus: GDI+ sessions, encoding, loading and drawing through the flat functions.

#include "image/cGDIPlus.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <new>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/text.h"

using namespace gdiplus;

namespace {

constexpr int32_t kOrientationUpright = Rotate180FlipX;  // the host's rows are bottom-up

bool libraryPresent() { return modParsers::IsDllFunctionAvailable("gdiplus.dll", "GdiplusStartup"); }

// A UTF-8 name as the wide characters the file functions take.
std::u16string widen(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + n > s.size()) n = 1;
        if (n == 1) cp = c < 0x80 ? c : 0xFFFD;
        else {
            cp = c & (0x7F >> n);
            for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return out;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Releases what a drawing made, in every case.
struct DrawingObjects {
    GpGraphics* graphics = nullptr;
    GpImageAttributes* attributes = nullptr;
    ~DrawingObjects() {
        if (attributes) GdipDisposeImageAttributes(attributes);
        if (graphics) GdipDeleteGraphics(graphics);
    }
};

}  // namespace

// ---- sessions ------------------------------------------------------------------------------

cGDIPlus::~cGDIPlus() { ManageGDIplusToken(ownSessionToken_, true); }

bool cGDIPlus::ManageGDIplusToken(int32_t& token, bool shutDown) {
    if (shutDown) {
        DisposeCachedImage();
        if (token != 0) GdiplusShutdown(Token(token));
        cachedOrientation_ = 0;
        return false;
    }
    try {
        const GdiplusStartupInput input;  // version 1, nothing suppressed
        Token started = 0;
        if (GdiplusStartup(&started, &input, nullptr) != Ok) {
            token = 0;
            return false;
        }
        token = int32_t(started);
        return token != 0;
    } catch (...) {
        token = 0;
        return false;
    }
}

bool cGDIPlus::isGDIplusOk(int32_t& gdiToken, bool KeepToken) {
    if (ownSessionToken_ != 0) return true;
    if (!libraryPresent()) return false;
    const bool started = ManageGDIplusToken(gdiToken, false);
    if (!KeepToken) ManageGDIplusToken(gdiToken, true);
    return started;
}

bool cGDIPlus::isGDIplusOk() {
    int32_t scratch = 0;
    return isGDIplusOk(scratch, false);
}

bool cGDIPlus::UseSession(int32_t GlobalToken, bool checkLibrary) {
    if (GlobalToken != 0 || ownSessionToken_ != 0) return true;
    if (checkLibrary && !libraryPresent()) return false;
    return ManageGDIplusToken(ownSessionToken_, false);
}

// ---- the cached image ------------------------------------------------------------------------

void cGDIPlus::DisposeCachedImage() {
    if (cachedImage_) GdipDisposeImage(cachedImage_);
    cachedImage_ = nullptr;
    cachedBits_ = nullptr;
    cachedWidth_ = cachedHeight_ = 0;
}

GpImage* cGDIPlus::CachedImageFor(const cImage32& host) {
    if (cachedImage_ && (cachedBits_ != host.BitsPointer() || cachedWidth_ != host.Width() ||
                         cachedHeight_ != host.Height())) {
        DisposeCachedImage();
        cachedOrientation_ = 0;
    }
    if (!cachedImage_ && host.Handle()) {
        GpBitmap* bitmap = nullptr;
        if (GdipCreateBitmapFromScan0(host.Width(), host.Height(), host.scanWidth(),
                                      PixelFormat32bppPARGB, host.BitsPointer(), &bitmap) == Ok) {
            cachedImage_ = bitmap;
            cachedOrientation_ = 0;
            cachedBits_ = host.BitsPointer();
            cachedWidth_ = host.Width();
            cachedHeight_ = host.Height();
        }
    }
    return cachedImage_;
}

void cGDIPlus::RotateFlipCachedImage(int32_t orientationCode) {
    if (!cachedImage_ || orientationCode == cachedOrientation_) return;
    if ((cachedOrientation_ & orientationCode) == 0) {
        if (cachedOrientation_ != 0)
            GdipImageRotateFlip(cachedImage_, RotateFlipType(cachedOrientation_));
        GdipImageRotateFlip(cachedImage_, RotateFlipType(orientationCode));
    } else {
        GdipImageRotateFlip(cachedImage_, RotateFlipType(cachedOrientation_ ^ orientationCode));
    }
    cachedOrientation_ = orientationCode;
}

// ---- private helpers --------------------------------------------------------------------------

std::string cGDIPlus::StringFromWidePointer(const char16_t* address) {
    return runtime::Utf8FromUtf16(address);
}

int32_t cGDIPlus::FindEncoderClsid(const std::string& MimeType, CLSID& Clsid) {
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Ok || size == 0) return -1;
    // Records first, their strings after them: a buffer aligned for the records.
    std::vector<ImageCodecInfo> buffer((size + sizeof(ImageCodecInfo) - 1) / sizeof(ImageCodecInfo));
    if (GdipGetImageEncoders(count, size, buffer.data()) != Ok) return -1;
    for (UINT i = 0; i < count && i < buffer.size(); ++i) {
        if (equalNoCase(StringFromWidePointer(buffer[i].MimeType), MimeType)) {
            Clsid = buffer[i].Clsid;
            return int32_t(i + 1);
        }
    }
    return -1;
}

bool cGDIPlus::StreamToByteArray(const Stream* stream, std::vector<uint8_t>& bytes) {
    if (!stream || stream->bytes().empty()) return false;
    bytes = stream->bytes();
    return true;
}

std::unique_ptr<Stream> cGDIPlus::ByteArrayToStream(std::span<const uint8_t> bytes, size_t start) {
    try {
        if (bytes.empty()) return std::make_unique<Stream>();
        if (start >= bytes.size()) return nullptr;
        return std::make_unique<Stream>(std::vector<uint8_t>(bytes.begin() + ptrdiff_t(start), bytes.end()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// ---- encoding ------------------------------------------------------------------------------------

namespace {

// Saves the image to the file or, with an empty name, into outStream.
bool saveImage(GpImage* image, const std::string& FileName, std::vector<uint8_t>& outStream,
               const CLSID& clsid, const EncoderParameters* params,
               const std::function<std::unique_ptr<Stream>()>& emptyStream,
               const std::function<bool(const Stream*, std::vector<uint8_t>&)>& copyOut) {
    if (FileName.empty()) {
        outStream.clear();
        const std::unique_ptr<Stream> stream = emptyStream();
        if (!stream || GdipSaveImageToStream(image, stream.get(), &clsid, params) != Ok) return false;
        copyOut(stream.get(), outStream);
        return true;
    }
    const std::u16string wide = widen(FileName);
    return GdipSaveImageToFile(image, wide.c_str(), &clsid, params) == Ok;
}

}  // namespace

bool cGDIPlus::SaveToPNG(const std::string& FileName, std::vector<uint8_t>& outStream,
                         cImage32& cHost, int32_t GlobalToken) {
    if (!cHost.Handle()) return false;
    if (!UseSession(GlobalToken, true)) return false;
    if (!CachedImageFor(cHost)) return false;
    try {
        CLSID clsid{};
        if (FindEncoderClsid("image/png", clsid) == -1) return false;
        RotateFlipCachedImage(kOrientationUpright);
        return saveImage(
            cachedImage_, FileName, outStream, clsid, nullptr,
            [] { return ByteArrayToStream({}, 0); },
            [](const Stream* s, std::vector<uint8_t>& b) { return StreamToByteArray(s, b); });
    } catch (const std::exception&) {
        return false;
    }
}

bool cGDIPlus::SaveToJPG(const std::string& FileName, std::vector<uint8_t>& outStream,
                         cImage32& cHost, int32_t Quality, int32_t TransFillColor,
                         int32_t GlobalToken) {
    if (!cHost.Handle()) return false;
    if (!UseSession(GlobalToken, true)) return false;

    int32_t alphaKind = 0, imageType = 0;
    modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(cHost), false, alphaKind, imageType);

    // A transparent host is encoded from a composite over the fill colour, laid in as the
    // cached image for this call only.
    GpImage* const keptImage = cachedImage_;
    const int32_t keptOrientation = cachedOrientation_;
    ByteArray composite;
    GpBitmap* compositeImage = nullptr;
    if (alphaKind != 0) {
        modParsers::BlendToBackgroundColor(cHost, TransFillColor, composite, false);
        GdipCreateBitmapFromScan0(cHost.Width(), cHost.Height(), cHost.scanWidth(),
                                  PixelFormat32bppPARGB, composite.data(), &compositeImage);
        cachedImage_ = compositeImage;
        cachedOrientation_ = 0;
    } else {
        CachedImageFor(cHost);
    }

    bool saved = false;
    if (cachedImage_) {
        try {
            CLSID clsid{};
            if (FindEncoderClsid("image/jpeg", clsid) != -1) {
                int32_t quality = std::clamp(Quality, 30, 100);
                EncoderParameters params{};
                params.Count = 1;
                params.Parameter[0].Guid = EncoderQuality;
                params.Parameter[0].NumberOfValues = 1;
                params.Parameter[0].Type = EncoderParameterValueTypeLong;
                params.Parameter[0].Value = &quality;
                RotateFlipCachedImage(kOrientationUpright);
                saved = saveImage(
                    cachedImage_, FileName, outStream, clsid, &params,
                    [] { return ByteArrayToStream({}, 0); },
                    [](const Stream* s, std::vector<uint8_t>& b) { return StreamToByteArray(s, b); });
            }
        } catch (const std::exception&) {
            saved = false;
        }
    }

    if (alphaKind != 0) {
        if (compositeImage) GdipDisposeImage(compositeImage);
        cachedImage_ = keptImage;
        cachedOrientation_ = keptOrientation;
        composite.erase();
    }
    return saved;
}

// ---- drawing --------------------------------------------------------------------------------------

bool cGDIPlus::RenderWithGDIplus(cImage32& cHost, gdi::HDC destDC, float Angle, int32_t Opacity,
                                 int32_t DestX, int32_t DestY, int32_t DestWidth, int32_t DestHeight,
                                 int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                                 bool HighQuality, int32_t grayScale, int32_t GlobalToken,
                                 float LightAdjustment) {
    if (Opacity == 0) return true;
    if (!UseSession(GlobalToken, false)) return false;
    if (!CachedImageFor(cHost)) return false;

    DrawingObjects objects;
    if (GdipCreateFromHDC(destDC, &objects.graphics) != Ok) return false;
    GdipSetInterpolationMode(objects.graphics, HighQuality ? InterpolationModeHighQualityBicubic
                                                           : InterpolationModeNearestNeighbor);

    int32_t orientation = DestHeight >= 0 ? kOrientationUpright : RotateNoneFlipNone;
    if (DestWidth < 0) orientation ^= RotateNoneFlipX;
    const int32_t W = DestWidth < 0 ? -DestWidth : DestWidth;
    const int32_t H = DestHeight < 0 ? -DestHeight : DestHeight;
    RotateFlipCachedImage(orientation);

    ColorMatrix matrix{};
    auto setMatrix = [&] {
        return GdipSetImageAttributesColorMatrix(objects.attributes, ColorAdjustTypeBitmap, 1, &matrix,
                                                 &matrix, ColorMatrixFlagsDefault) == Ok;
    };
    auto fillMatrix = [&](bool gray) {
        matrix = ColorMatrix{};
        if (gray) {
            const modParsers::GrayScaleWeights w = modParsers::GetGrayScaleWeights(grayScale);
            const float weights[3] = {w.red, w.green, w.blue};
            for (int row = 0; row < 3; ++row)
                for (int column = 0; column < 3; ++column) matrix.m[row][column] = weights[row];
        } else {
            matrix.m[0][0] = matrix.m[1][1] = matrix.m[2][2] = 1;
        }
        matrix.m[3][3] = 1;
        matrix.m[4][4] = 1;
        if (LightAdjustment != 0)
            for (int column = 0; column < 3; ++column) matrix.m[4][column] = LightAdjustment / 100;
    };
    if (grayScale != -1 || LightAdjustment != 0) {
        if (GdipCreateImageAttributes(&objects.attributes) == Ok) {
            fillMatrix(grayScale != -1);
            if (!setMatrix()) {
                GdipDisposeImageAttributes(objects.attributes);
                objects.attributes = nullptr;
            }
        }
    }

    auto drawInto = [&](int32_t x, int32_t y, int32_t w, int32_t h) {
        return GdipDrawImageRectRectI(objects.graphics, cachedImage_, x, y, w, h, srcX, srcY, srcWidth,
                                      srcHeight, UnitPixel, objects.attributes, nullptr, nullptr);
    };
    if (Angle == 0 && Opacity == 100) return drawInto(DestX, DestY, W, H) == Ok;

    if (!objects.attributes) {
        if (GdipCreateImageAttributes(&objects.attributes) != Ok) return false;
        fillMatrix(false);
    }
    matrix.m[3][3] = float(Opacity / 100.0);
    if (!setMatrix()) return false;
    if (Angle == 0) return drawInto(DestX, DestY, W, H) == Ok;
    if (GdipRotateWorldTransform(objects.graphics, Angle + 180, MatrixOrderPrepend) == Ok)
        GdipTranslateWorldTransform(objects.graphics, REAL(DestX + W / 2), REAL(DestY + H / 2),
                                    MatrixOrderAppend);
    // The negative size turns the picture by another half turn about the origin.
    return drawInto(W / 2, H / 2, -W, -H) == Ok;
}

// ---- loading ---------------------------------------------------------------------------------------

bool cGDIPlus::LoadPictureWithGDIplus(const std::string& FileName, std::span<const uint8_t> inStream,
                                      cImage32& cHost, int32_t GlobalToken) {
    if (!UseSession(GlobalToken, true)) return false;
    GpImage* image = nullptr;
    if (!FileName.empty()) {
        const std::u16string wide = widen(FileName);
        GdipLoadImageFromFile(wide.c_str(), &image);
    } else if (const std::unique_ptr<Stream> stream = ByteArrayToStream(inStream, 0)) {
        GdipLoadImageFromStream(stream.get(), &image);
    }
    if (!image) return false;

    bool drawn = false;
    GpRectF bounds{};
    Unit unit = UnitPixel;
    if (GdipGetImageBounds(image, &bounds, &unit) == Ok) {
        const int32_t w = int32_t(std::lrint(bounds.Width)), h = int32_t(std::lrint(bounds.Height));
        cHost.InitializeDIB(w, h);
        const gdi::HDC dc = cHost.LoadDIBinDC(true);
        GpGraphics* graphics = nullptr;
        if (GdipCreateFromHDC(dc, &graphics) == Ok) {
            GdipDrawImageRectRectI(graphics, image, 0, 0, w, h, int32_t(bounds.X), int32_t(bounds.Y), w,
                                   h, UnitPixel, nullptr, nullptr, nullptr);
            GdipDeleteGraphics(graphics);
            drawn = true;
        }
        cHost.LoadDIBinDC(false);
    }
    GdipDisposeImage(image);
    if (!drawn) {
        cHost.DestroyDIB();
        return false;
    }
    int32_t alphaKind = 0, imageType = 0;
    modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(cHost), false, alphaKind, imageType);
    cHost.Alpha(alphaKind);
    cHost.ImageType(cImage32::ImageTypePNG);
    return true;
}
