// The save dialog writing a 12-megapixel picture in each of its five types (the dialog's
// whole road into the gallery folder: the temporary file in the type's format, then the
// copy), beside the reference library's own encode of the same pixels to a file in the
// same run: a plain BMP write, libjpeg-turbo at quality 80, giflib with its own
// quantiser, libpng and libtiff with LZW. The ratios of the times are the figures to read;
// the JPEG road includes the bitmap it is made from, as the dialog writes both.

#include <tiffio.h>

#include <random>

#include <QImage>
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <png.h>

#include "catalogue/main_window.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"
#include "shell/module1.h"
#include "tools/save_dialog.h"
#include "program_run.h"

// Last: jpeglib.h defines TRUE and FALSE, which gdi.h declares as constants.
#include <jpeglib.h>

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
std::string g_folder;
QImage g_picture;  // RGB32

QImage makePicture() {
    // A smooth field with some noise: photo-like for the encoders.
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int n = int(random() % 16);
            row[x] = qRgb((x * 255 / kWidth + n) & 255, (y * 255 / kHeight + n) & 255, ((x + y) / 28 + n) & 255);
        }
    }
    return image;
}

std::vector<uint8_t> rgbRows() {
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(g_picture.constScanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &rgb[(size_t(y) * kWidth + x) * 3];
            p[0] = uint8_t(qRed(row[x])), p[1] = uint8_t(qGreen(row[x])), p[2] = uint8_t(qBlue(row[x]));
        }
    }
    return rgb;
}

void saveWithDialog(benchmark::State& state, int type) {
    FormSaveAs& dialog = ui::loaded<FormSaveAs>();
    dialog.PictureSave->setPicture(ui::PictureFromImage(g_picture));
    dialog.OptionSave[1]->setValue(true);
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) dialog.CheckFileExt[i]->setValue(i == type ? 1 : 0);
        dialog.TxtFileName->setText(QString("bench %1").arg(++n));
        dialog.LabelButtomMenu_Click(0);
    }
}

void BM_SaveDialog_Bmp_4000x3000(benchmark::State& s) { saveWithDialog(s, 0); }
void BM_SaveDialog_Jpeg_4000x3000(benchmark::State& s) { saveWithDialog(s, 1); }
void BM_SaveDialog_Gif_4000x3000(benchmark::State& s) { saveWithDialog(s, 2); }
void BM_SaveDialog_Png_4000x3000(benchmark::State& s) { saveWithDialog(s, 3); }
void BM_SaveDialog_Tiff_4000x3000(benchmark::State& s) { saveWithDialog(s, 4); }

void BM_Reference_Bmp_4000x3000(benchmark::State& state) {
    const std::vector<uint8_t> rgb = rgbRows();
    for (auto _ : state) {
        std::vector<uint8_t> file(54 + rgb.size());
        std::copy(rgb.begin(), rgb.end(), file.begin() + 54);  // rows as they are: the cost of the bytes
        sys::writeFile(g_folder + "/reference.bmp", file);
    }
}

void BM_Reference_Libjpeg_Q80_4000x3000(benchmark::State& state) {
    const std::vector<uint8_t> rgb = rgbRows();
    for (auto _ : state) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr errors{};
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = kWidth, cinfo.image_height = kHeight, cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 80, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<uint8_t*>(&rgb[size_t(cinfo.next_scanline) * kWidth * 3]);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        sys::writeFile(g_folder + "/reference.jpg", std::span<const uint8_t>(buffer, size));
        std::free(buffer);
    }
}

void BM_Reference_Giflib_Quantised_4000x3000(benchmark::State& state) {
    const std::vector<uint8_t> rgb = rgbRows();
    std::vector<GifByteType> red(size_t(kWidth) * kHeight), green(red.size()), blue(red.size());
    for (size_t i = 0; i < red.size(); ++i) red[i] = rgb[3 * i], green[i] = rgb[3 * i + 1], blue[i] = rgb[3 * i + 2];
    for (auto _ : state) {
        int colours = 256;
        GifColorType palette[256];
        std::vector<GifByteType> indices(red.size());
        GifQuantizeBuffer(kWidth, kHeight, &colours, red.data(), green.data(), blue.data(), indices.data(), palette);
        int error = 0;
        GifFileType* gif = EGifOpenFileName((g_folder + "/reference.gif").c_str(), false, &error);
        ColorMapObject* map = GifMakeMapObject(256, palette);
        EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
        EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr);
        for (int y = 0; y < kHeight; ++y) EGifPutLine(gif, &indices[size_t(y) * kWidth], kWidth);
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
    }
}

void BM_Reference_Libpng_4000x3000(benchmark::State& state) {
    const std::vector<uint8_t> rgb = rgbRows();
    for (auto _ : state) {
        FILE* out = std::fopen((g_folder + "/reference.png").c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, out);
        png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < kHeight; ++y) png_write_row(png, &rgb[size_t(y) * kWidth * 3]);
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
    }
}

void BM_Reference_Libtiff_4000x3000(benchmark::State& state) {
    const std::vector<uint8_t> rgb = rgbRows();
    for (auto _ : state) {
        TIFF* tif = TIFFOpen((g_folder + "/reference.tif").c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);  // as the GDI+ encoder writes
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
        for (int y = 0; y < kHeight; ++y) TIFFWriteScanline(tif, const_cast<uint8_t*>(&rgb[size_t(y) * kWidth * 3]), y, 0);
        TIFFClose(tif);
    }
}

#define QM_SAVE_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)
QM_SAVE_BENCH(BM_Reference_Bmp_4000x3000);
QM_SAVE_BENCH(BM_SaveDialog_Bmp_4000x3000);
QM_SAVE_BENCH(BM_Reference_Libjpeg_Q80_4000x3000);
QM_SAVE_BENCH(BM_SaveDialog_Jpeg_4000x3000);
QM_SAVE_BENCH(BM_Reference_Giflib_Quantised_4000x3000);
QM_SAVE_BENCH(BM_SaveDialog_Gif_4000x3000);
QM_SAVE_BENCH(BM_Reference_Libpng_4000x3000);
QM_SAVE_BENCH(BM_SaveDialog_Png_4000x3000);
QM_SAVE_BENCH(BM_Reference_Libtiff_4000x3000);
QM_SAVE_BENCH(BM_SaveDialog_Tiff_4000x3000);

}  // namespace

int main(int argc, char** argv) {
    ProgramRun run(argc, argv, "quillmere-bench-save");
    g_folder = run.folder();
    run.writeTemplateCatalogue();
    Module1::Main();
    g_picture = makePicture();
    run.runBenchmarks(argc, argv);
}
