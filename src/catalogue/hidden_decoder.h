#pragma once
// The hidden decoder as the catalogue uses it: the image tool window, kept loaded and
// never shown, loads the file named by DibImageFile into its 32-bpp image and saves that
// image as a plain bitmap. Until the tool windows provide it, the decoder reads nothing:
// its saved bitmap is an empty file, which no picture loader accepts.

#include <QString>

namespace catalogue {

class HiddenDecoder {
public:
    virtual ~HiddenDecoder() = default;
    // Loads Module1::DibImageFile; reports nothing.
    virtual void ShowImage(bool bRefresh, bool DragDropCutPast) = 0;
    // Writes the decoded image as a bitmap file (24-bit, transparency flattened onto
    // TransparentFillColor unless kept); an empty file when there is no image.
    virtual bool SaveToFile_Bitmap(const QString& FileName, bool KeepPreMultipliedPixels,
                                   unsigned TransparentFillColor, bool PromptOverwrite) = 0;
};

HiddenDecoder& frmDecoder();
// Installs the decoder (not owned); nullptr restores the one that reads nothing.
void setHiddenDecoder(HiddenDecoder* decoder);

}  // namespace catalogue
