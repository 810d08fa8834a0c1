// cImage32: the pixel store (a bottom-up 32-bpp DIB section), its own memory DC and the
// exchange of images between two objects.

#include <cstring>
#include <limits>
#include <utility>

#include "image/cImage32.h"

namespace {

constexpr int64_t kMaxImageBytes = std::numeric_limits<int32_t>::max();

}  // namespace

bool cImage32::InitializeDIB(int32_t Width, int32_t Height) {
    DestroyDIB();
    if (Width <= 0 || Height == 0) return false;
    // Stored bottom-up whatever the sign: members address rows from the top themselves.
    const int64_t rows = Height < 0 ? -int64_t{Height} : int64_t{Height};
    // Compared by division first: the product of two 32-bit sizes and 4 can pass 2^63.
    if (Width > kMaxImageBytes / 4 / rows) return false;
    const int64_t bytes = int64_t{Width} * rows * 4;

    gdi::BITMAPINFO info{};
    gdi::BITMAPINFOHEADER& h = info.bmiHeader;
    h.biSize = sizeof(gdi::BITMAPINFOHEADER);
    h.biWidth = Width;
    h.biHeight = gdi::LONG(rows);
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = gdi::BI_RGB;
    h.biSizeImage = gdi::DWORD(bytes);

    const gdi::HDC screen = gdi::GetDC(0);
    void* bits = nullptr;
    const gdi::HBITMAP dib = gdi::CreateDIBSection(screen, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && manageOwnDC_ && !ownDC_) ownDC_ = gdi::CreateCompatibleDC(screen);
    gdi::ReleaseDC(0, screen);
    if (!dib) return false;

    dib_ = dib;
    bits_ = static_cast<uint8_t*>(bits);
    width_ = Width;
    height_ = int32_t(rows);
    // A new DIB section's pixels are zero already: what EraseDIB leaves, without a second
    // pass over them.
    imageType_ = ImageTypeBlank;
    alpha_ = AlphaBinary;
    return true;
}

void cImage32::DestroyDIB() {
    releaseBridge();  // its cached image lies over these pixels
    if (ownDC_) {
        if (previousBitmap_) gdi::SelectObject(ownDC_, previousBitmap_);
        gdi::DeleteDC(ownDC_);
        ownDC_ = 0;
    }
    if (dib_) {
        gdi::DeleteObject(dib_);
        originalFormat_.clear();
    }
    width_ = height_ = 0;
    dib_ = 0;
    bits_ = nullptr;
    previousBitmap_ = 0;
    alpha_ = AlphaOpaque;
    imageType_ = ImageTypeNone;
}

void cImage32::EraseDIB() {
    if (!dib_) return;
    std::memset(bits_, 0, size_t(width_) * size_t(height_) * 4);
    imageType_ = ImageTypeBlank;
    alpha_ = AlphaBinary;
}

void cImage32::ManageOwnDC(bool bManage) {
    if (!bManage) {
        if (ownDC_) {
            if (dib_ && previousBitmap_) gdi::SelectObject(ownDC_, previousBitmap_);
            previousBitmap_ = 0;
            gdi::DeleteDC(ownDC_);
            ownDC_ = 0;
        }
    } else if (!ownDC_ && dib_) {
        ownDC_ = gdi::CreateCompatibleDC(0);
    }
    manageOwnDC_ = bManage;
}

gdi::HDC cImage32::LoadDIBinDC(bool bLoad) {
    if (bLoad) {
        if (!dib_) return 0;
        if (!ownDC_) ownDC_ = gdi::CreateCompatibleDC(0);
        if (!previousBitmap_) previousBitmap_ = gdi::SelectObject(ownDC_, dib_);
        return ownDC_;
    }
    if (previousBitmap_) {
        gdi::SelectObject(ownDC_, previousBitmap_);
        if (!manageOwnDC_) {
            gdi::DeleteDC(ownDC_);
            ownDC_ = 0;
        }
        previousBitmap_ = 0;
    }
    return 0;
}

void cImage32::SwapDIBs(cImage32* SwapFromDIB) {
    if (!SwapFromDIB) return;
    releaseBridge();
    if (SwapFromDIB == this) return;
    cImage32& other = *SwapFromDIB;
    other.releaseBridge();
    // Each image leaves the DC it is selected into before it changes owner; an object
    // that had a DC takes its new image into it.
    const bool hadDC = ownDC_ != 0, otherHadDC = other.ownDC_ != 0;
    if (hadDC) LoadDIBinDC(false);
    if (otherHadDC) other.LoadDIBinDC(false);
    std::swap(dib_, other.dib_);
    std::swap(bits_, other.bits_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(imageType_, other.imageType_);
    std::swap(alpha_, other.alpha_);
    std::swap(originalFormat_, other.originalFormat_);
    if (hadDC && dib_) LoadDIBinDC(true);
    if (otherHadDC && other.dib_) other.LoadDIBinDC(true);
}
