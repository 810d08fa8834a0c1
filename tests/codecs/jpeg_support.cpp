#include "jpeg_support.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace jpegtest {

const std::array<uint8_t, 64> kNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,   //
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,  //
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,  //
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

namespace {

struct ErrorJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
void jumpOut(j_common_ptr c) { std::longjmp(reinterpret_cast<ErrorJump*>(c->err)->jump, 1); }

void fillQuantTable(jpeg_compress_struct& c, int slot, const std::array<uint16_t, 64>& zigzag) {
    if (!c.quant_tbl_ptrs[slot]) c.quant_tbl_ptrs[slot] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&c));
    for (size_t k = 0; k < 64; ++k) c.quant_tbl_ptrs[slot]->quantval[kNatural[k]] = zigzag[k];
    c.quant_tbl_ptrs[slot]->sent_table = FALSE;
}

// Returns false when libjpeg reported an error (jumped here).
bool write(jpeg_compress_struct& c, ErrorJump& error, int width, int height,
           const std::array<uint16_t, 64>& luminance, const std::array<uint16_t, 64>& chrominance,
           const std::array<std::span<const int16_t>, 3>& planes) {
    if (setjmp(error.jump)) return false;
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_YCbCr);
    c.optimize_coding = TRUE;
    fillQuantTable(c, 0, luminance);
    fillQuantTable(c, 1, chrominance);
    const JDIMENSION blocksWide = JDIMENSION((width + 7) / 8), blocksHigh = JDIMENSION((height + 7) / 8);
    jvirt_barray_ptr arrays[3];
    for (int i = 0; i < 3; ++i) {
        jpeg_component_info& comp = c.comp_info[i];
        comp.h_samp_factor = comp.v_samp_factor = 1;
        comp.quant_tbl_no = comp.dc_tbl_no = comp.ac_tbl_no = i == 0 ? 0 : 1;
        arrays[i] = c.mem->request_virt_barray(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE, TRUE,
                                               blocksWide, blocksHigh, 1);
    }
    jpeg_write_coefficients(&c, arrays);
    for (int i = 0; i < 3; ++i)
        for (JDIMENSION row = 0; row < blocksHigh; ++row) {
            JBLOCKARRAY blocks = c.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&c), arrays[i],
                                                           row, 1, TRUE);
            for (JDIMENSION col = 0; col < blocksWide; ++col) {
                const int16_t* from = planes[size_t(i)].data() + (size_t(row) * blocksWide + col) * 64;
                for (size_t k = 0; k < 64; ++k) blocks[0][col][kNatural[k]] = from[k];
            }
        }
    jpeg_finish_compress(&c);
    return true;
}

bool read(jpeg_decompress_struct& d, ErrorJump& error, const Bytes& jpeg, Coefficients& out) {
    if (setjmp(error.jump)) return false;
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d);
    out.width = int(d.image_width);
    out.height = int(d.image_height);
    for (int i = 0; i < d.num_components; ++i) {
        const jpeg_component_info& comp = d.comp_info[i];
        out.ids.push_back(comp.component_id);
        out.samplingFactors.push_back(comp.h_samp_factor * 16 + comp.v_samp_factor);
        out.quantSlots.push_back(comp.quant_tbl_no);
        std::array<uint16_t, 64> table{};
        for (size_t k = 0; k < 64; ++k) table[k] = comp.quant_table->quantval[kNatural[k]];
        out.quantTables.push_back(table);
        Plane plane;
        for (JDIMENSION row = 0; row < comp.height_in_blocks; ++row) {
            JBLOCKARRAY blocks = d.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&d), arrays[i],
                                                           row, 1, FALSE);
            for (JDIMENSION col = 0; col < comp.width_in_blocks; ++col)
                for (size_t k = 0; k < 64; ++k) plane.push_back(blocks[0][col][kNatural[k]]);
        }
        out.planes.push_back(std::move(plane));
    }
    jpeg_finish_decompress(&d);
    return true;
}

}  // namespace

Bytes libjpegWriteCoefficients(int width, int height, const std::array<uint16_t, 64>& luminance,
                               const std::array<uint16_t, 64>& chrominance,
                               const std::array<std::span<const int16_t>, 3>& planes) {
    jpeg_compress_struct c{};
    ErrorJump error{};
    c.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = jumpOut;
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    Bytes out;
    if (write(c, error, width, height, luminance, chrominance, planes)) out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

std::optional<Coefficients> libjpegReadCoefficients(const Bytes& jpeg) {
    jpeg_decompress_struct d{};
    ErrorJump error{};
    d.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = jumpOut;
    jpeg_create_decompress(&d);
    Coefficients out;
    const bool ok = read(d, error, jpeg, out);
    jpeg_destroy_decompress(&d);
    if (!ok) return std::nullopt;
    return out;
}

namespace {

constexpr size_t kNone = size_t(-1);

size_t segmentLength(const Bytes& jpeg, size_t at) { return size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]; }

// Where the occurrence-th segment with this marker starts (its FF), or npos.
size_t findSegment(const Bytes& jpeg, uint8_t marker, int occurrence) {
    size_t at = 2;  // past SOI
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const size_t length = segmentLength(jpeg, at);
        if (at + 2 + length > jpeg.size()) break;
        if (jpeg[at + 1] == marker && occurrence-- == 0) return at;
        if (jpeg[at + 1] == 0xDA) break;  // the scan data follows
        at += 2 + length;
    }
    return kNone;
}

}  // namespace

std::optional<Bytes> segment(const Bytes& jpeg, uint8_t marker, int occurrence) {
    const size_t at = findSegment(jpeg, marker, occurrence);
    if (at == kNone) return std::nullopt;
    return Bytes(jpeg.begin() + long(at), jpeg.begin() + long(at + 2 + segmentLength(jpeg, at)));
}

Bytes scanData(const Bytes& jpeg) {
    const size_t sos = findSegment(jpeg, 0xDA, 0);
    if (sos == kNone) return {};
    const size_t start = sos + 2 + segmentLength(jpeg, sos);
    size_t end = start;
    while (end + 1 < jpeg.size() && !(jpeg[end] == 0xFF && jpeg[end + 1] == 0xD9)) end += jpeg[end] == 0xFF ? 2 : 1;
    return Bytes(jpeg.begin() + long(start), jpeg.begin() + long(end));
}

}  // namespace jpegtest
