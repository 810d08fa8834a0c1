#include "png_writer_support.h"

#include <zlib.h>

#include "platform/sys/libraries.h"

namespace pngwritertest {

namespace {

constexpr const char* kStandInName = "quillmere-test-zlib (built in)";

struct StandInState {
    bool hasCompress2 = true;
    bool refuseCompress2 = false;
    int compress2Calls = 0;
} standIn;

int refusingCompress2(Bytef*, uLongf*, const Bytef*, uLong, int) {
    ++standIn.compress2Calls;
    return Z_BUF_ERROR;
}

int countingCompress2(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen, int level) {
    ++standIn.compress2Calls;
    return compress2(dest, destLen, source, sourceLen, level);
}

void* lookup(const std::string& name) {
    if (name == "crc32") return reinterpret_cast<void*>(&crc32);
    if (name == "compress") return reinterpret_cast<void*>(&compress);
    if (name == "compress2" && standIn.hasCompress2)
        return standIn.refuseCompress2 ? reinterpret_cast<void*>(&refusingCompress2)
                                       : reinterpret_cast<void*>(&countingCompress2);
    return nullptr;
}

}  // namespace

void makeImage(cImage32& image, const Rows& rows, int32_t alpha) {
    imagetest::fill(image, rows);
    image.Alpha(alpha);
}

Bytes savePng(codecs::cPNGwriter& writer, const cImage32& image) {
    Bytes out;
    if (!writer.SaveAsPNG(&image, "", out)) {
        ADD_FAILURE() << "SaveAsPNG failed";
        return {};
    }
    return out;
}

Bytes savePng(const cImage32& image) {
    codecs::cPNGwriter writer;
    return savePng(writer, image);
}

pngtest::Inspected inspect(const Bytes& png) {
    const auto inspected = pngtest::libpngInspect(png);
    if (!inspected) {
        ADD_FAILURE() << "libpng could not read the stream";
        return {};
    }
    return *inspected;
}

StandInZlib::StandInZlib(bool hasCompress2, bool refuseCompress2) {
    standIn = {hasCompress2, refuseCompress2, 0};
    sys::provideLibrary(kStandInName, lookup);
    sys::mapLibraryName("zlib1.dll", kStandInName);
    sys::mapLibraryName("zlib.dll", kStandInName);
}

StandInZlib::~StandInZlib() {
    sys::mapLibraryName("zlib1.dll", "libz.so.1");
    sys::mapLibraryName("zlib.dll", "libz.so.1");
}

int StandInZlib::compress2Calls() const { return standIn.compress2Calls; }

}  // namespace pngwritertest
