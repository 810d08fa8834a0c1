#include "tools/picture_decoder.h"

#include <memory>

#include "platform/runtime/error.h"
#include "shell/module1.h"

frmDecoder::frmDecoder() {
    if (cImage.isGDIplusEnabled()) {
        DibGdipToken = cImage.CreateGDIplusToken();
        cImage.gdiToken(DibGdipToken);
    }
    ShowImage(true, false);
}

frmDecoder::~frmDecoder() {
    if (DibGdipToken == 0) return;
    cImage.gdiToken(0);
    cImage.DestroyGDIplusToken(DibGdipToken);
}

void frmDecoder::ShowImage(bool, bool) {
    const std::string fileName = Module1::DibImageFile.value_or(QString()).toStdString();
    try {
        // The image goes first: the loader keeps the current image for a file it cannot
        // open or that is too small, and the caller would write the previous record's
        // picture as this one's.
        cImage.DestroyDIB();
        cImage.LoadPicture_File(fileName, 256, 256, false, 32);
    } catch (const runtime::Error&) {
    } catch (const std::exception&) {
    }
}

namespace tools {

namespace {
std::unique_ptr<frmDecoder> g_decoder;
}

frmDecoder& Decoder() {
    if (!g_decoder) g_decoder = std::make_unique<frmDecoder>();
    return *g_decoder;
}

bool WriteDecodedBitmap(const std::string& path) {
    cImage32& image = Decoder().cImage;
    const bool written = image.SaveToFile_Bitmap(path, false, 0, true);
    image.DestroyDIB();
    return written;
}

void UnloadDecoder() { g_decoder.reset(); }

}  // namespace tools
