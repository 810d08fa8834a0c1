#pragma once
// cImage32's own DC lent to a member for the length of a call (cImage32 members only).

#include "image/cImage32.h"

// The image selected into its own DC for as long as this lives. Only what it changed is
// put back: a DC it made goes again, a selection it made is undone, and an image that was
// selected already stays so.
class ScopedImageDC {
public:
    explicit ScopedImageDC(cImage32& image)
        : image_(image), hadDC_(image.ownDC_ != 0), wasLoaded_(image.previousBitmap_ != 0),
          dc_(image.LoadDIBinDC(true)) {}
    ~ScopedImageDC() {
        if (wasLoaded_) return;
        image_.LoadDIBinDC(false);
        if (!hadDC_ && image_.ownDC_) {
            gdi::DeleteDC(image_.ownDC_);
            image_.ownDC_ = 0;
        }
    }
    ScopedImageDC(const ScopedImageDC&) = delete;
    ScopedImageDC& operator=(const ScopedImageDC&) = delete;
    gdi::HDC dc() const { return dc_; }

private:
    cImage32& image_;
    bool hadDC_, wasLoaded_;
    gdi::HDC dc_;
};
