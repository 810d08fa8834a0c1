// JPEG through libjpeg-turbo: baseline, progressive, greyscale, CMYK and YCCK, decoded
// straight into the rows of a 24-bpp bottom-up DIB section (libjpeg-turbo writes BGR, the
// DIB's own order, so no pass over the pixels follows).
//
// libjpeg reports fatal errors through error_exit, which must not return: ours longjmps
// back to the one function that called setjmp, whose frame holds nothing that needs a
// destructor; the objects that own memory live in the caller. Warnings (corrupt data that
// the library works around) are silenced; a stream that ends early decodes as the library
// pads it. The size is checked against the limits after the header and before any pixel
// memory is allocated; the library's own memory is capped, and a progressive stream of
// more than 1000 scans (each a pass over the whole picture) is refused.
//
// CMYK: Adobe's encoders store inverted inks (and mark the file with an Adobe segment);
// a channel is then c * k / 255, otherwise (255 - c) * (255 - k) / 255, rounded.

#include <csetjmp>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/picture/dib_builder.h"
#include "platform/picture/invalid_picture.h"
#include "platform/picture/picture_object.h"
#include "platform/picture/readers.h"

// Last: jpeglib.h defines TRUE and FALSE as macros, which gdi.h declares as constants.
#include <jpeglib.h>

static_assert(picture::kLargestJpegSide == JPEG_MAX_DIMENSION, "the decoder's limit");

namespace picture::detail {

namespace {

constexpr char kFormat[] = "JPEG";
constexpr int kMaxScans = 1000;
constexpr long kMaxLibraryMemory = 0x7FFFFFFF;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

void silence(j_common_ptr, int) {}

void limitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(e->message, sizeof(e->message), "more than %d scans", kMaxScans);
        std::longjmp(e->jump, 1);
    }
}

// Owns the decompressor; destroyed on every way out, after a longjmp too.
struct Session {
    jpeg_decompress_struct cinfo{};
    ErrorManager error{};
    jpeg_progress_mgr progress{};
    explicit Session(std::span<const uint8_t> data) {
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = errorExit;
        error.pub.emit_message = silence;
        error.message[0] = 0;
    }
    ~Session() { jpeg_destroy_decompress(&cinfo); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

uint8_t ink(int c, int k, bool inverted) {
    const int v = inverted ? c * k : (255 - c) * (255 - k);
    return uint8_t((v + 127) / 255);
}

// The part of the decode that libjpeg may longjmp out of. Only plain values live in this
// frame; the DIB and the row buffer are the caller's.
bool decode(Session& s, std::span<const uint8_t> data, std::optional<DibBuilder>& dib,
            std::vector<uint8_t>& cmykRow, std::string& why) {
    j_decompress_ptr cinfo = &s.cinfo;
    if (setjmp(s.error.jump)) {
        why = s.error.message;
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    s.progress.progress_monitor = limitScans;
    cinfo->progress = &s.progress;
    jpeg_mem_src(cinfo, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        why = "no image in the stream";
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    // Throws InvalidPicture for a size beyond the limits; no pixel memory exists yet.
    dib.emplace(kFormat, int64_t{cinfo->image_width}, int64_t{cinfo->image_height}, 24);
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != cinfo->image_width || cinfo->output_height != cinfo->image_height ||
        cinfo->output_components != (cmyk ? 4 : 3)) {
        why = "unexpected output format";
        return false;
    }
    const bool inverted = cinfo->saw_Adobe_marker;
    if (cmyk) cmykRow.resize(size_t(cinfo->output_width) * 4);
    const int width = int(cinfo->output_width);
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        uint8_t* row = dib->rowFromTop(y);
        JSAMPROW target = cmyk ? cmykRow.data() : row;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) break;
        if (!cmyk) continue;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &cmykRow[size_t(x) * 4];
            row[x * 3 + 0] = ink(p[2], p[3], inverted);  // yellow -> blue
            row[x * 3 + 1] = ink(p[1], p[3], inverted);  // magenta -> green
            row[x * 3 + 2] = ink(p[0], p[3], inverted);  // cyan -> red
        }
    }
    jpeg_abort_decompress(cinfo);
    return true;
}

}  // namespace

Picture readJpeg(std::span<const uint8_t> data) {
    Session session(data);
    std::optional<DibBuilder> dib;
    std::vector<uint8_t> cmykRow;
    std::string why;
    if (!decode(session, data, dib, cmykRow, why)) refuse(std::string(kFormat) + ": " + why);
    return makePicture(kPicTypeBitmap, dib->release(), true);
}

}  // namespace picture::detail
