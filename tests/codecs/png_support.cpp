#include "png_support.h"

#include <csetjmp>
#include <cstring>
#include <sstream>

#include <png.h>
#include <zlib.h>

#include "codecs/libpng_memory_io.h"
#include "platform/sys/libraries.h"

namespace pngtest {

// ---- crafting ------------------------------------------------------------------------

void putBigEndian32(Bytes& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
}

Bytes bigEndian16(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }

Bytes chunk(const std::string& type, const Bytes& data, std::optional<uint32_t> crc) {
    Bytes b;
    putBigEndian32(b, uint32_t(data.size()));
    b.insert(b.end(), type.begin(), type.end());
    b.insert(b.end(), data.begin(), data.end());
    if (!crc) {
        uLong c = crc32(0, reinterpret_cast<const Bytef*>(type.data()), uInt(type.size()));
        crc = uint32_t(crc32(c, data.data(), uInt(data.size())));
    }
    putBigEndian32(b, *crc);
    return b;
}

Bytes ihdrData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace) {
    Bytes d;
    putBigEndian32(d, width);
    putBigEndian32(d, height);
    d.push_back(depth);
    d.push_back(colourType);
    d.push_back(0);  // compression method
    d.push_back(0);  // filter method
    d.push_back(interlace);
    return d;
}

Bytes zlibStream(const Bytes& raw, int level) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), level), Z_OK);
    out.resize(size);
    return out;
}

Bytes Crafted::bytes() const {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    for (const Bytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
    return b;
}

Crafted simplePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, const Bytes& raw,
                  const std::vector<Bytes>& extra) {
    Crafted c;
    c.chunks.push_back(chunk("IHDR", ihdrData(width, height, depth, colourType)));
    c.chunks.insert(c.chunks.end(), extra.begin(), extra.end());
    c.chunks.push_back(chunk("IDAT", zlibStream(raw)));
    c.chunks.push_back(chunk("IEND", {}));
    return c;
}

// ---- libpng --------------------------------------------------------------------------

namespace {

[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}


// libpng's decode as 8- or 16-bit RGBA rows; false on any error.
bool decodeRgba(const Bytes& png, bool ignoreCrc, png_uint_32& width, png_uint_32& height, int& depth,
                std::vector<Bytes>& rows) {
    libpngmemory::Reader reader{&png};
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop info = png_create_info_struct(p);
    std::vector<png_bytep> pointers;
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        return false;
    }
    if (ignoreCrc) png_set_crc_action(p, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_read_fn(p, &reader, libpngmemory::read);
    png_read_info(p, info);
    png_set_expand(p);  // palette to RGB, grey to 8 bits, tRNS to alpha
    png_set_gray_to_rgb(p);
    png_set_add_alpha(p, 0xFFFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    width = png_get_image_width(p, info);
    height = png_get_image_height(p, info);
    depth = png_get_bit_depth(p, info);
    rows.assign(height, Bytes(png_get_rowbytes(p, info)));
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_read_image(p, pointers.data());
    png_read_end(p, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
    return true;
}

}  // namespace

Bytes libpngEncode(const Samples& s) {
    Bytes out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop info = png_create_info_struct(p);
    std::vector<png_color> palette;
    std::vector<png_bytep> pointers;
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        ADD_FAILURE() << "libpng could not write the test image";
        return {};
    }
    png_set_write_fn(p, &out, libpngmemory::write, libpngmemory::flush);
    png_set_IHDR(p, info, s.width, s.height, s.depth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    for (size_t i = 0; i + 2 < s.palette.size(); i += 3)
        palette.push_back({s.palette[i], s.palette[i + 1], s.palette[i + 2]});
    if (!palette.empty()) png_set_PLTE(p, info, palette.data(), int(palette.size()));
    if (!s.trns.empty()) {
        png_color_16 key{};
        if (s.colourType == PNG_COLOR_TYPE_GRAY) key.gray = png_uint_16(s.trns[0] << 8 | s.trns[1]);
        if (s.colourType == PNG_COLOR_TYPE_RGB) {
            key.red = png_uint_16(s.trns[0] << 8 | s.trns[1]);
            key.green = png_uint_16(s.trns[2] << 8 | s.trns[3]);
            key.blue = png_uint_16(s.trns[4] << 8 | s.trns[5]);
        }
        if (s.colourType == PNG_COLOR_TYPE_PALETTE)
            png_set_tRNS(p, info, s.trns.data(), int(s.trns.size()), nullptr);
        else
            png_set_tRNS(p, info, nullptr, 0, &key);
    }
    png_set_filter(p, 0, s.filters);
    png_write_info(p, info);
    for (const Bytes& r : s.rows) pointers.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(p, pointers.data());
    png_write_end(p, nullptr);
    png_destroy_write_struct(&p, &info);
    return out;
}

std::optional<Inspected> libpngInspect(const Bytes& png) {
    Inspected out;
    libpngmemory::Reader reader{&png};
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop info = png_create_info_struct(p);
    png_infop endInfo = png_create_info_struct(p);
    std::vector<Bytes> rows;
    std::vector<png_bytep> pointers;
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, &endInfo);
        return std::nullopt;
    }
    png_set_crc_action(p, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_read_fn(p, &reader, libpngmemory::read);
    png_read_info(p, info);
    out.width = png_get_image_width(p, info);
    out.height = png_get_image_height(p, info);
    out.depth = png_get_bit_depth(p, info);
    out.colourType = png_get_color_type(p, info);
    out.interlace = png_get_interlace_type(p, info);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(p, info, &palette, &entries))
        for (int i = 0; i < entries; ++i) out.palette.insert(out.palette.end(), {palette[i].red, palette[i].green, palette[i].blue});
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p key = nullptr;
    if (png_get_tRNS(p, info, &alphas, &alphaCount, &key)) {
        if (out.colourType == PNG_COLOR_TYPE_PALETTE) out.trns.assign(alphas, alphas + alphaCount);
        else if (out.colourType == PNG_COLOR_TYPE_GRAY) out.trns = bigEndian16(key->gray);
        else
            for (png_uint_16 v : {key->red, key->green, key->blue}) {
                const Bytes b = bigEndian16(v);
                out.trns.insert(out.trns.end(), b.begin(), b.end());
            }
    }
    png_color_16p background = nullptr;
    if (png_get_bKGD(p, info, &background)) {
        if (out.colourType == PNG_COLOR_TYPE_PALETTE) out.background = std::vector<uint16_t>{background->index};
        else if (out.colourType == PNG_COLOR_TYPE_GRAY) out.background = std::vector<uint16_t>{background->gray};
        else out.background = std::vector<uint16_t>{background->red, background->green, background->blue};
    }
    png_set_expand(p);
    png_set_gray_to_rgb(p);
    png_set_add_alpha(p, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(p, info);
    rows.assign(out.height, Bytes(png_get_rowbytes(p, info)));
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_read_image(p, pointers.data());
    png_read_end(p, endInfo);
    for (png_infop source : {info, endInfo}) {
        png_textp texts = nullptr;
        const int count = png_get_text(p, source, &texts, nullptr);
        for (int i = 0; i < count; ++i)
            out.texts.push_back({texts[i].key, std::string(texts[i].text, texts[i].text_length),
                                 texts[i].compression == PNG_TEXT_COMPRESSION_zTXt});
        png_timep time = nullptr;
        if (png_get_tIME(p, source, &time))
            out.time = std::vector<int>{time->year, time->month, time->day, time->hour, time->minute, time->second};
    }
    png_destroy_read_struct(&p, &info, &endInfo);
    out.straight.resize(out.height);
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < out.width; ++x) {
            const uint8_t* q = &rows[y][x * 4];
            out.straight[y].push_back(q[3] == 0 ? Px{0, 0, 0, 0} : Px{q[2], q[1], q[0], q[3]});
        }
    return out;
}

std::vector<std::pair<std::string, Bytes>> chunksOf(const Bytes& png) {
    std::vector<std::pair<std::string, Bytes>> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 | size_t(png[at + 2]) << 8 | png[at + 3];
        if (at + 12 + length > png.size()) break;
        chunks.emplace_back(std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                            Bytes(png.begin() + long(at) + 8, png.begin() + long(at + 8 + length)));
        at += 12 + length;
    }
    return chunks;
}

Bytes scanLines(const Bytes& png, size_t size) {
    const Bytes joined = libpngmemory::joinedIdat(png);
    // One byte of room more, so that a longer stream shows.
    Bytes raw(size + 1);
    uLongf got = uLongf(raw.size());
    if (uncompress(raw.data(), &got, joined.data(), uLong(joined.size())) != Z_OK || got != size) return {};
    raw.resize(size);
    return raw;
}

std::vector<int> filterTypes(const Bytes& png, size_t rowBytes, size_t height) {
    const Bytes raw = scanLines(png, height * (rowBytes + 1));
    if (raw.empty()) return {};
    std::vector<int> types;
    for (size_t i = 0; i < height; ++i) types.push_back(raw[i * (rowBytes + 1)]);
    return types;
}

std::optional<Rows> libpngDecode(const Bytes& png, bool ignoreCrc) {
    png_uint_32 width = 0, height = 0;
    int depth = 0;
    std::vector<Bytes> rgba;
    if (!decodeRgba(png, ignoreCrc, width, height, depth, rgba)) return std::nullopt;
    // Each sample's high byte (the first of a 16-bit sample), then premultiplied.
    const size_t sample = depth == 16 ? 2 : 1;
    Rows rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        for (png_uint_32 x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[y][x * 4 * sample];
            const unsigned r = p[0], g = p[sample], b = p[2 * sample], a = p[3 * sample];
            rows[y].push_back({uint8_t(b * a / 255), uint8_t(g * a / 255), uint8_t(r * a / 255), uint8_t(a)});
        }
    }
    return rows;
}

// ---- the host ------------------------------------------------------------------------

Rows rowsOf(const cImage32& image) {
    Rows rows(size_t(image.Height()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) rows[size_t(y)].push_back(imagetest::at(image, x, y));
    return rows;
}

Rows straightRowsOf(const cImage32& image) {
    Rows rows = rowsOf(image);
    for (auto& row : rows)
        for (Px& p : row) {
            if (p.a == 0) p = {0, 0, 0, 0};
            else if (p.a != 255)
                p = {uint8_t(p.b * 255 / p.a), uint8_t(p.g * 255 / p.a), uint8_t(p.r * 255 / p.a), p.a};
        }
    return rows;
}

size_t differences(const Rows& got, const Rows& want, std::string* first) {
    if (got.size() != want.size()) {
        if (first) *first = "heights differ";
        return std::max(got.size(), want.size());
    }
    size_t count = 0;
    for (size_t y = 0; y < got.size(); ++y) {
        if (got[y].size() != want[y].size()) {
            if (first && count == 0) *first = "widths differ";
            count += std::max(got[y].size(), want[y].size());
            continue;
        }
        for (size_t x = 0; x < got[y].size(); ++x) {
            if (got[y][x] == want[y][x]) continue;
            if (first && count == 0) {
                std::ostringstream os;
                os << "(" << x << ", " << y << "): got " << got[y][x] << ", want " << want[y][x];
                *first = os.str();
            }
            ++count;
        }
    }
    return count;
}

ZlibAbsence::ZlibAbsence(bool absent) {
    sys::setLibraryAbsent("zlib1.dll", absent);
    sys::setLibraryAbsent("zlib.dll", absent);
}

ZlibAbsence::~ZlibAbsence() {
    sys::setLibraryAbsent("zlib1.dll", false);
    sys::setLibraryAbsent("zlib.dll", false);
}

}  // namespace pngtest
