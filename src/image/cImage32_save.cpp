// cImage32: saving as a bitmap, and the overwrite confirmation of the other formats' saves.
//
// Built into the codecs library (src/codecs/CMakeLists.txt): the saves hand the image to
// the BMP writer, and the image library itself does not link the codecs that use it.

#include <filesystem>

#include "codecs/cBMPparser.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/messages.h"
#include "platform/sys/files.h"

bool cImage32::SaveToFile_Bitmap(const std::string& FileName, bool KeepPreMultipliedPixels,
                                 int32_t TransparentFillColor, bool PromptOverwrite) const {
    // No confirmation: the catalogue rewrites its temporary bitmap on every showing and
    // relies on never being asked. An empty name would make the writer fill an array.
    if (FileName.empty()) return false;
    std::vector<uint8_t> unused;
    return codecs::cBMPparser().SaveAsBMP(*this, FileName, unused, KeepPreMultipliedPixels,
                                          TransparentFillColor);
}

bool cImage32::SaveToStream_Bitmap(std::vector<uint8_t>& outStream, bool KeepPreMultipliedPixels,
                                   int32_t TransparentFillColor) const {
    if (!dib_) return false;
    return codecs::cBMPparser().SaveAsBMP(*this, "", outStream, KeepPreMultipliedPixels,
                                          TransparentFillColor);
}

bool cImage32::ConfirmOverwrite(const std::string& FileName, bool PromptOverwrite) const {
    try {
        if (FileName.empty() || !dib_) return false;
        if (!modParsers::ImageFileExists(FileName)) return true;
        // The old file stays until the writer's complete file replaces it: deleting it
        // first would lose it to a save that fails.
        std::error_code error;
        if (std::filesystem::is_directory(FileName, error)) return false;
        if (PromptOverwrite) {
            const int style = runtime::vbYesNo + runtime::vbQuestion + runtime::vbDefaultButton2;
            if (runtime::messages().MsgBox("Overwrite existing file?", style, "Overwrite Confirmation") !=
                runtime::vbYes)
                return false;
        }
        // A file the user may replace loses its read-only attribute, which no writer
        // would get past.
        sys::clearReadOnly(FileName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
