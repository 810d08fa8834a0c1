// cImage32: saving as PNG, JPEG, GIF and TGA, to a file or an array, each through its
// writer (GDI+ or the own codec, with the fallbacks between them), and the PNG properties
// that the own PNG writer holds between saves.

#include <memory>

#include "codecs/cGIFparser.h"
#include "codecs/cJPGWriter.h"
#include "codecs/cPNGwriter.h"
#include "codecs/cTGAparser.h"
#include "image/cGDIPlus.h"
#include "image/cImage32.h"
#include "platform/runtime/error.h"

namespace {

// The own JPEG writer takes its quality as a byte.
uint8_t qualityByte(int32_t Quality) {
    if (Quality < 0 || Quality > 255) runtime::raise(runtime::kErrOverflow);
    return uint8_t(Quality);
}

}  // namespace

bool cImage32::SaveToFile_PNG(const std::string& FileName, bool PromptOverwrite) {
    if (!ConfirmOverwrite(FileName, PromptOverwrite)) return false;
    std::vector<uint8_t> unused;
    return SaveWithPNGWriters(FileName, unused);
}

bool cImage32::SaveToStream_PNG(std::vector<uint8_t>& outStream) {
    if (!dib_) return false;
    return SaveWithPNGWriters("", outStream);
}

bool cImage32::SaveWithPNGWriters(const std::string& FileName, std::vector<uint8_t>& outStream) {
    const auto throughGDIplus = [&] {
        if (!isGDIplusEnabled()) return false;
        std::unique_ptr<cGDIPlus> scratch;
        return useBridge(scratch).SaveToPNG(FileName, outStream, *this, gdiToken_);
    };
    // The holder writes the properties; GDI+ would drop them, so it comes second.
    if (pngPropertyHolder_)
        return pngPropertyHolder_->SaveAsPNG(this, FileName, outStream) || throughGDIplus();
    return throughGDIplus() || codecs::cPNGwriter().SaveAsPNG(this, FileName, outStream);
}

bool cImage32::SaveToFile_JPG(const std::string& FileName, int32_t Quality, int32_t TransparentFillColor,
                              bool PromptOverwrite) {
    if (!ConfirmOverwrite(FileName, PromptOverwrite)) return false;
    std::vector<uint8_t> unused;
    if (isGDIplusEnabled()) {
        std::unique_ptr<cGDIPlus> scratch;
        if (useBridge(scratch).SaveToJPG(FileName, unused, *this, Quality, TransparentFillColor, gdiToken_))
            return true;
    }
    return codecs::cJPGWriter().SaveAsJPG(FileName, unused, this, qualityByte(Quality), TransparentFillColor);
}

bool cImage32::SaveToStream_JPG(std::vector<uint8_t>& outStream, int32_t Quality) {
    if (!dib_ || !isGDIplusEnabled()) return false;
    std::unique_ptr<cGDIPlus> scratch;
    return useBridge(scratch).SaveToJPG("", outStream, *this, Quality, 0, gdiToken_);
}

bool cImage32::SaveToFile_GIF(const std::string& FileName, bool UseAdaptivePalette, uint8_t OpaquenessTolerance,
                              bool PromptOverwrite) {
    if (!ConfirmOverwrite(FileName, PromptOverwrite)) return false;
    std::vector<uint8_t> unused;
    return codecs::cGIFparser().SaveAsGIF(this, FileName, unused, UseAdaptivePalette, OpaquenessTolerance);
}

bool cImage32::SaveToStream_GIF(std::vector<uint8_t>& outStream, bool UseAdaptivePalette,
                                uint8_t OpaquenessTolerance, bool /*PromptOverwrite*/) const {
    if (!dib_) return false;
    return codecs::cGIFparser().SaveAsGIF(this, "", outStream, UseAdaptivePalette, OpaquenessTolerance);
}

bool cImage32::SaveToFile_TGA(const std::string& FileName, bool Compress, bool ReduceBitDepth,
                              bool AllowPreMultipliedPixels, bool PromptOverwrite) {
    if (!ConfirmOverwrite(FileName, PromptOverwrite)) return false;
    std::vector<uint8_t> unused;
    return codecs::cTGAparser().SaveAsTGA(FileName, unused, this, AllowPreMultipliedPixels, Compress,
                                          ReduceBitDepth);
}

bool cImage32::SaveToStream_TGA(std::vector<uint8_t>& outStream, bool Compress, bool ReduceBitDepth,
                                bool AllowPreMultipliedPixels, bool /*PromptOverwrite*/) const {
    if (!dib_) return false;
    return codecs::cTGAparser().SaveAsTGA("", outStream, this, AllowPreMultipliedPixels, Compress,
                                          ReduceBitDepth);
}

bool cImage32::PngPropertySet(int32_t PropertyID, const std::optional<runtime::Variant>& PropertyValue,
                              const std::string& Caption_Misc) {
    if (PropertyID == -1) {
        pngPropertyHolder_.reset();
        return true;
    }
    if (!PropertyValue)
        return pngPropertyHolder_ && pngPropertyHolder_->DeletePngProperty(PropertyID, Caption_Misc);
    if (!pngPropertyHolder_) pngPropertyHolder_ = std::make_unique<codecs::cPNGwriter>();
    return pngPropertyHolder_->SetPngProperty(PropertyID, *PropertyValue, Caption_Misc);
}

runtime::Variant cImage32::PngPropertyGet(int32_t PropertyID, const std::string& Caption_Misc) const {
    if (pngPropertyHolder_) return pngPropertyHolder_->GetPngProperty(PropertyID, Caption_Misc);
    if (PropertyID == 4096) return runtime::Variant(-1);
    if (PropertyID == 2048) return runtime::Variant(runtime::DateTime{});
    return runtime::Variant("");
}
