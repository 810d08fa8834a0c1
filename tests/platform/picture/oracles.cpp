#include "oracles.h"

#include "support/test_environment.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <csetjmp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gif_lib.h>
#include <jpeglib.h>

namespace picture::test {

using namespace gdi;

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string corpus(const std::string& relative) {
    return std::string(testsupport::corporaFolder()) + "/" + relative;
}

std::string fixture(const std::string& relative) {
    return std::string(testsupport::fixturesFolder()) + "/" + relative;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.is_regular_file()) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string baseName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::optional<Rgba> magickRgba(const std::string& input, const std::string& options) {
    const std::string command = "/usr/bin/convert '" + input + "' " + options + " -colorspace sRGB -type TrueColorAlpha -depth 8 pam:- 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::vector<uint8_t> out;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) out.insert(out.end(), buffer, buffer + n);
    if (pclose(pipe) != 0 || out.empty()) return std::nullopt;
    // PAM: text header lines up to ENDHDR, then the samples.
    const std::string text(out.begin(), out.begin() + std::min<size_t>(out.size(), 200));
    const size_t end = text.find("ENDHDR\n");
    if (end == std::string::npos) return std::nullopt;
    std::istringstream header(text.substr(0, end));
    Rgba rgba;
    int depth = 0;
    for (std::string key; header >> key;) {
        if (key == "WIDTH") header >> rgba.width;
        else if (key == "HEIGHT") header >> rgba.height;
        else if (key == "DEPTH") header >> depth;
    }
    if (depth != 4) return std::nullopt;
    rgba.pixels.assign(out.begin() + ptrdiff_t(end + 7), out.end());
    if (rgba.pixels.size() != size_t(rgba.width) * rgba.height * 4) return std::nullopt;
    return rgba;
}

Rgba bitmapRgba(const Picture& picture) {
    Rgba out;
    BITMAP bm{};
    if (!GetObject(picture.Handle(), sizeof(bm), &bm)) return out;
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    out.pixels.resize(size_t(bm.bmWidth) * bm.bmHeight * 4);
    const HDC dc = CreateCompatibleDC(0);
    GetDIBits(dc, picture.Handle(), 0, UINT(bm.bmHeight), out.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    for (size_t i = 0; i < out.pixels.size(); i += 4) std::swap(out.pixels[i], out.pixels[i + 2]);
    return out;
}

Rgba iconOver(const Picture& picture, uint32_t background) {
    const SIZE size = picture.pixelSize();
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP target = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<uint32_t*>(bits);
    std::fill(px, px + size_t(size.cx) * size.cy, background);
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ old = SelectObject(dc, target);
    DrawIconEx(dc, 0, 0, picture.Handle(), 0, 0, 0, 0, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    Rgba out;
    out.width = size.cx;
    out.height = size.cy;
    for (int i = 0; i < size.cx * size.cy; ++i) {
        const uint32_t v = px[i];
        out.pixels.insert(out.pixels.end(),
                          {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), uint8_t(v >> 24)});
    }
    DeleteObject(target);
    return out;
}

namespace {
struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
void jpegFail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); }

bool runLibjpeg(jpeg_decompress_struct& cinfo, JpegError& error, const std::vector<uint8_t>& jpeg,
                Rgb& out) {
    if (setjmp(error.jump)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.pixels.resize(size_t(out.width) * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.pixels[size_t(cinfo.output_scanline) * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}
}  // namespace

std::optional<Rgb> libjpegRgb(const std::vector<uint8_t>& jpeg) {
    jpeg_decompress_struct cinfo{};
    JpegError error{};
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = jpegFail;
    Rgb out;
    const bool ok = runLibjpeg(cinfo, error, jpeg, out);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) return std::nullopt;
    return out;
}

std::vector<uint8_t> encodeJpeg(int width, int height, int components, int space,
                                const std::vector<uint8_t>& samples, bool progressive, int stored,
                                bool subsample) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = J_COLOR_SPACE(space);
    jpeg_set_defaults(&cinfo);
    if (stored >= 0) jpeg_set_colorspace(&cinfo, J_COLOR_SPACE(stored));
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (!subsample)
        for (int c = 0; c < cinfo.num_components; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&samples[size_t(cinfo.next_scanline) * width * components]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return out;
}

namespace {

// Slurps the first image of an open giflib handle and closes it.
std::optional<GifFrame> slurpFirstFrame(GifFileType* gif) {
    if (!gif) return std::nullopt;
    std::optional<GifFrame> result;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& image = gif->SavedImages[0];
        GifFrame f;
        f.screenWidth = gif->SWidth;
        f.screenHeight = gif->SHeight;
        f.background = gif->SBackGroundColor;
        f.left = image.ImageDesc.Left;
        f.top = image.ImageDesc.Top;
        f.width = image.ImageDesc.Width;
        f.height = image.ImageDesc.Height;
        f.indices.assign(image.RasterBits, image.RasterBits + size_t(f.width) * f.height);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        if (map)
            for (int i = 0; i < map->ColorCount; ++i)
                f.colors.insert(f.colors.end(), {map->Colors[i].Red, map->Colors[i].Green,
                                                 map->Colors[i].Blue});
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK) f.transparent = gcb.TransparentColor;
        result = f;
    }
    int error = 0;
    DGifCloseFile(gif, &error);
    return result;
}

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t position;
};

int readFromMemory(GifFileType* gif, GifByteType* into, int count) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(size_t(count), reader->bytes->size() - reader->position);
    std::copy_n(reader->bytes->data() + reader->position, n, into);
    reader->position += n;
    return int(n);
}

}  // namespace

std::optional<GifFrame> giflibFirstFrame(const std::string& path) {
    int error = 0;
    return slurpFirstFrame(DGifOpenFileName(path.c_str(), &error));
}

std::optional<GifFrame> giflibFirstFrame(const std::vector<uint8_t>& gif) {
    MemoryReader reader{&gif, 0};
    int error = 0;
    return slurpFirstFrame(DGifOpen(&reader, readFromMemory, &error));
}

Indexed bitmapIndices(const Picture& picture) {
    Indexed out;
    DIBSECTION ds{};
    if (GetObject(picture.Handle(), sizeof(ds), &ds) != int(sizeof(ds)) || ds.dsBm.bmBitsPixel != 8)
        return out;
    out.width = ds.dsBm.bmWidth;
    out.height = ds.dsBm.bmHeight;
    // Read from the DIB section's own memory, addressing rows by the DIB rules.
    const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    const size_t stride = size_t(ds.dsBm.bmWidthBytes);
    const bool topDown = ds.dsBmih.biHeight < 0;
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* row = bits + stride * size_t(topDown ? y : out.height - 1 - y);
        out.indices.insert(out.indices.end(), row, row + out.width);
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), out.width, out.height, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> scratch(stride * size_t(out.height));
    const HDC dc = CreateCompatibleDC(0);
    GetDIBits(dc, picture.Handle(), 0, UINT(out.height), scratch.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    for (int i = 0; i < 256; ++i)
        out.colors.insert(out.colors.end(), {info.bmiColors[i].rgbRed, info.bmiColors[i].rgbGreen,
                                             info.bmiColors[i].rgbBlue});
    return out;
}

}  // namespace picture::test
