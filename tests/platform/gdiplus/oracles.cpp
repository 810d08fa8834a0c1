#include "oracles.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include "support/temp_folder.h"

namespace gdiplustest {

namespace {

// libtiff reads and writes named files here; the tests' bytes go through a temporary one.
struct TempFile {
    testsupport::TempFolder folder;
    std::string path = folder.file("oracle.bin");
};

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writePage(TIFF* tif, const Rgba& image, bool associated) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_DEFLATE);
    const uint16_t extra[1] = {uint16_t(associated ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA)};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    for (int y = 0; y < image.height; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(image.at(0, y)), uint32_t(y), 0);
    TIFFWriteDirectory(tif);
}

}  // namespace

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> tiffWithLibtiff(const Rgba& image, bool associatedAlpha, const Rgba* secondPage) {
    TempFile f;
    TIFF* tif = TIFFOpen(f.path.c_str(), "w");
    if (!tif) return {};
    writePage(tif, image, associatedAlpha);
    if (secondPage) writePage(tif, *secondPage, associatedAlpha);
    TIFFClose(tif);
    return readFileBytes(f.path);
}

std::optional<Rgba> libtiffDecode(const std::vector<uint8_t>& bytes) {
    TempFile f;
    writeBytes(f.path, bytes);
    TIFF* tif = TIFFOpen(f.path.c_str(), "r");
    if (!tif) return std::nullopt;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    std::vector<uint32_t> raster(size_t(w) * h);
    const bool ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tif);
    if (!ok) return std::nullopt;
    Rgba out{int(w), int(h), {}};
    for (uint32_t v : raster) {
        out.pixels.push_back(uint8_t(TIFFGetR(v)));
        out.pixels.push_back(uint8_t(TIFFGetG(v)));
        out.pixels.push_back(uint8_t(TIFFGetB(v)));
        out.pixels.push_back(uint8_t(TIFFGetA(v)));
    }
    return out;
}

std::optional<Rgba> libpngDecode(const std::vector<uint8_t>& bytes) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
    png.format = PNG_FORMAT_RGBA;
    Rgba out{int(png.width), int(png.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(png))};
    if (!png_image_finish_read(&png, nullptr, out.pixels.data(), 0, nullptr)) return std::nullopt;
    return out;
}

std::vector<uint8_t> pngWithLibpng(const Rgba& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&png, out.data(), &size, 0, image.pixels.data(), 0, nullptr);
    out.resize(size);
    return out;
}

std::optional<Rgba> giflibDecode(const std::vector<uint8_t>& bytes) {
    struct Reader {
        const std::vector<uint8_t>* bytes;
        size_t at = 0;
    } reader{&bytes};
    auto read = [](GifFileType* gif, GifByteType* out, int n) -> int {
        auto* r = static_cast<Reader*>(gif->UserData);
        const size_t k = std::min(size_t(n), r->bytes->size() - r->at);
        std::memcpy(out, r->bytes->data() + r->at, k);
        r->at += k;
        return int(k);
    };
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read, &error);
    if (!gif) return std::nullopt;
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        DGifCloseFile(gif, &error);
        return std::nullopt;
    }
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &gcb);
    Rgba out{frame.ImageDesc.Width, frame.ImageDesc.Height, {}};
    for (int i = 0; i < out.width * out.height; ++i) {
        const int index = frame.RasterBits[i];
        const GifColorType c = map->Colors[index];
        const bool clear = index == gcb.TransparentColor;
        out.pixels.insert(out.pixels.end(), {c.Red, c.Green, c.Blue, uint8_t(clear ? 0 : 255)});
    }
    DGifCloseFile(gif, &error);
    return out;
}

namespace {
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};
void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

bool jpegRows(const std::vector<uint8_t>& bytes, int& w, int& h, uint8_t* out, bool measure) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    w = int(info.output_width), h = int(info.output_height);
    if (!measure) {
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = out + size_t(info.output_scanline) * size_t(w) * 4;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return true;
}
}  // namespace

std::optional<Rgba> libjpegDecode(const std::vector<uint8_t>& bytes) {
    int w = 0, h = 0;
    if (!jpegRows(bytes, w, h, nullptr, true)) return std::nullopt;
    Rgba out{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 4)};
    if (!jpegRows(bytes, w, h, out.pixels.data(), false)) return std::nullopt;
    return out;
}

std::optional<Rgba> magickDecode(const std::vector<uint8_t>& bytes, const std::string& format) {
    TempFile f;
    writeBytes(f.path, bytes);
    const std::string size = f.folder.file("size.txt"), raw = f.folder.file("pixels.rgba");
    const std::string command = "/usr/bin/convert " + format + ":" + f.path + " -format '%w %h' -write info:" +
                                size + " -depth 8 rgba:" + raw + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return std::nullopt;
    Rgba out;
    std::ifstream dims(size);
    dims >> out.width >> out.height;
    out.pixels = readFileBytes(raw);
    if (out.pixels.size() != size_t(out.width) * size_t(out.height) * 4) return std::nullopt;
    return out;
}

}  // namespace gdiplustest
