#include "platform/picconvert/picconvert.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/gdi/dib_surface.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"

// Last: jpeglib.h defines TRUE and FALSE, which gdi.h declares as constants.
#include <csetjmp>
#include <jpeglib.h>

namespace picconvert {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Encodes top-down BGR rows; raises on an encoder error.
std::vector<uint8_t> encode(const gdi::DibSurface& pixels, int quality) {
    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        throw runtime::Error(runtime::kErrPathFileAccess, std::string("JPEG encoder: ") + errors.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(pixels.width());
    cinfo.image_height = static_cast<JDIMENSION>(pixels.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = pixels.row(static_cast<int>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

}  // namespace

void SaveBmpToJpeg(const std::string& bitmapPath, const std::string& jpegPath, int quality) {
    const picture::Picture bitmap = picture::LoadPicture(bitmapPath);
    const gdi::SIZE size = bitmap.pixelSize();
    gdi::DibSurface pixels(size.cx, size.cy, 24);
    if (!pixels.valid()) runtime::raise(runtime::kErrOutOfMemory);
    if (!bitmap.Render(pixels.dc(), 0, 0, size.cx, size.cy, 0, bitmap.Height(), bitmap.Width(), -bitmap.Height()))
        runtime::raise(runtime::kErrInvalidPicture);
    sys::writeFile(jpegPath, encode(pixels, quality));
}

}  // namespace picconvert
