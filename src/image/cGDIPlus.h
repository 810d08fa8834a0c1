#pragma once
// cGDIPlus: the image object's bridge to the imaging library (platform/gdiplus), reached
// only through its flat functions: whether the library can run at all, its sessions, and
// the imaging operations every caller treats as optional (a False result sends it to its
// own code): encoding a host as PNG or JPEG to a file or bytes, loading whatever the
// library decodes into a host, and drawing a host onto a device context with a chosen
// interpolation, mirroring, a colour matrix (grayscale, light, opacity) and rotation
// about the destination's centre.
//
// An instance serves one host at a time. Its cached image is a bitmap laid over the
// host's pixel memory (no copy), made by the first operation that needs it and kept,
// with the orientation last applied to it, until the instance or its own session ends;
// the host stores rows bottom-up, so orientation 6 (a top-bottom mirror) shows it
// upright. Should a later call bring another host, or the same host with other memory,
// the cached image is made anew, so it never reads memory it was not laid over.
//
// Tokens are signed 32-bit values as the image object keeps them; 0 means no session.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"

class cImage32;

class cGDIPlus {
public:
    cGDIPlus() = default;
    // Class_Terminate: ends the session this instance started for itself, if any, and
    // with it the cached image.
    ~cGDIPlus();
    cGDIPlus(const cGDIPlus&) = delete;
    cGDIPlus& operator=(const cGDIPlus&) = delete;

    // True when the imaging library can run. With an own session: True at once, gdiToken
    // untouched. Otherwise "gdiplus.dll" must export "GdiplusStartup" and a session must
    // start into gdiToken; with KeepToken False it is shut down again at once (gdiToken
    // keeps the stale value), with KeepToken True it stays open and is the caller's.
    bool isGDIplusOk(int32_t& gdiToken, bool KeepToken = false);
    bool isGDIplusOk();  // a probe with a scratch token

    // The host as PNG: into the file, or with an empty FileName into outStream (from
    // index 0; no file). False without an image, without a session or encoder, or when
    // the save fails.
    bool SaveToPNG(const std::string& FileName, std::vector<uint8_t>& outStream, cImage32& cHost,
                   int32_t GlobalToken = 0);
    // The host as JPEG at Quality (clamped to 30..100). A host with transparency is
    // encoded from a copy composited over TransFillColor (&HBBGGRR); the cached image
    // afterwards is the one from before the call. Otherwise as SaveToPNG.
    bool SaveToJPG(const std::string& FileName, std::vector<uint8_t>& outStream, cImage32& cHost,
                   int32_t Quality = 80, int32_t TransFillColor = 0, int32_t GlobalToken = 0);

    // ---- restricted to the program's own classes ------------------------------------------
    // Draws the host's source rectangle (pixels, y from the top) into the destination
    // rectangle: HighQuality bicubic, else nearest; a negative DestWidth mirrors left to
    // right, a negative DestHeight top to bottom; grayScale (a formula of
    // modParsers::GetGrayScaleWeights, -1 none) and LightAdjustment (percent of full
    // brightness added) through a colour matrix; Opacity in percent (0 draws nothing and
    // answers True, even without the library); Angle in degrees, clockwise about the
    // destination's centre at its size.
    bool RenderWithGDIplus(cImage32& cHost, gdi::HDC destDC, float Angle, int32_t Opacity,
                           int32_t DestX, int32_t DestY, int32_t DestWidth, int32_t DestHeight,
                           int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                           bool HighQuality, int32_t grayScale, int32_t GlobalToken,
                           float LightAdjustment);
    // Decodes the file, or with an empty FileName the whole of inStream, into the host:
    // ImageType 10 (whatever the format) and the alpha kind found. Undecodable data leaves
    // the host as it was; a decoded image that cannot be drawn leaves it without image.
    bool LoadPictureWithGDIplus(const std::string& FileName, std::span<const uint8_t> inStream,
                                cImage32& cHost, int32_t GlobalToken);

    // With shutDown: disposes of the cached image, ends the session of a non-zero token
    // (the token variable keeps its value) and returns False. Otherwise starts a session
    // into token: True when one started, else False with token 0.
    bool ManageGDIplusToken(int32_t& token, bool shutDown);

    // The session rule of every imaging operation: the caller's GlobalToken when it is not
    // 0, else this instance's own session, else a new own session (first checking that the
    // library exports "GdiplusStartup" when checkLibrary). False when no session can be had.
    // The own session stays open until the instance ends.
    bool UseSession(int32_t GlobalToken, bool checkLibrary);

private:
    friend struct cGDIPlusPrivateAccess;  // the tests of private members

    // The UTF-8 text of a zero-terminated UTF-16 string; "" for none.
    static std::string StringFromWidePointer(const char16_t* address);
    // The encoder of the MIME type (compared without regard to case): its index from 1,
    // with its class identifier in Clsid; -1 when none.
    int32_t FindEncoderClsid(const std::string& MimeType, gdiplus::CLSID& Clsid);
    // The stream's bytes, from index 0; False without stream or bytes.
    static bool StreamToByteArray(const gdiplus::Stream* stream, std::vector<uint8_t>& bytes);
    // A stream over a copy of bytes[start..]; none when start lies past the end or memory
    // is short.
    static std::unique_ptr<gdiplus::Stream> ByteArrayToStream(std::span<const uint8_t> bytes,
                                                              size_t start);
    // Turns the cached image from its cached orientation into orientationCode (0, 2, 4, 6).
    void RotateFlipCachedImage(int32_t orientationCode);

    // The cached image over this host's memory, made when needed; nullptr when none.
    gdiplus::GpImage* CachedImageFor(const cImage32& host);
    void DisposeCachedImage();

    gdiplus::GpImage* cachedImage_ = nullptr;
    int32_t ownSessionToken_ = 0;
    int32_t cachedOrientation_ = 0;
    // The memory the cached image lies over.
    const uint8_t* cachedBits_ = nullptr;
    int32_t cachedWidth_ = 0, cachedHeight_ = 0;
};
