#pragma once
// The hidden picture decoder: one program-wide 32-bpp image into which the catalogue
// decodes the formats the platform's picture loader refuses (PNG, TGA, TIFF and the
// others GDI+ reads), to write it out as a plain bitmap that the loader takes. It has no
// window: nothing of it is ever shown.

#include <cstdint>
#include <string>

#include "image/cImage32.h"

class frmDecoder {
public:
    // Loading: the image, then one GDI+ session for the whole run handed to the image,
    // then a first decode of DibImageFile.
    frmDecoder();
    // The teardown: the image stops using the session, which then ends.
    ~frmDecoder();
    frmDecoder(const frmDecoder&) = delete;
    frmDecoder& operator=(const frmDecoder&) = delete;

    // Decodes the file named by Module1::DibImageFile into cImage; reports nothing and
    // raises nothing. A file it cannot read (missing, unreadable, 56 bytes or less, or of
    // no format the readers know) leaves no image, so a caller never shows the picture of
    // an earlier file. Neither flag changes what is decoded.
    void ShowImage(bool bRefresh = true, bool DragDropCutPast = false);

    cImage32 cImage;
    int32_t DibGdipToken = 0;  // the run's GDI+ session; 0 without GDI+
};

namespace tools {

// The program-wide decoder, loaded on first use (which decodes DibImageFile once).
frmDecoder& Decoder();
// Writes the decoder's picture as the 24-bit bitmap `path` (transparent pixels over
// black), replacing any file of that name, and lets the picture go: the caller shows the
// bitmap, and the decoded picture kept beside it would double what showing costs. False
// when there is no picture.
bool WriteDecodedBitmap(const std::string& path);
// Unloads it, running its teardown; the next use loads it anew. For the tests: the
// program itself keeps it until it ends.
void UnloadDecoder();

}  // namespace tools
