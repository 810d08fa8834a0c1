// cImage32: copies into another image object, resizing in place and trimming to the
// visible pixels. The pixels are moved by GDI+ or by the own pipeline's mirror and
// resampler.

#include <cstring>
#include <limits>

#include "image/cGDIPlus.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "image/ScopedImageDC.h"
#include "platform/runtime/error.h"

namespace {

int64_t magnitude(int32_t v) { return v < 0 ? -int64_t{v} : int64_t{v}; }

// A blank width x height image in `image`, or Out of memory (7).
void initializeOrRaise(cImage32& image, int64_t width, int64_t height) {
    constexpr int64_t kLong = std::numeric_limits<int32_t>::max();
    if (width > kLong || height > kLong || !image.InitializeDIB(int32_t(width), int32_t(height)))
        runtime::raise(runtime::kErrOutOfMemory);
}

}  // namespace

std::unique_ptr<cImage32> cImage32::newImageLikeThis(int64_t width, int64_t height) const {
    auto made = std::make_unique<cImage32>();
    made->gdiToken(gdiToken_);
    initializeOrRaise(*made, width, height);
    made->imageType_ = imageType_;
    made->alpha_ = alpha_;
    made->SetDIBOriginalFormat(originalFormat_);
    return made;
}

bool cImage32::drawIntoWithGDIplus(cImage32& target, int32_t newWidth, int32_t newHeight) {
    const ScopedImageDC targetDC(target);
    const ScopedImageDC sourceDC(*this);
    std::unique_ptr<cGDIPlus> scratch;
    return useBridge(scratch).RenderWithGDIplus(*this, targetDC.dc(), 0, 100, 0, 0, newWidth, newHeight, 0, 0,
                                                width_, height_, true, -1, gdiToken_, 0);
}

void cImage32::copyIntoWithPipeline(cImage32& target, int32_t newWidth, int32_t newHeight) {
    int32_t x = 0, y = 0;
    float noLight = 0;
    PixelBlock mirrored, unused;
    const bool sameSize = target.width_ == width_ && target.height_ == height_;
    if (newWidth < 0 || newHeight < 0) {
        // The mirror copies pixel for pixel; at another size it goes through a block of the
        // image's own size that the resampler then scales to the target.
        if (!MirrorDIBRegion(x, y, width_, height_, newWidth, newHeight, mirrored, sameSize ? &target : nullptr,
                             noLight))
            runtime::raise(runtime::kErrOutOfMemory);
        if (sameSize) return;
    }
    int32_t producedWidth = target.width_, producedHeight = target.height_;
    if (!ResampleDIBRegion(unused, mirrored, &target, 0, 0, width_, height_, 0, 0, producedWidth, producedHeight,
                           noLight))
        runtime::raise(runtime::kErrOutOfMemory);
}

void cImage32::CopyImageTo(std::unique_ptr<cImage32>& cDIBclass, int32_t newWidth, int32_t newHeight,
                           bool CopyOriginalFormat) {
    if (!dib_ || cDIBclass.get() == this) return;
    if (newWidth == 0) newWidth = width_;
    if (newHeight == 0) newHeight = height_;
    const int64_t w = magnitude(newWidth), h = magnitude(newHeight);

    std::unique_ptr<cImage32> made;
    if (!cDIBclass) {
        made = std::make_unique<cImage32>();
        made->isGDIplusEnabled(isGDIplusEnabled());
        made->HighQualityInterpolation(highQualityInterpolation_);
    }
    cImage32& target = made ? *made : *cDIBclass;
    target.gdiToken(gdiToken_);
    const bool keptPixels = target.dib_ && target.width_ == w && target.height_ == h;
    if (!keptPixels) initializeOrRaise(target, w, h);
    if (made) cDIBclass = std::move(made);
    target.alpha_ = alpha_;
    target.imageType_ = imageType_;

    if (newWidth == width_ && newHeight == height_) {
        std::memcpy(target.bits_, bits_, size_t(width_) * size_t(height_) * 4);
    } else {
        // GDI+ draws over what is there: a copy must not show the target's old pixels.
        if (keptPixels) std::memset(target.bits_, 0, size_t(w) * size_t(h) * 4);
        if (!isGDIplusEnabled() || !drawIntoWithGDIplus(target, newWidth, newHeight))
            copyIntoWithPipeline(target, newWidth, newHeight);
    }
    if (CopyOriginalFormat) target.SetDIBOriginalFormat(originalFormat_);
}

bool cImage32::Resize(int32_t newWidth, int32_t newHeight) {
    if (!dib_) return false;
    if (newWidth == 0) newWidth = width_;
    if (newHeight == 0) newHeight = height_;
    if (newWidth == width_ && newHeight == height_) return true;

    std::unique_ptr<cImage32> made = newImageLikeThis(magnitude(newWidth), magnitude(newHeight));
    const bool mirrored = newWidth < 0 || newHeight < 0;
    if (isGDIplusEnabled() && highQualityInterpolation_ && drawIntoWithGDIplus(*made, newWidth, newHeight)) {
        // drawn smoothly by GDI+
    } else if (mirrored || !isAlphaBlendFriendly() || highQualityInterpolation_) {
        copyIntoWithPipeline(*made, newWidth, newHeight);
    } else {
        // Nearest neighbour through Render, with AlphaBlend (which would blend, not copy)
        // kept out of it.
        isAlphaBlendFriendly(false);
        bool drawn = false;
        try {
            drawn = Render(0, 0, 0, made->width_, made->height_, 0, 0, 0, 0, 100, true, false, made.get());
        } catch (...) {
            isAlphaBlendFriendly(true);
            throw;
        }
        isAlphaBlendFriendly(true);
        if (!drawn) copyIntoWithPipeline(*made, newWidth, newHeight);
    }
    SwapDIBs(made.get());
    return true;
}

bool cImage32::TrimImage(bool UpdateDIB, int32_t Method, int32_t& x, int32_t& y, int32_t& Width,
                         int32_t& Height) {
    if (!dib_ || Method < 0) return false;
    if (Method == 0) Method = 15;
    const ByteView2D pixels = modParsers::OverlayDIBBits(*this);
    const int64_t lastColumn = width_ - 1;
    auto visible = [&](int64_t column, int64_t row) {
        return pixels(size_t(column) * 4 + 3, size_t(height_ - 1 - row)) != 0;
    };
    auto rowHasVisible = [&](int64_t row) {
        for (int64_t c = 0; c <= lastColumn; ++c)
            if (visible(c, row)) return true;
        return false;
    };

    int64_t top = 0, bottom = height_ - 1, left = 0, right = lastColumn;
    bool found = true;
    if (Method & 2) {
        while (top < height_ && !rowHasVisible(top)) ++top;
        found = top < height_;
    }
    if (found && (Method & 8)) {
        while (bottom >= top && !rowHasVisible(bottom)) --bottom;
        found = bottom >= top;
    }
    if (found && (Method & 1)) {
        // Only columns left of the last one are searched; none visible leaves the last.
        left = lastColumn;
        for (int64_t row = top; row <= bottom && left > 0; ++row)
            for (int64_t c = 0; c < left; ++c)
                if (visible(c, row)) {
                    left = c;
                    break;
                }
    }
    if (found && (Method & 4)) {
        right = -1;
        for (int64_t row = top; row <= bottom && right < lastColumn; ++row)
            for (int64_t c = lastColumn; c >= left && c > right; --c)
                if (visible(c, row)) {
                    right = c;
                    break;
                }
        found = right >= left;
    }
    if (!found) {
        x = y = Width = Height = 0;
        return false;
    }

    x = int32_t(left);
    y = int32_t(top);
    Width = int32_t(right - left + 1);
    Height = int32_t(bottom - top + 1);
    if (UpdateDIB && (Width < width_ || Height < height_)) {
        std::unique_ptr<cImage32> made = newImageLikeThis(Width, Height);
        const ByteView2D box = modParsers::OverlayDIBBits(*made);
        for (int64_t k = 0; k < Height; ++k)
            std::memcpy(box.row(size_t(Height - 1 - k)).data(), &pixels(size_t(left) * 4, size_t(height_ - 1 - top - k)),
                        size_t(Width) * 4);
        SwapDIBs(made.get());
        x = y = 0;
    }
    return true;
}
