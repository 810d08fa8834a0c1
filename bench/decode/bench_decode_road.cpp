// The catalogue's road for a record shown through the hidden decoder: the record's bytes
// written to TmpFile1.<ext>, decoded by the decoder's image, and written as TmpFile.bmp,
// for 1920 x 1080 PNG, TGA and TIFF files made here from a corpus photo. Beside it, in the
// same run, Qt's QImageReader decoding the same bytes and QImage writing the same BMP.
// Goal: within 1.5x. Items are pixels, so the columns compare directly.

#include <filesystem>
#include <string>
#include <vector>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <benchmark/benchmark.h>

#include "platform/sys/files.h"
#include "platform/sys/memory.h"
#include "shell/module1.h"
#include "tools/picture_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string g_folder;
constexpr int kWidth = 1920, kHeight = 1080;

const QImage& photo() {
    static const QImage image = QImage(QString(QM_CORPORA_DIR) + "/photos/IMG0003.jpg")
                                    .scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .convertToFormat(QImage::Format_RGB888);
    return image;
}

Bytes encodedWithQt(const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    photo().save(&buffer, format);
    return Bytes(data.begin(), data.end());
}

// Uncompressed 24-bit, bottom row first, with the 2.0 footer (Qt reads no other TGA).
Bytes tga() {
    Bytes file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(kWidth), uint8_t(kWidth >> 8),
                  uint8_t(kHeight), uint8_t(kHeight >> 8), 24, 0};
    const QImage& p = photo();
    for (int y = kHeight - 1; y >= 0; --y) {
        const uint8_t* row = p.constScanLine(y);
        for (int x = 0; x < kWidth; ++x) file.insert(file.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
    }
    const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";  // with its closing zero
    file.insert(file.end(), footer, footer + sizeof footer);
    return file;
}

const Bytes& input(const std::string& extension) {
    static const Bytes png = encodedWithQt("PNG"), tiff = encodedWithQt("TIFF"), targa = tga();
    return extension == "png" ? png : extension == "tga" ? targa : tiff;
}

void catalogueRoad(benchmark::State& state, const std::string& extension) {
    const Bytes& bytes = input(extension);
    const std::string source = g_folder + "/TmpFile1." + extension, bitmap = g_folder + "/TmpFile.bmp";
    sys::markScratchFile(source);  // as the catalogue names them
    sys::markScratchFile(bitmap);
    Module1::DibImageFile = QString::fromStdString(source);
    frmDecoder& decoder = tools::Decoder();
    for (auto _ : state) {
        sys::deleteFile(source);
        sys::writeFile(source, bytes);
        decoder.ShowImage(true, false);
        decoder.cImage.SaveToFile_Bitmap(bitmap, false, 0, true);
    }
    if (decoder.cImage.Width() != kWidth) state.SkipWithError("not decoded");
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void qtReaderAndBmp(benchmark::State& state, const std::string& extension) {
    const Bytes& bytes = input(extension);
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const QString bitmap = QString::fromStdString(g_folder + "/Reference.bmp");
    const QByteArray format = QByteArray::fromStdString(extension == "tif" ? "tiff" : extension);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        const QImage image = reader.read();
        if (image.width() != kWidth || !image.save(bitmap, "BMP")) {
            state.SkipWithError("Qt does not read it");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK_CAPTURE(catalogueRoad, png_1920x1080, std::string("png"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtReaderAndBmp, png_1920x1080, std::string("png"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(catalogueRoad, tga_1920x1080, std::string("tga"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtReaderAndBmp, tga_1920x1080, std::string("tga"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(catalogueRoad, tif_1920x1080, std::string("tif"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtReaderAndBmp, tif_1920x1080, std::string("tif"))->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    sys::keepFreedPictureMemory();  // as the program does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    g_folder = (std::filesystem::temp_directory_path() / "quillmere-bench-decode-road").string();
    std::filesystem::remove_all(g_folder);
    std::filesystem::create_directories(g_folder);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tools::UnloadDecoder();
    std::filesystem::remove_all(g_folder);
    return 0;
}
